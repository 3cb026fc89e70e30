#pragma once
// A window for the collector's logic that shows nothing.

#include "CollectorView.h"

struct NullView final : CollectorView
{
    void setStatus(QLatin1StringView) override {}
    void showStartButton() override {}
    void showLabels(const GpsLabels&) override {}
    void addGridRow(const FixRecord&) override {}
    void paintSurfaces(quint32) override {}
    void showUnsavedRecords(int) override {}
};
