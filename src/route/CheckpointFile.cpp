// Reading checkpoint files in the three forms GIS tools write, and the CSV.

#include "CheckpointFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace route {

namespace {

constexpr qsizetype kMostCheckpoints = 1000;
constexpr double kLargestRadiusM = 1000.0;
// Two checkpoints closer than this give the route no direction between them.
constexpr double kClosestApartM = 1.0;

// A number as text, '.' as the decimal point; nothing for anything else.
std::optional<double> number(QByteArrayView text)
{
    bool ok = false;
    const double v = text.trimmed().toByteArray().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

double metresApart(const Checkpoint& a, const Checkpoint& b)
{
    constexpr double kEarthRadiusM = 6371008.8;
    constexpr double kRadian = M_PI / 180.0;
    const double dLat = (b.latitude - a.latitude) * kRadian;
    const double dLon =
        (b.longitude - a.longitude) * kRadian * std::cos((a.latitude + b.latitude) / 2 * kRadian);
    return kEarthRadiusM * std::hypot(dLat, dLon);
}

// Checks what every form shares; the error names the checkpoint by its
// place in the route and, where known, its line.
QString checkRoute(QList<Checkpoint>& cps, const QList<int>& lines, const QString& file)
{
    const auto at = [&](qsizetype i) {
        const QString which = QStringLiteral("checkpoint %1").arg(i + 1);
        return lines.value(i) > 0
                   ? QStringLiteral("%1, line %2 (%3)").arg(file).arg(lines[i]).arg(which)
                   : QStringLiteral("%1, %2").arg(file, which);
    };
    if (cps.size() < 2) {
        return QStringLiteral("%1: a route needs at least two checkpoints, its first and its "
                              "last; %2 found")
            .arg(file)
            .arg(cps.size());
    }
    if (cps.size() > kMostCheckpoints) {
        return QStringLiteral("%1: %2 checkpoints; a route may have at most %3")
            .arg(file)
            .arg(cps.size())
            .arg(kMostCheckpoints);
    }
    for (qsizetype i = 0; i < cps.size(); ++i) {
        Checkpoint& c = cps[i];
        if (!(c.latitude >= -90.0 && c.latitude <= 90.0)) {
            return QStringLiteral("%1: latitude %2 is not between -90 and 90")
                .arg(at(i))
                .arg(c.latitude);
        }
        if (!(c.longitude >= -180.0 && c.longitude <= 180.0)) {
            return QStringLiteral("%1: longitude %2 is not between -180 and 180")
                .arg(at(i))
                .arg(c.longitude);
        }
        if (c.radiusM && !(*c.radiusM > 0.0 && *c.radiusM <= kLargestRadiusM)) {
            return QStringLiteral("%1: radius_m %2 is not above 0 and at most %3")
                .arg(at(i))
                .arg(*c.radiusM)
                .arg(kLargestRadiusM);
        }
        if (i > 0 && metresApart(cps[i - 1], c) < kClosestApartM) {
            return QStringLiteral("%1 lies where checkpoint %2 lies; the route has no "
                                  "direction between them")
                .arg(at(i))
                .arg(i);
        }
        if (c.name.trimmed().isEmpty()) {
            c.name = QString::number(i + 1);
        }
    }
    return {};
}

CheckpointList failed(const QString& error)
{
    return {{}, error, {}};
}

CheckpointList checked(QList<Checkpoint> cps, const QList<int>& lines, const QString& file)
{
    const QString error = checkRoute(cps, lines, file);
    return error.isEmpty() ? CheckpointList{cps, {}, {}} : failed(error);
}

// One CSV line into its fields: commas separate, double quotes enclose a
// field that holds commas or quotes ("" is a quote).
std::optional<QList<QByteArray>> csvFields(QByteArrayView line)
{
    QList<QByteArray> fields{QByteArray()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.last() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.last() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.append(QByteArray());
        } else {
            fields.last() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

CheckpointList parseCsv(const QByteArray& content, const QString& file)
{
    const QList<QByteArray> rows = content.split('\n');
    int column[5] = {-1, -1, -1, -1, -1}; // name, latitude, longitude, radius_m, ffs_mph
    const char* const kNames[] = {"name", "latitude", "longitude", "radius_m", "ffs_mph"};
    QList<Checkpoint> cps;
    QList<std::optional<double>> ffs;
    QList<int> lines;
    bool headerSeen = false;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const int line = int(r + 1);
        QByteArray row = rows[r];
        if (row.endsWith('\r')) {
            row.chop(1);
        }
        if (row.trimmed().isEmpty()) {
            continue;
        }
        const std::optional<QList<QByteArray>> fields = csvFields(row);
        if (!fields) {
            return failed(QStringLiteral("%1, line %2: a quote is not closed").arg(file).arg(line));
        }
        if (!headerSeen) {
            headerSeen = true;
            for (qsizetype f = 0; f < fields->size(); ++f) {
                const QByteArray head = fields->at(f).trimmed().toLower();
                for (int k = 0; k < 5; ++k) {
                    if (head == kNames[k]) {
                        column[k] = int(f);
                    }
                }
            }
            if (column[0] < 0 || column[1] < 0 || column[2] < 0) {
                return failed(QStringLiteral("%1, line %2: the first line must name the columns "
                                             "name,latitude,longitude (and radius_m if wanted)")
                                  .arg(file)
                                  .arg(line));
            }
            continue;
        }
        const auto field = [&](int k) {
            return column[k] >= 0 ? fields->value(column[k]) : QByteArray();
        };
        Checkpoint c;
        c.name = QString::fromUtf8(field(0)).trimmed();
        const std::optional<double> lat = number(field(1));
        const std::optional<double> lon = number(field(2));
        if (!lat || !lon) {
            return failed(QStringLiteral("%1, line %2: \"%3\" is not a latitude and longitude in "
                                         "decimal degrees, such as 40.7128,-74.0060")
                              .arg(file)
                              .arg(line)
                              .arg(QString::fromUtf8(field(1) + ',' + field(2))));
        }
        c.latitude = *lat;
        c.longitude = *lon;
        if (!field(3).trimmed().isEmpty()) {
            c.radiusM = number(field(3));
            if (!c.radiusM) {
                return failed(
                    QStringLiteral("%1, line %2: radius_m \"%3\" is not a number of metres")
                        .arg(file)
                        .arg(line)
                        .arg(QString::fromUtf8(field(3))));
            }
        }
        ffs.append(std::nullopt);
        if (!field(4).trimmed().isEmpty()) {
            ffs.last() = number(field(4));
            if (!ffs.last() || !(*ffs.last() > 0.0) || *ffs.last() > 200.0) {
                return failed(QStringLiteral("%1, line %2: ffs_mph \"%3\" is not a speed above 0 "
                                             "in mph")
                                  .arg(file)
                                  .arg(line)
                                  .arg(QString::fromUtf8(field(4))));
            }
        }
        cps.append(c);
        lines.append(line);
    }
    CheckpointList list = checked(cps, lines, file);
    if (list.ok() && column[4] >= 0) {
        list.ffsMph = ffs;
    }
    return list;
}

CheckpointList parseGpx(const QByteArray& content, const QString& file)
{
    QXmlStreamReader xml(content);
    QList<Checkpoint> waypoints;
    QList<int> waypointLines;
    QList<Checkpoint> routePoints;
    QList<int> routeLines;
    int routes = 0;
    Checkpoint* open = nullptr; // the point whose name may follow
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto tag = xml.name();
            if (tag == u"rte") {
                ++routes;
            } else if (tag == u"wpt" || (tag == u"rtept" && routes == 1)) {
                const int line = int(xml.lineNumber());
                const std::optional<double> lat =
                    number(xml.attributes().value(QLatin1StringView("lat")).toUtf8());
                const std::optional<double> lon =
                    number(xml.attributes().value(QLatin1StringView("lon")).toUtf8());
                if (!lat || !lon) {
                    return failed(QStringLiteral("%1, line %2: a <%3> without a readable lat and "
                                                 "lon")
                                      .arg(file)
                                      .arg(line)
                                      .arg(tag.toString()));
                }
                QList<Checkpoint>& into = tag == u"wpt" ? waypoints : routePoints;
                (tag == u"wpt" ? waypointLines : routeLines).append(line);
                into.append(Checkpoint{{}, *lat, *lon, {}});
                open = &into.last();
            } else if (tag == u"name" && open) {
                open->name = xml.readElementText().trimmed();
            }
        } else if (xml.isEndElement() && (xml.name() == u"wpt" || xml.name() == u"rtept")) {
            open = nullptr;
        }
    }
    if (xml.hasError()) {
        return failed(QStringLiteral("%1, line %2: not readable as GPX: %3")
                          .arg(file)
                          .arg(xml.lineNumber())
                          .arg(xml.errorString()));
    }
    // A route says the order outright; waypoints are taken in file order.
    return routePoints.isEmpty() ? checked(waypoints, waypointLines, file)
                                 : checked(routePoints, routeLines, file);
}

CheckpointList parseGeoJson(const QByteArray& content, const QString& file)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(content, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const int line =
            int(content.first(qMin<qsizetype>(parseError.offset, content.size())).count('\n')) + 1;
        return failed(QStringLiteral("%1, line %2: not readable as GeoJSON: %3")
                          .arg(file)
                          .arg(line)
                          .arg(parseError.errorString()));
    }
    const QJsonObject top = doc.object();
    if (top.value(u"type").toString() != u"FeatureCollection") {
        return failed(
            QStringLiteral("%1: a GeoJSON checkpoint file is a FeatureCollection of points")
                .arg(file));
    }
    // GeoJSON is longitude and latitude on WGS 84; an older file may name
    // another system, whose numbers would be read as degrees.
    const QString crs =
        top.value(u"crs").toObject().value(u"properties").toObject().value(u"name").toString();
    if (!crs.isEmpty() && !crs.contains(u"CRS84") && !crs.contains(u"4326")) {
        return failed(QStringLiteral("%1: its coordinates are in %2; save it in WGS 84 "
                                     "(EPSG:4326) longitude and latitude")
                          .arg(file, crs));
    }
    QList<Checkpoint> cps;
    const QJsonArray features = top.value(u"features").toArray();
    for (qsizetype i = 0; i < features.size(); ++i) {
        const QJsonObject feature = features[i].toObject();
        const QJsonObject geometry = feature.value(u"geometry").toObject();
        const QJsonArray xy = geometry.value(u"coordinates").toArray();
        if (geometry.value(u"type").toString() != u"Point" || xy.size() < 2 || !xy[0].isDouble() ||
            !xy[1].isDouble()) {
            return failed(QStringLiteral("%1, feature %2: not a point with a longitude and "
                                         "latitude")
                              .arg(file)
                              .arg(i + 1));
        }
        const QJsonObject properties = feature.value(u"properties").toObject();
        Checkpoint c;
        const QJsonValue name = properties.value(u"name");
        c.name = name.isDouble() ? QString::number(name.toDouble()) : name.toString();
        c.longitude = xy[0].toDouble();
        c.latitude = xy[1].toDouble();
        const QJsonValue radius = properties.value(u"radius_m");
        if (radius.isDouble()) {
            c.radiusM = radius.toDouble();
        } else if (!radius.isUndefined() && !radius.isNull()) {
            return failed(QStringLiteral("%1, feature %2: radius_m is not a number of metres")
                              .arg(file)
                              .arg(i + 1));
        }
        cps.append(c);
    }
    return checked(cps, {}, file);
}

} // namespace

CheckpointList parseCheckpoints(const QByteArray& content, const QString& name)
{
    QByteArray text = content;
    if (text.startsWith("\xEF\xBB\xBF")) { // a byte order mark, as spreadsheets save
        text.remove(0, 3);
    }
    const QByteArray start = text.trimmed().left(1);
    if (start == "<") {
        return parseGpx(text, name);
    }
    if (start == "{") {
        return parseGeoJson(text, name);
    }
    return parseCsv(text, name);
}

CheckpointList readCheckpoints(const QString& path)
{
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (QFileInfo(path).isDir()) {
        return failed(QStringLiteral("%1 is a folder, not a checkpoint file").arg(path));
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    }
    // A checkpoint file is small; anything larger is not one.
    constexpr qint64 kLargest = 16 * 1024 * 1024;
    if (file.size() > kLargest) {
        return failed(QStringLiteral("%1 is too large for a checkpoint file").arg(path));
    }
    return parseCheckpoints(file.readAll(), name);
}

QByteArray checkpointsCsv(const QList<Checkpoint>& checkpoints)
{
    const bool radius = std::any_of(checkpoints.begin(), checkpoints.end(),
                                    [](const Checkpoint& c) { return c.radiusM.has_value(); });
    QByteArray out = radius ? "name,latitude,longitude,radius_m\n" : "name,latitude,longitude\n";
    for (const Checkpoint& c : checkpoints) {
        QByteArray name = c.name.toUtf8().replace('\n', ' ').replace('\r', ' ');
        if (name.contains(',') || name.contains('"')) {
            name = '"' + name.replace("\"", "\"\"") + '"';
        }
        out += name + ',' + QByteArray::number(c.latitude, 'f', 7) + ',' +
               QByteArray::number(c.longitude, 'f', 7);
        if (radius) {
            out += ',';
            if (c.radiusM) {
                out += QByteArray::number(*c.radiusM, 'g', 6);
            }
        }
        out += '\n';
    }
    return out;
}

} // namespace route
