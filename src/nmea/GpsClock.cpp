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

int GpsClock::LocalHour(const QString& hour, const QString& minutes, const QString& seconds)
{
    const qint16 hr = SafeInteger(hour);
    const qint16 min = SafeInteger(minutes);
    const qint16 sec = SafeInteger(seconds);
    // Only a readable time of day may fix the offset, and an unreadable hour
    // has no local hour whatever the offset.
    if (hr < 0 || hr > 23 || !IsValidClockTime(hour, minutes, seconds)) {
        return -1;
    }
    if (offset_ == kOffsetUndetermined) {
        FindTimeOffset(hr, min, sec);
    }
    int local = hr + offset_;
    if (local < 0) {
        local += 24;
    } else if (local >= 24) {
        local -= 24;
    }
    return local;
}

double GpsClock::GpsTimeToLocal(const QString& field)
{
    if (field.isEmpty()) {
        return 0.0;
    }
    const QString minutes = field.mid(2, 2);
    const QString seconds = field.mid(4, 2);
    const int local = LocalHour(field.left(2), minutes, seconds);
    if (local < 0) {
        return 0.0;
    }
    const QString hourText = QString::number(local);
    if (!IsValidClockTime(hourText, minutes, seconds)) {
        return 0.0;
    }
    return SafeDate(QString(hourText + u':' + minutes + u':' + seconds));
}

bool IsValidClockTime(const QString& h, const QString& m, const QString& s)
{
    const qint16 hr = SafeInteger(h);
    const qint16 min = SafeInteger(m);
    const qint16 sec = SafeInteger(s);
    return sec >= 0 && sec <= 59 && min >= 0 && min <= 59 && hr >= 0 && hr <= 24;
}

QString FormatClockTime(double d)
{
    const int s = oledate::secondOfDay(d);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QChar(u'0'))
        .arg(s / 60 % 60, 2, 10, QChar(u'0'))
        .arg(s % 60, 2, 10, QChar(u'0'));
}
