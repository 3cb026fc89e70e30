#pragma once
// The PC clock, behind a seam so that tests can set the time.

#include <QDateTime>

class PcClock
{
public:
    virtual ~PcClock() = default;
    // Local date and time.
    virtual QDateTime now() const = 0;

    // Today as a Date with no time part.
    double today() const;
    // The time of day in whole seconds as a Date fraction (integer part 0).
    double timeOfDay() const;
};

class SystemClock final : public PcClock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

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
    void advanceMSecs(qint64 ms) { current_ = current_.addMSecs(ms); }

private:
    QDateTime current_;
};
