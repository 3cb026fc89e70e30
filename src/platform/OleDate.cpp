#include "OleDate.h"

#include <cmath>

namespace oledate {

int secondOfDay(double date)
{
    if (!std::isfinite(date)) {
        return 0;
    }
    double fraction = std::fabs(date - std::trunc(date));
    auto seconds = static_cast<long long>(std::llround(fraction * kSecondsPerDay));
    return int(seconds % 86400);
}

QDateTime toDateTime(double date)
{
    if (!std::isfinite(date) || std::fabs(date) > 3.0e6) {
        return {};
    }
    auto days = static_cast<qint64>(std::trunc(date));
    double fraction = std::fabs(date - std::trunc(date));
    auto ms = static_cast<qint64>(std::llround(fraction * kSecondsPerDay * 1000.0));
    constexpr qint64 kMsPerDay = 86'400'000;
    // A wall-clock time of that day: not elapsed time since midnight, which
    // is an hour off on the days clocks change.
    const QDate day = QDate(1899, 12, 30).addDays(days + ms / kMsPerDay);
    return QDateTime(day, QTime::fromMSecsSinceStartOfDay(int(ms % kMsPerDay)));
}

} // namespace oledate
