// Dates as the file formats count them.

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

} // namespace oledate
