// CSV, GPX and GeoJSON exports.

#include "Export.h"

#include "Sink.h"
#include "TextFormat.h"

#include <QStringList>
#include <algorithm>
#include <limits>

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

// The offset from UTC at each local time: the one given, or this machine's,
// asked once per quarter hour, since the zone's own rules are slow to ask and
// no zone changes its offset twice within one.
class UtcOffsets
{
public:
    explicit UtcOffsets(const ExportOptions& o) : given_(o.utcOffsetSeconds) {}
    int at(qint64 localMs)
    {
        if (given_) {
            return *given_;
        }
        const qint64 quarter = localMs - localMs % kQuarterMs; // times are after 1899
        if (quarter != quarter_) {
            quarter_ = quarter;
            offset_ = machineUtcOffset(quarter);
            steady_ = offset_ == machineUtcOffset(quarter + kQuarterMs - 1);
        }
        return steady_ ? offset_ : machineUtcOffset(localMs);
    }

private:
    static constexpr qint64 kQuarterMs = 15 * 60 * 1000;
    std::optional<int> given_;
    qint64 quarter_ = std::numeric_limits<qint64>::min();
    // Plain values: optimisers lose track of an optional kept across calls.
    int offset_ = 0;
    bool steady_ = false;
};

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

void writeCsv(const Study& study, const QList<Run>& runs, const ExportOptions& options, Sink& out)
{
    out << "record,run,direction,node,delay,time,latitude,longitude,speed_mph,course,fix_quality,"
           "satellites,hdop\n";
    for (const Run& run : runs) {
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
                       .join(u',')
                << '\n';
        }
    }
}

void writeGpx(const Study& study, const QList<Run>& runs, const ExportOptions& options, Sink& out)
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"gd2\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
           "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
    if (const auto date = studyDateStamp(study.header)) {
        out << QStringLiteral("  <metadata>\n    <desc>Travel-time study of %1</desc>\n  "
                              "</metadata>\n")
                   .arg(dateText(*date));
    }
    UtcOffsets offsets(options);
    for (const Run& run : runs) {
        // A run without a position gets no track at all.
        bool trackOpen = false;
        bool segmentOpen = false;
        for (qsizetype j = 0; j < run.count; ++j) {
            const FixRecord& r = study.records[run.first + j];
            if (j > 0 && r.NodeNum != study.records[run.first + j - 1].NodeNum && segmentOpen) {
                out << "    </trkseg>\n";
                segmentOpen = false;
            }
            if (!hasPosition(r)) {
                continue;
            }
            if (!trackOpen) {
                out << QStringLiteral("  <trk>\n    <name>Run %1</name>\n").arg(run.number);
                if (!directionCode(run.direction).isEmpty()) {
                    out << QStringLiteral("    <desc>Direction %1</desc>\n")
                               .arg(directionCode(run.direction));
                }
                if (run.number >= 0) {
                    out << QStringLiteral("    <number>%1</number>\n").arg(run.number);
                }
                trackOpen = true;
            }
            if (!segmentOpen) {
                out << "    <trkseg>\n";
                segmentOpen = true;
            }
            QString point = QStringLiteral("      <trkpt lat=\"") + latitudeText(r, options) +
                            QStringLiteral("\" lon=\"") + longitudeText(r, options) +
                            QStringLiteral("\">\n");
            if (const auto stamp = run.stamps[j]) {
                point += QStringLiteral("        <time>") + isoUtc(*stamp, offsets.at(*stamp)) +
                         QStringLiteral("</time>\n");
            }
            // Quality 1 says nothing of 2D or 3D, so only these two are told.
            if (r.FixQuality == 0) {
                point += QStringLiteral("        <fix>none</fix>\n");
            } else if (r.FixQuality == 2) {
                point += QStringLiteral("        <fix>dgps</fix>\n");
            }
            if (r.NumSats >= 0) {
                point += QStringLiteral("        <sat>") + QString::number(r.NumSats) +
                         QStringLiteral("</sat>\n");
            }
            if (hdopOf(r)) {
                point +=
                    QStringLiteral("        <hdop>") + plain(r.HDOP) + QStringLiteral("</hdop>\n");
            }
            out << point << "      </trkpt>\n";
        }
        if (segmentOpen) {
            out << "    </trkseg>\n";
        }
        if (trackOpen) {
            out << "  </trk>\n";
        }
    }
    out << "</gpx>\n";
}

void writeGeoJson(const Study& study, const QList<Run>& runs, const ExportOptions& options,
                  Sink& out)
{
    out << "{\n  \"type\": \"FeatureCollection\",\n  \"features\": [";
    bool any = false;
    for (const Run& run : runs) {
        // The properties come before the coordinates, so they are counted first.
        qsizetype positions = 0;
        qsizetype firstPosition = -1;
        std::optional<qint64> start;
        std::optional<qint64> end;
        for (qsizetype j = 0; j < run.count; ++j) {
            if (const auto stamp = run.stamps[j]) {
                if (!start) {
                    start = stamp;
                }
                end = stamp;
            }
            if (hasPosition(study.records[run.first + j])) {
                firstPosition = positions == 0 ? j : firstPosition;
                ++positions;
            }
        }
        if (positions == 0) {
            continue;
        }
        const auto point = [&](qsizetype j) {
            const FixRecord& r = study.records[run.first + j];
            return u'[' + longitudeText(r, options) + QStringLiteral(", ") +
                   latitudeText(r, options) + u']';
        };
        // A line needs two positions; a run with one is a point.
        const bool line = positions > 1;
        const QString direction = directionCode(run.direction);
        out << (any ? ",\n" : "\n")
            << QStringLiteral("    {\n"
                              "      \"type\": \"Feature\",\n"
                              "      \"properties\": {\"run\": %1, \"direction\": %2, "
                              "\"start\": %3, \"end\": %4, \"fixes\": %5, \"positions\": %6},\n"
                              "      \"geometry\": {\n"
                              "        \"type\": \"%7\",\n"
                              "        \"coordinates\": ")
                   .arg(QString::number(run.number),
                        direction.isEmpty() ? QStringLiteral("null") : jsonString(direction),
                        jsonTime(start), jsonTime(end), QString::number(run.count),
                        QString::number(positions),
                        line ? QStringLiteral("LineString") : QStringLiteral("Point"));
        any = true;
        if (line) {
            out << "[";
            for (qsizetype j = firstPosition; j < run.count; ++j) {
                if (hasPosition(study.records[run.first + j])) {
                    out << (j == firstPosition ? "\n          " : ",\n          ") << point(j);
                }
            }
            out << "\n        ]";
        } else {
            out << point(firstPosition);
        }
        out << "\n      }\n    }";
    }
    out << (any ? "\n  ]\n}\n" : "]\n}\n");
}

qsizetype recordsWithoutPosition(const Study& study)
{
    return std::count_if(study.records.cbegin(), study.records.cend(),
                         [](const FixRecord& r) { return !hasPosition(r); });
}

namespace {

ExportResult whole(const Study& study, const ExportOptions& options, bool map,
                   void (*write)(const Study&, const QList<Run>&, const ExportOptions&, Sink&))
{
    ExportResult result;
    Sink out(result.text);
    write(study, splitRuns(study.records), options, out);
    result.withoutPosition = map ? recordsWithoutPosition(study) : 0;
    return result;
}

} // namespace

ExportResult exportCsv(const Study& study, const ExportOptions& options)
{
    return whole(study, options, false, writeCsv);
}

ExportResult exportGpx(const Study& study, const ExportOptions& options)
{
    return whole(study, options, true, writeGpx);
}

ExportResult exportGeoJson(const Study& study, const ExportOptions& options)
{
    return whole(study, options, true, writeGeoJson);
}

} // namespace gd2
