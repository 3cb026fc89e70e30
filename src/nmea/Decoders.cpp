// The RMC, GGA, VTG and text-sentence decoders.

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

LabelText speedLabel(float mph, const DecodeContext& ctx)
{
    return LabelText::of(LabelText::Speed, ctx.metricView ? mph * kKphPerMph : double(mph));
}

void timeField(QByteArrayView text, DecodeContext& ctx, GpsLabels& labels)
{
    const double t = ctx.clock.GpsTimeToLocal(text);
    labels.Time = LabelText::of(LabelText::Clock, t);
    ctx.fix.FixTime = ctx.studyDate + t;
}

void coordinate(QByteArrayView text, double& field, LabelText& label)
{
    if (text.isEmpty()) {
        field = missing::kDouble;
        label = LabelText::unknown();
    } else {
        field = NmeaDegrees(text);
        label = LabelText::of(LabelText::Degrees, field);
    }
}

// Latitude, hemisphere, longitude, hemisphere; the hemispheres are not applied.
void positionPair(QByteArrayView s, qint16& cursor, DecodeContext& ctx, GpsLabels& labels)
{
    const QByteArrayView lat = GetNextField(s, cursor);
    const QByteArrayView northSouth = GetNextField(s, cursor);
    const QByteArrayView lon = GetNextField(s, cursor);
    const QByteArrayView eastWest = GetNextField(s, cursor);
    if (ctx.hemispheres) {
        *ctx.hemispheres = {northSouth == "S", eastWest == "W"};
    }
    coordinate(lat, ctx.fix.Latitude, labels.Latitude);
    coordinate(lon, ctx.fix.Longitude, labels.Longitude);
}

void knotsField(QByteArrayView text, DecodeContext& ctx, GpsLabels& labels)
{
    if (text.isEmpty()) {
        ctx.fix.SpeedMph = missing::kSingle;
        labels.Speed = LabelText::unknown();
        return;
    }
    ctx.fix.SpeedMph = KnotsToMph(SafeSingle(text));
    labels.Speed = speedLabel(ctx.fix.SpeedMph, ctx);
}

// Fixed columns are taken as far as the sentence has characters.
QByteArrayView column(QByteArrayView s, qsizetype position, qsizetype length)
{
    if (position > s.size()) {
        return {};
    }
    return s.sliced(position - 1, qMin(length, s.size() - position + 1));
}

// ddmmmmm / dddmmmmm (minutes in thousandths) back to the NMEA ddmm.mmm form.
QByteArrayView rebuildPosition(QByteArrayView digits, qsizetype integerDigits, char* out)
{
    const QByteArrayView head = digits.first(qMin(integerDigits, digits.size()));
    const QByteArrayView tail = digits.last(qMin<qsizetype>(3, digits.size()));
    qsizetype n = 0;
    for (char c : head) {
        out[n++] = c;
    }
    out[n++] = '.';
    for (char c : tail) {
        out[n++] = c;
    }
    return QByteArrayView(out, n);
}

// A text-sentence position; an underscore first means the receiver has none.
void textCoordinate(QByteArrayView rebuilt, double& field, LabelText& label)
{
    if (rebuilt.startsWith('_')) {
        field = missing::kDouble;
        label = LabelText::unknown();
    } else {
        field = NmeaDegrees(rebuilt);
        label = LabelText::of(LabelText::Degrees, field);
    }
}

} // namespace

QString LabelText::text() const
{
    switch (kind) {
    case Unknown:
        return QStringLiteral("?");
    case Clock:
        return FormatClockTime(value);
    case Degrees:
        return FormatLatitude(value);
    case Speed:
        return FormatFixed(value, 1, 1);
    case Raw:
        return QString::fromLatin1(raw.data(), raw.size());
    case Untouched:
        break;
    }
    return {};
}

std::optional<QString> LabelText::shown() const
{
    return touched() ? std::optional<QString>(text()) : std::nullopt;
}

float KnotsToMph(float knots)
{
    return toSingle(double(knots) * kMphPerKnot);
}

GpsLabels DecodeRMC(QByteArrayView s, DecodeContext& ctx)
{
    GpsLabels labels;
    qint16 cursor = kFirstField;
    timeField(GetNextField(s, cursor), ctx, labels);
    ctx.fix.FixQuality = GetNextField(s, cursor) == "A" ? 1 : 0;
    positionPair(s, cursor, ctx, labels);
    knotsField(GetNextField(s, cursor), ctx, labels);
    const QByteArrayView course = GetNextField(s, cursor);
    ctx.fix.Course = course.isEmpty() ? missing::kCourse : SafeSingle(course);
    return labels;
}

GpsLabels DecodeGGA(QByteArrayView s, DecodeContext& ctx)
{
    GpsLabels labels;
    qint16 cursor = kFirstField;
    timeField(GetNextField(s, cursor), ctx, labels);
    positionPair(s, cursor, ctx, labels);

    const QByteArrayView quality = GetNextField(s, cursor);
    if (quality == "8") {
        ctx.fix.FixQuality = 8;
        labels.GPSQual = LabelText::rawText("Simulated");
    } else if (!quality.isEmpty()) {
        ctx.fix.FixQuality = SafeInteger(quality);
        labels.GPSQual = LabelText::rawText(quality);
    } else {
        ctx.fix.FixQuality = missing::kInteger;
        labels.GPSQual = LabelText::unknown();
    }

    const QByteArrayView sats = GetNextField(s, cursor);
    ctx.fix.NumSats = sats.isEmpty() ? missing::kInteger : SafeInteger(sats);
    labels.NumSats = sats.isEmpty() ? LabelText::unknown() : LabelText::rawText(sats);

    const QByteArrayView hdop = GetNextField(s, cursor);
    ctx.fix.HDOP = hdop.isEmpty() ? missing::kSingle : SafeSingle(hdop);
    labels.HDOP = hdop.isEmpty() ? LabelText::unknown() : LabelText::rawText(hdop);
    return labels;
}

GpsLabels DecodeVTG(QByteArrayView s, DecodeContext& ctx)
{
    GpsLabels labels;
    qint16 cursor = kFirstField;
    for (int skipped = 0; skipped < 4; ++skipped) { // true track, T, magnetic track, M
        GetNextField(s, cursor);
    }
    knotsField(GetNextField(s, cursor), ctx, labels);
    return labels;
}

GpsLabels DecodeTextSentence(QByteArrayView s, DecodeContext& ctx)
{
    GpsLabels labels;

    const std::optional<int> local =
        ctx.clock.LocalSecondOfDay(column(s, 8, 2), column(s, 10, 2), column(s, 12, 2));
    // An unreadable time of day is the conversion's failure value.
    const double t = local ? *local / 86400.0 : missing::kDouble;
    labels.Time = LabelText::of(LabelText::Clock, t);
    ctx.fix.FixTime = ctx.studyDate + t;

    if (ctx.hemispheres) {
        *ctx.hemispheres = {column(s, 14, 1) == "S", column(s, 22, 1) == "W"};
    }
    char latBuf[16];
    textCoordinate(rebuildPosition(column(s, 15, 7), 4, latBuf), ctx.fix.Latitude, labels.Latitude);
    char lonBuf[16];
    textCoordinate(rebuildPosition(column(s, 23, 8), 5, lonBuf), ctx.fix.Longitude,
                   labels.Longitude);

    const QByteArrayView status = column(s, 31, 1);
    if (status == "_") {
        ctx.fix.FixQuality = missing::kInteger;
        labels.GPSQual = LabelText::unknown();
    } else if (status == "S") {
        ctx.fix.FixQuality = 8;
        labels.GPSQual = LabelText::rawText("Simulated");
    } else if (status == "G" || status == "g") {
        ctx.fix.FixQuality = 1;
        labels.GPSQual = LabelText::rawText("1");
    } else if (status == "D" || status == "d") {
        ctx.fix.FixQuality = 2;
        labels.GPSQual = LabelText::rawText("2");
    }

    // Velocity components in tenths of a metre per second; "____" is a
    // velocity the receiver lacks, read as 0.
    const float ve = float(LeadingNumber(column(s, 42, 4)) / 10.0);
    const float vn = float(LeadingNumber(column(s, 47, 4)) / 10.0);
    const float metresPerSecond = float(std::sqrt(double(ve) * ve + double(vn) * vn));
    ctx.fix.SpeedMph = float(metresPerSecond * kMphPerMetrePerSecond);
    labels.Speed = speedLabel(ctx.fix.SpeedMph, ctx);
    return labels;
}
