// CSV, GPX, GeoJSON and KML exports.

#include "Export.h"

#include "Sink.h"
#include "TextFormat.h"

#include <QStringList>
#include <algorithm>

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

int UtcOffsets::at(qint64 localMs)
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

namespace {

// A colour per direction, KML's aabbggrr; grey for runs without one.
struct DirectionStyle
{
    qint16 code;
    const char* name;
    const char* colour;
};
constexpr DirectionStyle kDirectionStyles[] = {
    {1, "SB", "ffff6000"}, // blue
    {2, "NB", "ff0000e0"}, // red
    {3, "WB", "ff00a0ff"}, // orange
    {4, "EB", "ff00a000"}, // green
    {0, "none", "ff808080"},
};

QString kmlStyleId(qint16 direction)
{
    for (const DirectionStyle& s : kDirectionStyles) {
        if (s.code == direction) {
            return QStringLiteral("direction-") + QLatin1String(s.name);
        }
    }
    return QStringLiteral("direction-none");
}

} // namespace

void writeKml(const Study& study, const QList<Run>& runs, const ExportOptions& options, Sink& out)
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
           "  <Document>\n";
    if (const auto date = studyDateStamp(study.header)) {
        out << QStringLiteral("    <name>Travel-time study of %1</name>\n").arg(dateText(*date));
    }
    // Lines and node marks of a run take its direction's colour. The
    // elements keep the order of the KML 2.2 schema.
    for (const DirectionStyle& s : kDirectionStyles) {
        out << QStringLiteral("    <Style id=\"direction-%1\">\n"
                              "      <IconStyle><color>%2</color></IconStyle>\n"
                              "      <LineStyle><color>%2</color><width>4</width></LineStyle>\n"
                              "    </Style>\n")
                   .arg(QLatin1String(s.name), QLatin1String(s.colour));
    }
    const auto coordinates = [&](const FixRecord& r) {
        return longitudeText(r, options) + u',' + latitudeText(r, options);
    };
    for (const Run& run : runs) {
        qsizetype positions = 0;
        std::optional<qint64> start;
        std::optional<qint64> end;
        for (qsizetype j = 0; j < run.count; ++j) {
            if (const auto stamp = run.stamps[j]) {
                start = start ? start : stamp;
                end = stamp;
            }
            positions += hasPosition(study.records[run.first + j]) ? 1 : 0;
        }
        if (positions == 0) {
            continue;
        }
        const QString direction = directionCode(run.direction);
        QString description = direction.isEmpty() ? QStringLiteral("No direction")
                                                  : QStringLiteral("Direction ") + direction;
        if (start) {
            description += QStringLiteral(", travel time %1 (%2 to %3)")
                               .arg(durationText(*end - *start), isoLocal(*start), isoLocal(*end));
        }
        description += QStringLiteral(", %1 fixes").arg(run.count);
        const QString style = kmlStyleId(run.direction);
        out << QStringLiteral("    <Placemark>\n"
                              "      <name>Run %1</name>\n"
                              "      <description>%2</description>\n"
                              "      <styleUrl>#%3</styleUrl>\n")
                   .arg(QString::number(run.number), description, style);
        // A line needs two positions; a run with one is a point.
        if (positions == 1) {
            out << "      <Point><coordinates>";
        } else {
            out << "      <LineString>\n        <tessellate>1</tessellate>\n"
                   "        <coordinates>\n";
        }
        for (qsizetype j = 0; j < run.count; ++j) {
            const FixRecord& r = study.records[run.first + j];
            if (hasPosition(r)) {
                out << (positions == 1 ? coordinates(r)
                                       : QStringLiteral("          ") + coordinates(r) + u'\n');
            }
        }
        out << (positions == 1 ? "</coordinates></Point>\n"
                               : "        </coordinates>\n      </LineString>\n")
            << "    </Placemark>\n";

        // A node is marked where its number goes up, at the first fix from
        // there with a position.
        qint16 node = study.records[run.first].NodeNum;
        bool markDue = false;
        for (qsizetype j = 0; j < run.count; ++j) {
            const FixRecord& r = study.records[run.first + j];
            if (r.NodeNum != node) {
                markDue = r.NodeNum > node;
                node = r.NodeNum;
            }
            if (!markDue || !hasPosition(r)) {
                continue;
            }
            markDue = false;
            out << QStringLiteral("    <Placemark>\n"
                                  "      <name>Run %1, node %2</name>\n"
                                  "      <styleUrl>#%3</styleUrl>\n"
                                  "      <Point><coordinates>%4</coordinates></Point>\n"
                                  "    </Placemark>\n")
                       .arg(QString::number(run.number), QString::number(node), style,
                            coordinates(r));
        }
    }
    out << "  </Document>\n</kml>\n";
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

ExportResult exportKml(const Study& study, const ExportOptions& options)
{
    return whole(study, options, true, writeKml);
}

} // namespace gd2
