#pragma once
// GPS time of day (UTC) to PC local time through a whole-hour offset that is
// worked out once, from the first readable time of day, and then kept.

#include <QByteArrayView>
#include <QString>

class PcClock;

constexpr qint16 kOffsetUndetermined = -999;

class GpsClock
{
public:
    // timeOffsetHr is the shared offset the program keeps for its whole run.
    GpsClock(qint16& timeOffsetHr, const PcClock& pc) : offset_(timeOffsetHr), pc_(pc) {}

    // Sets the offset to the PC-minus-GPS difference rounded to whole hours.
    // Minutes and seconds take part so that a PC clock a few seconds off GPS
    // near a full hour cannot make the offset one hour wrong.
    void FindTimeOffset(qint16 GPSHr, qint16 GPSMin, qint16 GPSSec);

    // An NMEA hhmmss[.sss] field as a local time of day (integer part 0); 0
    // for an empty or unreadable field. An unreadable time leaves an
    // undetermined offset undetermined.
    double GpsTimeToLocal(QByteArrayView field);
    double GpsTimeToLocal(const QString& field);

    // The local hour (0 to 23) for a GPS time of day given as texts, the
    // offset being determined from it first if need be; -1 when the hour,
    // minutes or seconds are unreadable.
    int LocalHour(QByteArrayView hour, QByteArrayView minutes, QByteArrayView seconds);

private:
    qint16& offset_;
    const PcClock& pc_;
};

// Hours 0 to 24, minutes and seconds 0 to 59, each read as a number.
bool IsValidClockTime(QByteArrayView h, QByteArrayView m, QByteArrayView s);
bool IsValidClockTime(const QString& h, const QString& m, const QString& s);

// "H:MM:SS" from the local hour and the minute and second texts as received,
// read as a time of day; the conversion's failure value when unreadable.
double ClockTimeOf(int hour, QByteArrayView minutes, QByteArrayView seconds);

// "hh:mm:ss" of a Date's time of day; the date part is ignored.
QString FormatClockTime(double d);
