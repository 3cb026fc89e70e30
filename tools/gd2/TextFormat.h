#pragma once
// Numbers and times as every output writes them: "." decimals whatever the
// locale, and the study file's local times, which carry no time zone.

#include "StudyReader.h"

#include <QString>
#include <optional>

namespace gd2 {

// Exactly `decimals` decimals, rounded half away from zero.
QString fixed(double value, int decimals);
// The shortest text that reads back as the same value, never in exponent
// form (GPX decimals and CSV readers take no exponent).
QString plain(double value);
QString plain(float value);
// A drawing's coordinate: tenths, without a needless ".0".
QString svgNumber(double value);
// 1, 2 or 5 times a power of ten, at least `raw`: a step between ticks.
double niceStep(double raw);

// Time stamps are milliseconds since 1899-12-30 00:00 local time, the
// study file's Date in whole milliseconds.
QString isoLocal(qint64 ms);                       // 2010-03-01T09:15:00, ".250" when needed
QString isoUtc(qint64 localMs, int offsetSeconds); // 2010-03-01T14:15:00Z
// 2010-03-01T14:15:00.000Z, with the milliseconds always, as a GeoPackage's DATETIME.
QString isoUtcMs(qint64 localMs, int offsetSeconds);
QString dateText(qint64 ms);     // 2010-03-01
QString clockText(qint64 ms);    // 09:15:00
QString durationText(qint64 ms); // 1:02:03, rounded to the second

// Seconds east of UTC that this machine's time zone has at a local time.
int machineUtcOffset(qint64 localMs);
// Hours east of UTC: "-5", "+5.5", "5:30", "-03:30"; within -14..+14 hours,
// to the minute. Nothing for other text.
std::optional<int> parseUtcOffset(const QString& text);

} // namespace gd2
