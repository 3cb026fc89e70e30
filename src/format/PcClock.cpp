// Today and the time of day from the PC clock, as Dates.

#include "PcClock.h"

#include "OleDate.h"

#include <QTime>

double PcClock::today() const
{
    return oledate::fromDate(now().date());
}

double PcClock::timeOfDay() const
{
    // Whole seconds, as the clock the file formats were designed around gives them.
    QTime t = now().time();
    return oledate::fromTime(QTime(t.hour(), t.minute(), t.second()));
}
