// CSV, GPX and GeoJSON exports.

#include "Export.h"

#include "TextFormat.h"

#include <QStringList>

namespace gd2 {

namespace {

// A centimetre at most: the receivers give a ten-thousandth of a minute.
constexpr int kDegreeDecimals = 7;

QString latitudeText(const FixRecord& r, const ExportOptions& o)
{
    return fixed(o.south ? -r.Latitude : r.Latitude, kDegreeDecimals);
}

QString longitudeText(const FixRecord& r, const ExportOptions& o)
{
    return fixed(o.west ? -r.Longitude : r.Longitude, kDegreeDecimals);
}

int offsetAt(qint64 stamp, const ExportOptions& o)
{
    return o.utcOffsetSeconds ? *o.utcOffsetSeconds : machineUtcOffset(stamp);
}

QString jsonString(const QString& s)
{
    // Only this program's own words and numbers reach here.
    return u'"' + s + u'"';
}

QString jsonTime(const std::optional<qint64>& stamp)
{
    return stamp ? jsonString(isoLocal(*stamp)) : QStringLiteral("null");
}

} // namespace

ExportResult exportCsv(const Study& study, const ExportOptions& options)
{
    QStringList out;
    out << QStringLiteral("record,run,direction,node,delay,time,latitude,longitude,speed_mph,"
                          "course,fix_quality,satellites,hdop");
    for (const Run& run : splitRuns(study.records)) {
        for (qsizetype j = 0; j < run.count; ++j) {
            const FixRecord& r = study.records[run.first + j];
            const bool position = hasPosition(r);
            const auto speed = speedOf(r);
            const auto course = courseOf(r);
            const auto hdop = hdopOf(r);
            out << QStringList{QString::number(run.first + j + 1),
                               QString::number(r.RunNum),
                               directionCode(r.RunDir),
                               QString::number(r.NodeNum),
                               r.DelayNum == missing::kInteger ? QString()
                                                               : QString::number(r.DelayNum),
                               run.stamps[j] ? isoLocal(*run.stamps[j]) : QString(),
                               position ? latitudeText(r, options) : QString(),
                               position ? longitudeText(r, options) : QString(),
                               speed ? plain(r.SpeedMph) : QString(),
                               course ? plain(r.Course) : QString(),
                               r.FixQuality < 0 ? QString() : QString::number(r.FixQuality),
                               r.NumSats < 0 ? QString() : QString::number(r.NumSats),
                               hdop ? plain(r.HDOP) : QString()}
                       .join(u',');
        }
    }
    return {(out.join(u'\n') + u'\n').toUtf8(), 0};
}

ExportResult exportGpx(const Study& study, const ExportOptions& options)
{
    ExportResult result;
    QStringList out;
    out << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    out << QStringLiteral(
        "<gpx version=\"1.1\" creator=\"gd2\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
        "http://www.topografix.com/GPX/1/1/gpx.xsd\">");
    if (const auto date = studyDateStamp(study.header)) {
        out << QStringLiteral("  <metadata>");
        out << QStringLiteral("    <desc>Travel-time study of %1</desc>").arg(dateText(*date));
        out << QStringLiteral("  </metadata>");
    }
    for (const Run& run : splitRuns(study.records)) {
        QStringList track;
        bool segmentOpen = false;
        for (qsizetype j = 0; j < run.count; ++j) {
            const FixRecord& r = study.records[run.first + j];
            if (j > 0 && r.NodeNum != study.records[run.first + j - 1].NodeNum && segmentOpen) {
                track << QStringLiteral("    </trkseg>");
                segmentOpen = false;
            }
            if (!hasPosition(r)) {
                ++result.withoutPosition;
                continue;
            }
            if (!segmentOpen) {
                track << QStringLiteral("    <trkseg>");
                segmentOpen = true;
            }
            track << QStringLiteral("      <trkpt lat=\"%1\" lon=\"%2\">")
                         .arg(latitudeText(r, options), longitudeText(r, options));
            if (const auto stamp = run.stamps[j]) {
                track << QStringLiteral("        <time>%1</time>")
                             .arg(isoUtc(*stamp, offsetAt(*stamp, options)));
            }
            // Quality 1 says nothing of 2D or 3D, so only these two are told.
            if (r.FixQuality == 0) {
                track << QStringLiteral("        <fix>none</fix>");
            } else if (r.FixQuality == 2) {
                track << QStringLiteral("        <fix>dgps</fix>");
            }
            if (r.NumSats >= 0) {
                track << QStringLiteral("        <sat>%1</sat>").arg(r.NumSats);
            }
            if (hdopOf(r)) {
                track << QStringLiteral("        <hdop>%1</hdop>").arg(plain(r.HDOP));
            }
            track << QStringLiteral("      </trkpt>");
        }
        if (segmentOpen) {
            track << QStringLiteral("    </trkseg>");
        }
        if (track.isEmpty()) {
            continue;
        }
        out << QStringLiteral("  <trk>");
        out << QStringLiteral("    <name>Run %1</name>").arg(run.number);
        if (!directionCode(run.direction).isEmpty()) {
            out << QStringLiteral("    <desc>Direction %1</desc>")
                       .arg(directionCode(run.direction));
        }
        if (run.number >= 0) {
            out << QStringLiteral("    <number>%1</number>").arg(run.number);
        }
        out << track;
        out << QStringLiteral("  </trk>");
    }
    out << QStringLiteral("</gpx>");
    result.text = (out.join(u'\n') + u'\n').toUtf8();
    return result;
}

ExportResult exportGeoJson(const Study& study, const ExportOptions& options)
{
    ExportResult result;
    QStringList features;
    for (const Run& run : splitRuns(study.records)) {
        QStringList points;
        std::optional<qint64> start;
        std::optional<qint64> end;
        for (qsizetype j = 0; j < run.count; ++j) {
            const FixRecord& r = study.records[run.first + j];
            if (const auto stamp = run.stamps[j]) {
                if (!start) {
                    start = stamp;
                }
                end = stamp;
            }
            if (!hasPosition(r)) {
                ++result.withoutPosition;
                continue;
            }
            points << u'[' + longitudeText(r, options) + QStringLiteral(", ") +
                          latitudeText(r, options) + u']';
        }
        if (points.isEmpty()) {
            continue;
        }
        // A line needs two positions; a run with one is a point.
        const bool line = points.size() > 1;
        const QString direction = directionCode(run.direction);
        features << QStringLiteral(
                        "    {\n"
                        "      \"type\": \"Feature\",\n"
                        "      \"properties\": {\"run\": %1, \"direction\": %2, "
                        "\"start\": %3, \"end\": %4, \"fixes\": %5, \"positions\": %6},\n"
                        "      \"geometry\": {\n"
                        "        \"type\": \"%7\",\n"
                        "        \"coordinates\": %8\n"
                        "      }\n"
                        "    }")
                        .arg(QString::number(run.number),
                             direction.isEmpty() ? QStringLiteral("null") : jsonString(direction),
                             jsonTime(start), jsonTime(end), QString::number(run.count),
                             QString::number(points.size()),
                             line ? QStringLiteral("LineString") : QStringLiteral("Point"),
                             line ? QStringLiteral("[\n          ") +
                                        points.join(QStringLiteral(",\n          ")) +
                                        QStringLiteral("\n        ]")
                                  : points.first());
    }
    const QString text =
        QStringLiteral("{\n  \"type\": \"FeatureCollection\",\n  \"features\": [") +
        (features.isEmpty() ? QString() : u'\n' + features.join(QStringLiteral(",\n")) + u'\n') +
        (features.isEmpty() ? QStringLiteral("]\n}\n") : QStringLiteral("  ]\n}\n"));
    result.text = text.toUtf8();
    return result;
}

} // namespace gd2
