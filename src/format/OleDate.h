#pragma once
// The Date value of both file formats: days since 30 December 1899 00:00 as a
// double, the fraction being the time of day.

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace oledate {

constexpr double kSecondsPerDay = 86400.0;

inline double fromDate(QDate date)
{
    return double(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay());
}

inline double fromTime(QTime time)
{
    return time.msecsSinceStartOfDay() / (kSecondsPerDay * 1000.0);
}

inline double fromDateTime(const QDateTime& dt)
{
    return fromDate(dt.date()) + fromTime(dt.time());
}

// Seconds since midnight of a Date, rounded to the whole second. Days before
// 1899-12-30 are negative but their time of day still counts forward from
// midnight, so only the fraction's magnitude matters.
int secondOfDay(double date);

// The calendar date and time a Date stands for (local, no time zone).
QDateTime toDateTime(double date);

} // namespace oledate
