#pragma once
// GPS time of day (UTC) to PC local time through an offset in quarter hours
// that is worked out once, from the first readable time of day, and then kept.

#include <QByteArrayView>
#include <QString>
#include <optional>

class PcClock;

constexpr qint16 kOffsetUndetermined = -999;

class GpsClock
{
public:
    // timeOffsetMin is the shared offset, in minutes, that the program keeps
    // for its whole run.
    GpsClock(qint16& timeOffsetMin, const PcClock& pc) : offset_(timeOffsetMin), pc_(pc) {}

    // Sets the offset from the PC's local time and a GPS time of day.
    //
    // Every time zone in use is a whole number of quarter hours from UTC, so
    // the PC-minus-GPS difference is rounded to quarter hours: a PC clock up
    // to 7 minutes off still gives the zone's offset, whatever the minute.
    // When the PC's time zone setting lies within 30 minutes of the
    // difference, the clock is merely off and the setting's offset is taken.
    // Otherwise the clock shows a local time its zone setting does not know
    // of (a clock kept in local time under a UTC setting), and the clock is
    // what the operator reads: the rounded difference is taken.
    void FindTimeOffset(int gpsSecondOfDay);

    // An NMEA hhmmss[.sss] field as a local time of day (integer part 0); 0
    // for an empty or unreadable field. An unreadable time leaves an
    // undetermined offset undetermined.
    double GpsTimeToLocal(QByteArrayView field);
    double GpsTimeToLocal(const QString& field);

    // The local second of the day (0 to 86399) for a GPS time of day given as
    // hour, minute and second texts, the offset being determined from it
    // first if need be; nothing when the time is unreadable.
    std::optional<int> LocalSecondOfDay(QByteArrayView hour, QByteArrayView minutes,
                                        QByteArrayView seconds);

private:
    qint16& offset_;
    const PcClock& pc_;
};

// Hours 0 to 24, minutes and seconds 0 to 59, each read as a number.
bool IsValidClockTime(QByteArrayView h, QByteArrayView m, QByteArrayView s);
bool IsValidClockTime(const QString& h, const QString& m, const QString& s);

// "hh:mm:ss" of a Date's time of day; the date part is ignored.
QString FormatClockTime(double d);
