// GPS time to PC local time.

#include "GpsClock.h"

#include "Conversions.h"
#include "OleDate.h"
#include "PcClock.h"

#include <QTime>
#include <cmath>

void GpsClock::FindTimeOffset(qint16 GPSHr, qint16 GPSMin, qint16 GPSSec)
{
    const QTime pc = pc_.now().time();
    const int pcSeconds = pc.hour() * 3600 + pc.minute() * 60 + pc.second();
    const int gpsSeconds = GPSHr * 3600 + GPSMin * 60 + GPSSec;
    auto hours = int(std::lround((pcSeconds - gpsSeconds) / 3600.0));
    // A difference of a whole day is no difference at all.
    offset_ = qint16(std::abs(hours) == 24 ? 0 : hours);
}

namespace {

// Two ASCII digits, as receivers send every part of a time; -1 otherwise.
int twoDigits(QByteArrayView t)
{
    if (t.size() != 2 || t[0] < '0' || t[0] > '9' || t[1] < '0' || t[1] > '9') {
        return -1;
    }
    return (t[0] - '0') * 10 + (t[1] - '0');
}

} // namespace

int GpsClock::LocalHour(QByteArrayView hour, QByteArrayView minutes, QByteArrayView seconds)
{
    const int h2 = twoDigits(hour);
    const int m2 = twoDigits(minutes);
    const int s2 = twoDigits(seconds);
    if (h2 >= 0 && m2 >= 0 && s2 >= 0) {
        // The usual case, read without the general conversions; same result.
        if (h2 > 23 || m2 > 59 || s2 > 59) {
            return -1;
        }
        if (offset_ == kOffsetUndetermined) {
            FindTimeOffset(qint16(h2), qint16(m2), qint16(s2));
        }
        const int local = h2 + offset_;
        return local < 0 ? local + 24 : local >= 24 ? local - 24 : local;
    }
    const qint16 hr = SafeInteger(hour);
    // Only a readable time of day may fix the offset, and an unreadable hour
    // has no local hour whatever the offset.
    if (hr < 0 || hr > 23 || !IsValidClockTime(hour, minutes, seconds)) {
        return -1;
    }
    if (offset_ == kOffsetUndetermined) {
        FindTimeOffset(hr, SafeInteger(minutes), SafeInteger(seconds));
    }
    int local = hr + offset_;
    if (local < 0) {
        local += 24;
    } else if (local >= 24) {
        local -= 24;
    }
    return local;
}

double ClockTimeOf(int hour, QByteArrayView minutes, QByteArrayView seconds)
{
    const int m2 = twoDigits(minutes);
    const int s2 = twoDigits(seconds);
    if (hour >= 0 && hour <= 23 && m2 >= 0 && m2 <= 59 && s2 >= 0 && s2 <= 59) {
        return (hour * 3600 + m2 * 60 + s2) / 86400.0;
    }
    // "-1:..." for an unreadable hour reads as no time at all.
    char text[32];
    qsizetype n = 0;
    if (hour < 0) {
        text[n++] = '-';
        hour = -hour;
    }
    if (hour >= 10) {
        text[n++] = char('0' + hour / 10 % 10);
    }
    text[n++] = char('0' + hour % 10);
    text[n++] = ':';
    const auto append = [&](QByteArrayView part) {
        for (qsizetype i = 0; i < part.size() && n < qsizetype(sizeof text) - 1; ++i) {
            text[n++] = part[i];
        }
    };
    append(minutes.first(qMin<qsizetype>(minutes.size(), 8)));
    text[n++] = ':';
    append(seconds.first(qMin<qsizetype>(seconds.size(), 8)));
    return SafeDate(QByteArrayView(text, n));
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
    const QByteArrayView minutes = part(2);
    const QByteArrayView seconds = part(4);
    const int local = LocalHour(part(0), minutes, seconds);
    if (local < 0) {
        return 0.0;
    }
    return ClockTimeOf(local, minutes, seconds);
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
