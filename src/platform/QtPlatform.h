#pragma once
// The real adapters over Qt's screen and message boxes.

#include "ScreenMetrics.h"
#include "UserMessages.h"

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
};
