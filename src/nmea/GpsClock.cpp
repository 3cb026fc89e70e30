// GPS time to PC local time.

#include "GpsClock.h"

#include "Conversions.h"
#include "OleDate.h"
#include "PcClock.h"

#include <QDateTime>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr int kSecondsPerDay = 24 * 3600;
constexpr int kQuarterHour = 15;
// How far the PC clock may be off for its time zone setting still to count.
constexpr double kClockDriftMinutes = 30.0;

// Minutes into -12 h .. +12 h: a day's difference is no difference.
int withinHalfADay(int minutes)
{
    minutes %= kMinutesPerDay;
    if (minutes >= kMinutesPerDay / 2) {
        minutes -= kMinutesPerDay;
    } else if (minutes < -kMinutesPerDay / 2) {
        minutes += kMinutesPerDay;
    }
    return minutes;
}

// Two ASCII digits, as receivers send every part of a time; -1 otherwise.
int twoDigits(QByteArrayView t)
{
    if (t.size() != 2 || t[0] < '0' || t[0] > '9' || t[1] < '0' || t[1] > '9') {
        return -1;
    }
    return (t[0] - '0') * 10 + (t[1] - '0');
}

} // namespace

void GpsClock::FindTimeOffset(int gpsSecondOfDay)
{
    const QDateTime now = pc_.now();
    const QTime pc = now.time();
    const int pcSecondOfDay = pc.hour() * 3600 + pc.minute() * 60 + pc.second();
    const double difference = (pcSecondOfDay - gpsSecondOfDay) / 60.0;
    const int zone = withinHalfADay(now.offsetFromUtc() / 60);
    const double apart = std::abs(std::remainder(difference - zone, double(kMinutesPerDay)));
    const int rounded = int(std::lround(difference / kQuarterHour)) * kQuarterHour;
    offset_ = qint16(withinHalfADay(apart <= kClockDriftMinutes ? zone : rounded));
}

std::optional<int> GpsClock::LocalSecondOfDay(QByteArrayView hour, QByteArrayView minutes,
                                              QByteArrayView seconds)
{
    int h = twoDigits(hour);
    int m = twoDigits(minutes);
    int s = twoDigits(seconds);
    if (h < 0 || m < 0 || s < 0) {
        // Not the receivers' usual digits: read as numbers, blanks and all.
        if (!IsValidClockTime(hour, minutes, seconds)) {
            return std::nullopt;
        }
        h = SafeInteger(hour);
        m = SafeInteger(minutes);
        s = SafeInteger(seconds);
    }
    // Only a readable time of day may fix the offset.
    if (h > 23 || m > 59 || s > 59) {
        return std::nullopt;
    }
    const int gps = h * 3600 + m * 60 + s;
    if (offset_ == kOffsetUndetermined) {
        FindTimeOffset(gps);
    }
    const int local = gps + offset_ * 60;
    return local < 0                 ? local + kSecondsPerDay
           : local >= kSecondsPerDay ? local - kSecondsPerDay
                                     : local;
}

double GpsClock::GpsTimeToLocal(QByteArrayView field)
{
    if (field.isEmpty()) {
        return 0.0;
    }
    const auto part = [&](qsizetype from) {
        return from < field.size() ? field.sliced(from, qMin<qsizetype>(2, field.size() - from))
                                   : QByteArrayView();
    };
    const std::optional<int> local = LocalSecondOfDay(part(0), part(2), part(4));
    return local ? *local / double(kSecondsPerDay) : 0.0;
}

double GpsClock::GpsTimeToLocal(const QString& field)
{
    const QByteArray bytes = field.toLatin1();
    return GpsTimeToLocal(QByteArrayView(bytes));
}

bool IsValidClockTime(QByteArrayView h, QByteArrayView m, QByteArrayView s)
{
    const qint16 hr = SafeInteger(h);
    const qint16 min = SafeInteger(m);
    const qint16 sec = SafeInteger(s);
    return sec >= 0 && sec <= 59 && min >= 0 && min <= 59 && hr >= 0 && hr <= 24;
}

bool IsValidClockTime(const QString& h, const QString& m, const QString& s)
{
    return IsValidClockTime(QByteArrayView(h.toLatin1()), QByteArrayView(m.toLatin1()),
                            QByteArrayView(s.toLatin1()));
}

QString FormatClockTime(double d)
{
    const int s = oledate::secondOfDay(d);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QChar(u'0'))
        .arg(s / 60 % 60, 2, 10, QChar(u'0'))
        .arg(s % 60, 2, 10, QChar(u'0'));
}
