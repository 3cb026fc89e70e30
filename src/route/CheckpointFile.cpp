// Reading checkpoint files in the three forms GIS tools write, and the CSV.

#include "CheckpointFile.h"

#include "SystemFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace route {

namespace {

constexpr qsizetype kMostCheckpoints = 1000;
constexpr double kLargestRadiusM = 1000.0;
// A checkpoint file is small; anything larger is not one.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;
// A name is a street or a landmark, shown on one line of the window.
constexpr qsizetype kLongestName = 200;
// What a message quotes of an offending field: enough to recognise it.
constexpr qsizetype kQuotedChars = 60;
// GIS tools write GPX without entities of their own; this leaves room for a
// hand-made file's few while a file using one many times is refused before
// it is expanded (each use may stay under the reader's per-entity limit).
constexpr qint64 kMostEntityChars = 1024 * 1024;
// Two checkpoints closer than this give the route no direction between them.
constexpr double kClosestApartM = 1.0;

// A number as text, '.' as the decimal point; nothing for anything else.
std::optional<double> number(QByteArrayView text)
{
    text = text.trimmed();
    if (text.size() > 64) {
        return std::nullopt; // far more digits than a double holds: not copied to find out
    }
    bool ok = false;
    const double v = text.toByteArray().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

// At most kQuotedChars characters of a field, so that a message stays
// readable whatever the file holds.
QString quoted(QByteArrayView text)
{
    const QString s = QString::fromUtf8(text.first(qMin(text.size(), kQuotedChars * 4)));
    return s.size() > kQuotedChars ? s.first(kQuotedChars) + u'\u2026' : s;
}

QString tooMany(const QString& file)
{
    return QStringLiteral("%1: more than %2 checkpoints; a route may have at most %2")
        .arg(file)
        .arg(kMostCheckpoints);
}

QString nameTooLong(const QString& where)
{
    return QStringLiteral("%1: a name longer than %2 characters").arg(where).arg(kLongestName);
}

double metresApart(const Checkpoint& a, const Checkpoint& b)
{
    constexpr double kEarthRadiusM = 6371008.8;
    constexpr double kRadian = M_PI / 180.0;
    const double dLat = (b.latitude - a.latitude) * kRadian;
    // The short way round: 179.9 and -179.9 are neighbours.
    const double dLon = std::remainder(b.longitude - a.longitude, 360.0) * kRadian *
                        std::cos((a.latitude + b.latitude) / 2 * kRadian);
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
    // A stretch of plain characters is taken at once, not one by one.
    const auto upTo = [&line](qsizetype from, auto isEnd) {
        qsizetype end = from;
        while (end < line.size() && !isEnd(line[end])) {
            ++end;
        }
        return end;
    };
    for (qsizetype i = 0; i < line.size();) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.last().append('"');
            i += 2;
        } else if (c == '"') {
            quoted = !quoted;
            ++i;
        } else if (!quoted && c == ',') {
            fields.append(QByteArray());
            ++i;
        } else {
            const qsizetype end = quoted ? upTo(i, [](char k) { return k == '"'; })
                                         : upTo(i, [](char k) { return k == ',' || k == '"'; });
            fields.last().append(line.sliced(i, end - i));
            i = end;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

CheckpointList parseCsv(QByteArrayView content, const QString& file)
{
    // name, latitude, longitude, radius_m, ffs_mph, signal
    int column[6] = {-1, -1, -1, -1, -1, -1};
    const char* const kNames[] = {"name", "latitude", "longitude", "radius_m", "ffs_mph", "signal"};
    QList<Checkpoint> cps;
    QList<std::optional<double>> ffs;
    QList<int> lines;
    bool headerSeen = false;
    int line = 0;
    // A line at a time, in place: the file is not copied line by line.
    for (qsizetype from = 0; from < content.size();) {
        ++line;
        qsizetype end = content.indexOf('\n', from);
        if (end < 0) {
            end = content.size();
        }
        QByteArrayView row = content.sliced(from, end - from);
        from = end + 1;
        if (row.endsWith('\r')) {
            row.chop(1);
        }
        if (row.isEmpty() || row.trimmed().isEmpty()) {
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
                for (int k = 0; k < 6; ++k) {
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
        if (cps.size() == kMostCheckpoints) {
            return failed(tooMany(file));
        }
        const auto field = [&](int k) {
            return column[k] >= 0 ? fields->value(column[k]) : QByteArray();
        };
        Checkpoint c;
        c.name = QString::fromUtf8(field(0)).trimmed();
        if (c.name.size() > kLongestName) {
            return failed(nameTooLong(QStringLiteral("%1, line %2").arg(file).arg(line)));
        }
        const std::optional<double> lat = number(field(1));
        const std::optional<double> lon = number(field(2));
        if (!lat || !lon) {
            return failed(QStringLiteral("%1, line %2: \"%3\" is not a latitude and longitude in "
                                         "decimal degrees, such as 40.7128,-74.0060")
                              .arg(file)
                              .arg(line)
                              .arg(quoted(field(1).left(kQuotedChars * 4) + ',' +
                                          field(2).left(kQuotedChars * 4))));
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
                        .arg(quoted(field(3))));
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
                                  .arg(quoted(field(4))));
            }
        }
        if (!field(5).trimmed().isEmpty()) {
            bool ok = false;
            c.signal = field(5).trimmed().toInt(&ok);
            if (!ok) {
                return failed(QStringLiteral("%1, line %2: signal \"%3\" is not an intersection "
                                             "number")
                                  .arg(file)
                                  .arg(line)
                                  .arg(quoted(field(5))));
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

// "&name;" at i, its name; empty when there is none.
QByteArrayView entityAt(QByteArrayView text, qsizetype i)
{
    // A name is short: looking further would make many '&' cost the square.
    const QByteArrayView after = text.sliced(i + 1, qMin<qsizetype>(text.size() - i - 1, 257));
    const qsizetype end = after.indexOf(';');
    if (end < 0) {
        return {};
    }
    const QByteArrayView name = after.first(end);
    const bool plain = !name.isEmpty() && std::none_of(name.begin(), name.end(), [](char c) {
        return c == '&' || c == '<' || c == '>' || c == ' ' || c == '\n' || c == '"';
    });
    return plain ? name : QByteArrayView();
}

// How many characters the declared entities would produce in text, each
// use counted at its full expansion (nested uses included); stops counting
// past the limit. A use that cannot be worked out (a loop) counts as too
// many. Uses in comments or the declarations themselves are counted too:
// the count may only be too high, never too low.
qint64 entityChars(QByteArrayView text, const QHash<QByteArray, QByteArray>& values,
                   QHash<QByteArray, qint64>& sizes, int depth)
{
    qint64 total = 0;
    for (qsizetype i = text.indexOf('&'); i >= 0 && total <= kMostEntityChars;
         i = text.indexOf('&', i + 1)) {
        const QByteArray name = entityAt(text, i).toByteArray();
        const auto value = values.constFind(name);
        if (name.isEmpty() || value == values.cend()) {
            continue; // a character reference, or one of XML's own: one character
        }
        auto size = sizes.constFind(name);
        if (size == sizes.cend()) {
            const qint64 inner =
                depth > 16 ? kMostEntityChars + 1 : entityChars(*value, values, sizes, depth + 1);
            size = sizes.insert(name, value->size() + inner);
        }
        total += *size;
    }
    return total;
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
        if (xml.isDTD() && !xml.entityDeclarations().isEmpty()) {
            // The declarations come before anything uses them: what they
            // would cost is known before one is expanded.
            QHash<QByteArray, QByteArray> values;
            for (const QXmlStreamEntityDeclaration& e : xml.entityDeclarations()) {
                values.insert(e.name().toUtf8(), e.value().toUtf8());
            }
            QHash<QByteArray, qint64> sizes;
            if (entityChars(content, values, sizes, 0) > kMostEntityChars) {
                return failed(QStringLiteral("%1: its entities would make more than %2 "
                                             "characters; a GPX file has no need of them")
                                  .arg(file)
                                  .arg(kMostEntityChars));
            }
        }
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
                if (into.size() == kMostCheckpoints) {
                    return failed(tooMany(file));
                }
                (tag == u"wpt" ? waypointLines : routeLines).append(line);
                into.append(Checkpoint{{}, *lat, *lon, {}, {}});
                open = &into.last();
            } else if (tag == u"name" && open) {
                const int line = int(xml.lineNumber());
                open->name = xml.readElementText().trimmed();
                if (open->name.size() > kLongestName) {
                    return failed(nameTooLong(QStringLiteral("%1, line %2").arg(file).arg(line)));
                }
            }
        } else if (xml.isEndElement() && (xml.name() == u"wpt" || xml.name() == u"rtept")) {
            open = nullptr;
        }
    }
    if (xml.hasError()) {
        return failed(QStringLiteral("%1, line %2: not readable as GPX: %3")
                          .arg(file)
                          .arg(xml.lineNumber())
                          .arg(quoted(xml.errorString().toUtf8())));
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
    // The whole name, in the forms tools write: EPSG:43260 is not 4326.
    static const QRegularExpression kWgs84(
        QStringLiteral("^(urn:ogc:def:crs:(OGC:[^:]*:CRS84|EPSG:[^:]*:4326)|EPSG:4326|CRS84|"
                       "https?://www\\.opengis\\.net/def/crs/(OGC/[^/]+/CRS84|EPSG/[^/]+/4326))$"),
        QRegularExpression::CaseInsensitiveOption);
    if (!crs.isEmpty() && !kWgs84.match(crs).hasMatch()) {
        return failed(QStringLiteral("%1: its coordinates are in %2; save it in WGS 84 "
                                     "(EPSG:4326) longitude and latitude")
                          .arg(file, quoted(crs.toUtf8())));
    }
    QList<Checkpoint> cps;
    const QJsonArray features = top.value(u"features").toArray();
    if (features.size() > kMostCheckpoints) {
        return failed(tooMany(file));
    }
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
        if (c.name.size() > kLongestName) {
            return failed(nameTooLong(QStringLiteral("%1, feature %2").arg(file).arg(i + 1)));
        }
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
        const QJsonValue signal = properties.value(u"signal");
        if (signal.isDouble()) {
            c.signal = signal.toInt();
        }
        cps.append(c);
    }
    return checked(cps, {}, file);
}

} // namespace

CheckpointList parseCheckpoints(const QByteArray& content, const QString& name)
{
    QByteArrayView text = content;
    if (text.startsWith("\xEF\xBB\xBF")) { // a byte order mark, as spreadsheets save
        text = text.sliced(3);
    }
    // Said plainly: read as UTF-8 these would give a puzzling message.
    if (text.startsWith("\xFF\xFE") || text.startsWith("\xFE\xFF") || text.contains('\0')) {
        return failed(QStringLiteral("%1 is not UTF-8 text (UTF-16, or NUL bytes in it); save it "
                                     "as UTF-8")
                          .arg(name));
    }
    const QByteArrayView start = text.trimmed().first(qMin<qsizetype>(1, text.trimmed().size()));
    // Copied only when a byte order mark is left out: the file may be 16 MB.
    const auto whole = [&] { return text.size() == content.size() ? content : text.toByteArray(); };
    if (start == "<") {
        return parseGpx(whole(), name);
    }
    if (start == "{") {
        return parseGeoJson(whole(), name);
    }
    if (!text.contains('\n') && text.contains('\r')) {
        return failed(QStringLiteral("%1: its lines end in CR alone, as on old Macs; save it with "
                                     "LF or CR LF line ends")
                          .arg(name));
    }
    return parseCsv(text, name);
}

CheckpointList readCheckpoints(const QString& path)
{
    QFile file;
    QString why;
    switch (openRegularFile(file, path, &why)) {
    case RegularFile::Opened:
        break;
    case RegularFile::Folder:
        return failed(QStringLiteral("%1 is a folder, not a checkpoint file").arg(path));
    case RegularFile::NotRegular:
        return failed(
            QStringLiteral("%1 is not a file on disk (a pipe, device or socket), so it is not "
                           "read as a checkpoint file")
                .arg(path));
    case RegularFile::Missing:
    case RegularFile::Failed:
        return failed(QStringLiteral("%1 cannot be read: %2").arg(path, why));
    }
    // Never more than the limit, whatever size the file claims or grows to.
    const QByteArray content = file.read(kLargestFile + 1);
    if (content.size() > kLargestFile) {
        return failed(QStringLiteral("%1 is too large for a checkpoint file (over %2 MB)")
                          .arg(path)
                          .arg(kLargestFile / (1024 * 1024)));
    }
    return parseCheckpoints(content, QFileInfo(path).fileName());
}

QByteArray checkpointsCsv(const QList<Checkpoint>& checkpoints)
{
    const bool radius = std::any_of(checkpoints.begin(), checkpoints.end(),
                                    [](const Checkpoint& c) { return c.radiusM.has_value(); });
    const bool signal = std::any_of(checkpoints.begin(), checkpoints.end(),
                                    [](const Checkpoint& c) { return c.signal.has_value(); });
    QByteArray out = "name,latitude,longitude";
    out += radius ? ",radius_m" : "";
    out += signal ? ",signal\n" : "\n";
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
        if (signal) {
            out += ',';
            if (c.signal) {
                out += QByteArray::number(*c.signal);
            }
        }
        out += '\n';
    }
    return out;
}

} // namespace route
