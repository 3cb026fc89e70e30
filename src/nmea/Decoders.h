#pragma once
// The sentence decoders. Each walks one complete sentence (start character up
// to, not including, the next one), writes what it finds into the current fix
// and returns what the live labels must show. None keeps state of its own.

#include "FixRecord.h"

#include <QByteArrayView>
#include <QString>
#include <optional>

class GpsClock;

// What one label must show. It is kept as a value and turned into text only
// when a window shows it, so that decoding itself allocates nothing.
struct LabelText
{
    enum Kind : quint8
    {
        Untouched, // the decoder leaves the label as it is
        Unknown,   // "?"
        Clock,     // a time of day, "hh:mm:ss"
        Degrees,   // six decimals
        Speed,     // one decimal
        Raw,       // the field as received, or a fixed text
    };
    Kind kind = Untouched;
    double value = 0;
    // For Raw: a view into the sentence (valid while it is handled) or a literal.
    QByteArrayView raw;

    bool touched() const { return kind != Untouched; }
    QString text() const;
    // The text, or nothing for an untouched label.
    std::optional<QString> shown() const;

    static LabelText unknown() { return {Unknown, 0, {}}; }
    static LabelText of(Kind kind, double value) { return {kind, value, {}}; }
    static LabelText rawText(QByteArrayView text) { return {Raw, 0, text}; }
};

struct GpsLabels
{
    LabelText Time;
    LabelText Latitude;
    LabelText Longitude;
    LabelText Speed;
    LabelText GPSQual;
    LabelText NumSats;
    LabelText HDOP;
};

// Which side of the equator and of Greenwich the sentence's position lies,
// by its hemisphere letters. The record keeps unsigned degrees; following a
// route needs the sign.
struct Hemispheres
{
    bool south = false;
    bool west = false;
};

struct DecodeContext
{
    FixRecord& fix;
    GpsClock& clock;
    double studyDate;                   // the date part of every fix time
    bool metricView;                    // speeds shown in kph; always stored in mph
    Hemispheres* hemispheres = nullptr; // filled where wanted
};

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
// Time, status, position, speed and course; the date is not used.
GpsLabels DecodeRMC(QByteArrayView sentence, DecodeContext& ctx);

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
// Time, position, fix quality, satellites and HDOP.
GpsLabels DecodeGGA(QByteArrayView sentence, DecodeContext& ctx);

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K
// Speed in knots only; the km/h field is not read.
GpsLabels DecodeVTG(QByteArrayView sentence, DecodeContext& ctx);

// @100301123519N4807038E01131000G015+00001E0030N0040U0000
// Fixed columns: time, position, status letter and velocity components.
GpsLabels DecodeTextSentence(QByteArrayView sentence, DecodeContext& ctx);

// Knots to miles per hour, as stored.
float KnotsToMph(float knots);
