#pragma once
// Stand-ins for the program's adapters: a clock a test moves, a screen of any
// width, message boxes that only remember what they said, and a window that
// shows nothing.

#include "CollectorView.h"
#include "PcClock.h"
#include "ScreenMetrics.h"
#include "UserMessages.h"

#include <QStringList>

// A clock that stands still until a test moves it.
class ManualClock final : public PcClock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2010, 3, 1), QTime(7, 35, 40)))
        : current_(std::move(start))
    {
    }
    QDateTime now() const override { return current_; }
    void set(const QDateTime& dt) { current_ = dt; }
    void advanceSecs(int secs) { current_ = current_.addSecs(secs); }

private:
    QDateTime current_;
};

class FixedScreen final : public ScreenMetrics
{
public:
    explicit FixedScreen(int width, int height = 600, double dpi = 96.0)
        : info_{32, width, height, dpi == 96.0}, dpi_(dpi)
    {
    }
    DisplayInfo displayInfo() const override { return info_; }
    double logicalDpi() const override { return dpi_; }

private:
    DisplayInfo info_;
    double dpi_;
};

class RecordedMessages final : public UserMessages
{
public:
    void show(const QString& text) override { shown.append(text); }
    bool confirm(const QString& question) override
    {
        asked.append(question);
        return answer;
    }
    QStringList shown;
    QStringList asked;
    bool answer = true; // the answer to every question
};

struct NullView : CollectorView
{
    void setStatus(QLatin1StringView) override {}
    void showStartButton() override {}
    void showLabels(const GpsLabels&) override {}
    void addGridRow(const FixRecord&) override {}
    void paintSurfaces(quint32) override {}
    void showFileNotice(const QString&) override {}
};
