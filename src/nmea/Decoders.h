#pragma once
// The sentence decoders. Each walks one complete sentence (start character up
// to, not including, the next one), writes what it finds into the current fix
// and returns what the live labels must show. None keeps state of its own.

#include "FixRecord.h"

#include <QString>
#include <optional>

class GpsClock;

// Texts for the GPS data labels; a label a decoder does not touch is empty.
struct GpsLabels
{
    std::optional<QString> Time;
    std::optional<QString> Latitude;
    std::optional<QString> Longitude;
    std::optional<QString> Speed;
    std::optional<QString> GPSQual;
    std::optional<QString> NumSats;
    std::optional<QString> HDOP;

    bool operator==(const GpsLabels&) const = default;
};

struct DecodeContext
{
    FixRecord& fix;
    GpsClock& clock;
    double studyDate; // the date part of every fix time
    bool metricView;  // speeds shown in kph; always stored in mph
};

// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
// Time, status, position, speed and course; the date is not used.
GpsLabels DecodeRMC(const QString& sentence, DecodeContext& ctx);

// $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47
// Time, position, fix quality, satellites and HDOP.
GpsLabels DecodeGGA(const QString& sentence, DecodeContext& ctx);

// $GPVTG,054.7,T,034.4,M,005.5,N,010.2,K
// Speed in knots only; the km/h field is not read.
GpsLabels DecodeVTG(const QString& sentence, DecodeContext& ctx);

// @100301123519N4807038E01131000G015+00001E0030N0040U0000
// Fixed columns: time, position, status letter and velocity components.
GpsLabels DecodeTextSentence(const QString& sentence, DecodeContext& ctx);

// Knots to miles per hour, as stored.
float KnotsToMph(float knots);
