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
