#include "Decoders.h"

#include "Conversions.h"
#include "Fields.h"
#include "GpsClock.h"

#include <cmath>
#include <limits>

namespace {

constexpr qint16 kFirstField = 8; // after the six-character tag and its comma
constexpr double kMphPerKnot = 1.151;
constexpr double kKphPerMph = 1.6093;
constexpr double kMphPerMetrePerSecond = 2.2369;

// A double held in a single-precision field; one too large to hold is missing.
float toSingle(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > double(std::numeric_limits<float>::max())) {
        return missing::kSingle;
    }
    return float(v);
}

QString speedText(float mph, const DecodeContext& ctx)
{
    return FormatFixed(ctx.metricView ? mph * kKphPerMph : double(mph), 1, 1);
}

void timeField(const QString& text, DecodeContext& ctx, GpsLabels& labels)
{
    const double t = ctx.clock.GpsTimeToLocal(text);
    labels.Time = FormatClockTime(t);
    ctx.fix.FixTime = ctx.studyDate + t;
}

// Latitude, hemisphere, longitude, hemisphere; the hemispheres are not applied.
void positionPair(const QString& s, qint16& cursor, DecodeContext& ctx, GpsLabels& labels)
{
    QString lat = GetNextField(s, cursor);
    GetNextField(s, cursor);
    QString lon = GetNextField(s, cursor);
    GetNextField(s, cursor);
    if (lat.isEmpty()) {
        ctx.fix.Latitude = missing::kDouble;
        labels.Latitude = QStringLiteral("?");
    } else {
        ctx.fix.Latitude = NmeaToDegrees(lat);
        labels.Latitude = FormatLatitude(ctx.fix.Latitude);
    }
    if (lon.isEmpty()) {
        ctx.fix.Longitude = missing::kDouble;
        labels.Longitude = QStringLiteral("?");
    } else {
        ctx.fix.Longitude = NmeaToDegrees(lon);
        labels.Longitude = FormatLongitude(ctx.fix.Longitude);
    }
}

void knotsField(const QString& text, DecodeContext& ctx, GpsLabels& labels)
{
    if (text.isEmpty()) {
        ctx.fix.SpeedMph = missing::kSingle;
        labels.Speed = QStringLiteral("?");
        return;
    }
    ctx.fix.SpeedMph = KnotsToMph(SafeSingle(text));
    labels.Speed = speedText(ctx.fix.SpeedMph, ctx);
}

// Fixed columns are taken as far as the sentence has characters.
QString column(const QString& s, int position, int length)
{
    return s.mid(position - 1, length);
}

// ddmmmmm / dddmmmmm (minutes in thousandths) back to NMEA ddmm.mmm form.
QString rebuildPosition(const QString& digits, int integerDigits)
{
    return digits.left(integerDigits) + u'.' + digits.right(3);
}

} // namespace

float KnotsToMph(float knots)
{
    return toSingle(double(knots) * kMphPerKnot);
}

GpsLabels DecodeRMC(const QString& s, DecodeContext& ctx)
{
    GpsLabels labels;
    qint16 cursor = kFirstField;
    timeField(GetNextField(s, cursor), ctx, labels);
    ctx.fix.FixQuality = GetNextField(s, cursor) == u"A" ? 1 : 0;
    positionPair(s, cursor, ctx, labels);
    knotsField(GetNextField(s, cursor), ctx, labels);
    const QString course = GetNextField(s, cursor);
    ctx.fix.Course = course.isEmpty() ? missing::kCourse : SafeSingle(course);
    return labels;
}

GpsLabels DecodeGGA(const QString& s, DecodeContext& ctx)
{
    GpsLabels labels;
    qint16 cursor = kFirstField;
    timeField(GetNextField(s, cursor), ctx, labels);
    positionPair(s, cursor, ctx, labels);

    const QString quality = GetNextField(s, cursor);
    if (quality == u"8") {
        ctx.fix.FixQuality = 8;
        labels.GPSQual = QStringLiteral("Simulated");
    } else if (!quality.isEmpty()) {
        ctx.fix.FixQuality = SafeInteger(quality);
        labels.GPSQual = quality;
    } else {
        ctx.fix.FixQuality = missing::kInteger;
        labels.GPSQual = QStringLiteral("?");
    }

    const QString sats = GetNextField(s, cursor);
    ctx.fix.NumSats = sats.isEmpty() ? missing::kInteger : SafeInteger(sats);
    labels.NumSats = sats.isEmpty() ? QStringLiteral("?") : sats;

    const QString hdop = GetNextField(s, cursor);
    ctx.fix.HDOP = hdop.isEmpty() ? missing::kSingle : SafeSingle(hdop);
    labels.HDOP = hdop.isEmpty() ? QStringLiteral("?") : hdop;
    return labels;
}

GpsLabels DecodeVTG(const QString& s, DecodeContext& ctx)
{
    GpsLabels labels;
    qint16 cursor = kFirstField;
    for (int skipped = 0; skipped < 4; ++skipped) { // true track, T, magnetic track, M
        GetNextField(s, cursor);
    }
    knotsField(GetNextField(s, cursor), ctx, labels);
    return labels;
}

GpsLabels DecodeTextSentence(const QString& s, DecodeContext& ctx)
{
    GpsLabels labels;

    const QString minutes = column(s, 10, 2);
    const QString seconds = column(s, 12, 2);
    const int hour = ctx.clock.LocalHour(column(s, 8, 2), minutes, seconds);
    // An unreadable time of day becomes the conversion's failure value.
    const double t = SafeDate(QString(QString::number(hour) + u':' + minutes + u':' + seconds));
    labels.Time = FormatClockTime(t);
    ctx.fix.FixTime = ctx.studyDate + t;

    const QString lat = rebuildPosition(column(s, 15, 7), 4);
    if (lat.startsWith(u'_')) {
        ctx.fix.Latitude = missing::kDouble;
        labels.Latitude = QStringLiteral("?");
    } else {
        QString text = lat;
        ctx.fix.Latitude = NmeaToDegrees(text);
        labels.Latitude = FormatLatitude(ctx.fix.Latitude);
    }
    const QString lon = rebuildPosition(column(s, 23, 8), 5);
    if (lon.startsWith(u'_')) {
        ctx.fix.Longitude = missing::kDouble;
        labels.Longitude = QStringLiteral("?");
    } else {
        QString text = lon;
        ctx.fix.Longitude = NmeaToDegrees(text);
        labels.Longitude = FormatLongitude(ctx.fix.Longitude);
    }

    const QString status = column(s, 31, 1);
    if (status == u"_") {
        ctx.fix.FixQuality = missing::kInteger;
        labels.GPSQual = QStringLiteral("?");
    } else if (status == u"S") {
        ctx.fix.FixQuality = 8;
        labels.GPSQual = QStringLiteral("Simulated");
    } else if (status == u"G" || status == u"g") {
        ctx.fix.FixQuality = 1;
        labels.GPSQual = QStringLiteral("1");
    } else if (status == u"D" || status == u"d") {
        ctx.fix.FixQuality = 2;
        labels.GPSQual = QStringLiteral("2");
    }

    // Velocity components in tenths of a metre per second.
    // "____" is a velocity the receiver lacks, read as 0.
    const float ve = float(LeadingNumber(column(s, 42, 4)) / 10.0);
    const float vn = float(LeadingNumber(column(s, 47, 4)) / 10.0);
    const float metresPerSecond = float(std::sqrt(double(ve) * ve + double(vn) * vn));
    ctx.fix.SpeedMph = float(metresPerSecond * kMphPerMetrePerSecond);
    labels.Speed = speedText(ctx.fix.SpeedMph, ctx);
    return labels;
}
