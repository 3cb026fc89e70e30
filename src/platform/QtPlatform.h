#pragma once
// The real adapters over the PC clock, Qt's screen and message boxes, and
// the folder the program runs from.

#include "PcClock.h"
#include "ScreenMetrics.h"
#include "UserMessages.h"

#include <QString>

class SystemClock final : public PcClock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class QtScreenMetrics final : public ScreenMetrics
{
public:
    DisplayInfo displayInfo() const override;
    double logicalDpi() const override;
};

class QtMessageBoxes final : public UserMessages
{
public:
    void show(const QString& text) override;
    bool confirm(const QString& question) override;
};

// The folder the program runs from, without a separator at its end.
QString ProgramFolder();
