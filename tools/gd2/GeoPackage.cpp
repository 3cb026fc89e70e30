// The GeoPackage export, written by SQLite: the tables a GeoPackage 1.2
// reader expects, its binary geometries, and QGIS styles for the stretches.

#include "GeoPackage.h"

#include "Cli.h"
#include "Summary.h"
#include "TextFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QPointF>
#include <QTemporaryFile>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <numeric>
#include <sqlite3.h>
#include <variant>

namespace gd2 {

namespace {

constexpr int kWgs84 = 4326;
constexpr int kApplicationId = 0x47504B47; // "GPKG"
constexpr int kUserVersion = 10200;        // 1.2.0

// A cell: none, a whole number, a number or text.
using Value = std::variant<std::monostate, qint64, double, QString>;

// A float as the shortest decimal that reads back as it: what the CSV shows.
double decimal(float f)
{
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, f).ptr;
    double d = 0.0;
    std::from_chars(text, end, d);
    return d;
}

// Rounded as the CSV's fixed decimals are.
double rounded(double v, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}

Value textOrNull(const QString& s)
{
    return s.isEmpty() ? Value() : Value(s);
}

// A CSV cell as the column's kind keeps it; a count the CSV gives as a
// bound (">N") is no number and stays empty.
Value typed(const QString& cell, Kind kind)
{
    if (cell.isEmpty()) {
        return {};
    }
    bool ok = false;
    if (kind == Kind::Integer) {
        const qint64 n = cell.toLongLong(&ok);
        return ok ? Value(n) : Value();
    }
    if (kind == Kind::Real) {
        const double d = cell.toDouble(&ok);
        return ok ? Value(d) : Value();
    }
    return cell;
}

const char* sqlType(Kind kind)
{
    switch (kind) {
    case Kind::Integer:
        return "INTEGER";
    case Kind::Text:
        return "TEXT";
    case Kind::DateTime:
        return "DATETIME";
    case Kind::Real:
        break;
    }
    return "REAL";
}

QString quoted(const QString& name)
{
    return u'"' + name + u'"';
}

// The bounds of geometries, in degrees.
struct Box
{
    double minX = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    bool empty() const { return minX > maxX; }
    void add(double x, double y)
    {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    void add(const Box& b)
    {
        if (!b.empty()) {
            add(b.minX, b.minY);
            add(b.maxX, b.maxY);
        }
    }
};

template <typename T> void put(QByteArray& bytes, T v)
{
    const T le = qToLittleEndian(v);
    bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void putDouble(QByteArray& bytes, double v)
{
    put(bytes, std::bit_cast<quint64>(v));
}

double doubleAt(const QByteArray& bytes, qsizetype at)
{
    return std::bit_cast<double>(qFromLittleEndian<quint64>(bytes.constData() + at));
}

// A GeoPackage geometry: "GP", version 0, flags (little-endian, an xy
// envelope), the system's id and the envelope, then well-known binary.
struct Geometry
{
    QByteArray blob;
    Box box;

    static constexpr qsizetype kHeader = 40;

    static Geometry of(quint32 wkbType, const QList<QPointF>& points)
    {
        Geometry g;
        for (const QPointF& p : points) {
            g.box.add(p.x(), p.y());
        }
        g.blob.reserve(kHeader + 9 + 16 * points.size());
        g.blob.append("GP", 2);
        g.blob.append(char(0));
        g.blob.append(char(0x03));
        put(g.blob, qint32(kWgs84));
        for (double v : {g.box.minX, g.box.maxX, g.box.minY, g.box.maxY}) {
            putDouble(g.blob, v);
        }
        g.blob.append(char(1));
        put(g.blob, wkbType);
        if (wkbType == 2) {
            put(g.blob, quint32(points.size()));
        }
        for (const QPointF& p : points) {
            putDouble(g.blob, p.x());
            putDouble(g.blob, p.y());
        }
        return g;
    }
    static Geometry point(double x, double y) { return of(1, {QPointF(x, y)}); }
    // Nothing for fewer than two points: no line.
    static Geometry line(const QList<QPointF>& points)
    {
        return points.size() < 2 ? Geometry() : of(2, points);
    }
    // One read back from its table.
    static Geometry stored(const QByteArray& blob)
    {
        Geometry g;
        if (blob.size() >= kHeader) {
            g.blob = blob;
            g.box.add(doubleAt(blob, 8), doubleAt(blob, 24));
            g.box.add(doubleAt(blob, 16), doubleAt(blob, 32));
        }
        return g;
    }
};

struct Finalize
{
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

// The SQLite file; the first failure is kept, and everything after it is
// left undone.
class Package
{
public:
    explicit Package(const QString& path)
    {
        // One thread only: no locks taken per call.
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            fail();
        }
    }
    // A statement still open keeps the file open until it is finalised.
    ~Package() { sqlite3_close_v2(db_); }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    void exec(const QString& sql)
    {
        if (ok() &&
            sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            fail();
        }
    }
    Statement prepare(const QString& sql)
    {
        sqlite3_stmt* s = nullptr;
        if (ok() &&
            sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) {
            fail();
        }
        return Statement(s);
    }
    void bind(sqlite3_stmt* s, int k, const Value& v)
    {
        if (!ok()) {
            return;
        }
        int rc = SQLITE_OK;
        if (const auto* n = std::get_if<qint64>(&v)) {
            rc = sqlite3_bind_int64(s, k, *n);
        } else if (const auto* d = std::get_if<double>(&v)) {
            rc = std::isfinite(*d) ? sqlite3_bind_double(s, k, *d) : sqlite3_bind_null(s, k);
        } else if (const auto* t = std::get_if<QString>(&v)) {
            const QByteArray utf8 = t->toUtf8();
            rc = sqlite3_bind_text(s, k, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        } else {
            rc = sqlite3_bind_null(s, k);
        }
        if (rc != SQLITE_OK) {
            fail();
        }
    }
    void bindBlob(sqlite3_stmt* s, int k, const QByteArray& blob)
    {
        if (ok() && (blob.isEmpty() ? sqlite3_bind_null(s, k)
                                    : sqlite3_bind_blob(s, k, blob.constData(), int(blob.size()),
                                                        SQLITE_TRANSIENT)) != SQLITE_OK) {
            fail();
        }
    }
    // Runs a statement that gives no rows, ready for the next, which binds
    // every value again.
    void run(sqlite3_stmt* s)
    {
        if (!s) {
            return;
        }
        if (ok() && sqlite3_step(s) != SQLITE_DONE) {
            fail();
        }
        sqlite3_reset(s);
    }
    // The first column of the one row a statement gives, as bytes.
    QByteArray blobOf(sqlite3_stmt* s)
    {
        QByteArray out;
        if (!s) {
            return out;
        }
        if (ok() && sqlite3_step(s) == SQLITE_ROW) {
            const auto* data = static_cast<const char*>(sqlite3_column_blob(s, 0));
            out = QByteArray(data, sqlite3_column_bytes(s, 0));
        }
        sqlite3_reset(s);
        return out;
    }
    qint64 lastRow() const { return sqlite3_last_insert_rowid(db_); }
    bool close()
    {
        if (sqlite3_close(db_) != SQLITE_OK) {
            fail();
            return false;
        }
        db_ = nullptr;
        return ok();
    }

private:
    void fail()
    {
        if (ok()) {
            error_ = db_ ? QString::fromUtf8(sqlite3_errmsg(db_))
                         : QStringLiteral("out of memory for the database");
        }
    }
    sqlite3* db_ = nullptr;
    QString error_;
};

// A column of a layer: its name (the CSV's), how it is kept, and its cell.
template <typename Row> struct Field
{
    QString name;
    Kind kind;
    std::function<Value(const Row&)> value;
};

// A feature table, registered with its geometry column and, once written,
// its extent.
template <typename Row> class Layer
{
public:
    Layer(Package& p, const QString& name, const QString& geometryType, const QString& description,
          QList<Field<Row>> fields)
        : p_(p), name_(name), fields_(std::move(fields))
    {
        QStringList columns{QStringLiteral("fid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL"),
                            QStringLiteral("geom ") + geometryType};
        QStringList names{QStringLiteral("geom")};
        for (const Field<Row>& f : fields_) {
            columns << quoted(f.name) + u' ' + QLatin1String(sqlType(f.kind));
            names << quoted(f.name);
        }
        p_.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(name), columns.join(u',')));
        Statement content = p_.prepare(
            QStringLiteral("INSERT INTO gpkg_contents (table_name, data_type, identifier, "
                           "description, srs_id) VALUES (?1, 'features', ?1, ?2, ?3)"));
        p_.bind(content.get(), 1, name);
        p_.bind(content.get(), 2, description);
        p_.bind(content.get(), 3, qint64(kWgs84));
        p_.run(content.get());
        Statement column = p_.prepare(
            QStringLiteral("INSERT INTO gpkg_geometry_columns VALUES (?, 'geom', ?, ?, 0, 0)"));
        p_.bind(column.get(), 1, name);
        p_.bind(column.get(), 2, geometryType);
        p_.bind(column.get(), 3, qint64(kWgs84));
        p_.run(column.get());
        insert_ = p_.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (?%3)")
                                 .arg(quoted(name), names.join(u','),
                                      QStringLiteral(",?").repeated(fields_.size())));
    }

    // The feature's id.
    qint64 add(const Row& row, const Geometry& g)
    {
        sqlite3_stmt* s = insert_.get();
        p_.bindBlob(s, 1, g.blob);
        for (qsizetype k = 0; k < fields_.size(); ++k) {
            p_.bind(s, int(k + 2), fields_[k].value(row));
        }
        p_.run(s);
        extent_.add(g.box);
        return p_.lastRow();
    }

    void finish()
    {
        insert_.reset();
        Statement s = p_.prepare(QStringLiteral(
            "UPDATE gpkg_contents SET min_x = ?, min_y = ?, max_x = ?, max_y = ?, last_change = "
            "strftime('%Y-%m-%dT%H:%M:%fZ', 'now') WHERE table_name = ?"));
        const bool any = !extent_.empty();
        const double corners[] = {extent_.minX, extent_.minY, extent_.maxX, extent_.maxY};
        for (int k = 0; k < 4; ++k) {
            p_.bind(s.get(), k + 1, any ? Value(corners[k]) : Value());
        }
        p_.bind(s.get(), 5, name_);
        p_.run(s.get());
    }

private:
    Package& p_;
    QString name_;
    QList<Field<Row>> fields_;
    Statement insert_;
    Box extent_;
};

// The core tables of a GeoPackage, with the systems it must define.
void createCore(Package& p)
{
    p.exec(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
    p.exec(QStringLiteral("PRAGMA user_version = %1").arg(kUserVersion));
    // Written to a file of its own and put in place once whole: a journal
    // would only slow it.
    p.exec(QStringLiteral("PRAGMA journal_mode = OFF"));
    p.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    p.exec(QStringLiteral(
        "CREATE TABLE gpkg_spatial_ref_sys (srs_name TEXT NOT NULL, srs_id INTEGER NOT NULL "
        "PRIMARY KEY, organization TEXT NOT NULL, organization_coordsys_id INTEGER NOT NULL, "
        "definition TEXT NOT NULL, description TEXT)"));
    p.exec(QStringLiteral(
        "INSERT INTO gpkg_spatial_ref_sys VALUES ('Undefined cartesian SRS', -1, 'NONE', -1, "
        "'undefined', 'undefined cartesian coordinate reference system'), ('Undefined "
        "geographic SRS', 0, 'NONE', 0, 'undefined', 'undefined geographic coordinate reference "
        "system'), ('WGS 84 geodetic', 4326, 'EPSG', 4326, 'GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\","
        "SPHEROID[\"WGS 84\",6378137,298.257223563,AUTHORITY[\"EPSG\",\"7030\"]],AUTHORITY["
        "\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],UNIT[\"degree\","
        "0.0174532925199433,AUTHORITY[\"EPSG\",\"9122\"]],AXIS[\"Latitude\",NORTH],AXIS["
        "\"Longitude\",EAST],AUTHORITY[\"EPSG\",\"4326\"]]', 'longitude/latitude coordinates in "
        "decimal degrees on the WGS 84 spheroid')"));
    p.exec(QStringLiteral(
        "CREATE TABLE gpkg_contents (table_name TEXT NOT NULL PRIMARY KEY, data_type TEXT NOT "
        "NULL, identifier TEXT UNIQUE, description TEXT DEFAULT '', last_change DATETIME NOT NULL "
        "DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')), min_x DOUBLE, min_y DOUBLE, max_x "
        "DOUBLE, max_y DOUBLE, srs_id INTEGER, CONSTRAINT fk_gc_r_srs_id FOREIGN KEY (srs_id) "
        "REFERENCES gpkg_spatial_ref_sys(srs_id))"));
    p.exec(QStringLiteral(
        "CREATE TABLE gpkg_geometry_columns (table_name TEXT NOT NULL, column_name TEXT NOT NULL, "
        "geometry_type_name TEXT NOT NULL, srs_id INTEGER NOT NULL, z TINYINT NOT NULL, m "
        "TINYINT NOT NULL, CONSTRAINT pk_geom_cols PRIMARY KEY (table_name, column_name), "
        "CONSTRAINT uk_gc_table_name UNIQUE (table_name), CONSTRAINT fk_gc_tn FOREIGN KEY "
        "(table_name) REFERENCES gpkg_contents(table_name), CONSTRAINT fk_gc_srs FOREIGN KEY "
        "(srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id))"));
}

// A QGIS style: the lines coloured by classes of a field's values.
struct ColourClass
{
    const char* lower;
    const char* upper;
    const char* label;
    const char* colour; // r,g,b
};

// Speeds of an urban street, red for crawling to green for free-flowing.
constexpr ColourClass kSpeedClasses[] = {
    {"0", "10", "under 10 mph", "215,48,39"},      {"10", "20", "10 to 20 mph", "252,141,89"},
    {"20", "30", "20 to 30 mph", "254,224,139"},   {"30", "40", "30 to 40 mph", "145,207,96"},
    {"40", "200", "40 mph and over", "26,152,80"},
};

QString lineSymbol(int k, const char* colour)
{
    return QStringLiteral(
               "<symbol type=\"line\" name=\"%1\" alpha=\"1\" clip_to_extent=\"1\" "
               "force_rhr=\"0\"><layer class=\"SimpleLine\" pass=\"0\" locked=\"0\" "
               "enabled=\"1\"><Option type=\"Map\"><Option name=\"line_color\" type=\"QString\" "
               "value=\"%2,255\"/><Option name=\"line_width\" type=\"QString\" value=\"1.6\"/>"
               "<Option name=\"line_width_unit\" type=\"QString\" value=\"MM\"/><Option "
               "name=\"capstyle\" type=\"QString\" value=\"round\"/><Option name=\"joinstyle\" "
               "type=\"QString\" value=\"round\"/></Option></layer></symbol>")
        .arg(k)
        .arg(QLatin1String(colour));
}

QString qml(const QString& renderer)
{
    return QStringLiteral("<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n"
                          "<qgis version=\"3.28.0\" styleCategories=\"Symbology\">%1</qgis>\n")
        .arg(renderer);
}

QString speedStyle(const QString& field)
{
    QString ranges;
    QString symbols;
    int k = 0;
    for (const ColourClass& c : kSpeedClasses) {
        ranges += QStringLiteral("<range lower=\"%1\" upper=\"%2\" symbol=\"%3\" label=\"%4\" "
                                 "render=\"true\"/>")
                      .arg(QLatin1String(c.lower), QLatin1String(c.upper))
                      .arg(k)
                      .arg(QLatin1String(c.label));
        symbols += lineSymbol(k++, c.colour);
    }
    return qml(QStringLiteral("<renderer-v2 type=\"graduatedSymbol\" attr=\"%1\" "
                              "graduatedMethod=\"GraduatedColor\" symbollevels=\"0\" "
                              "enableorderby=\"0\" forceraster=\"0\"><ranges>%2</ranges>"
                              "<symbols>%3</symbols></renderer-v2>")
                   .arg(field, ranges, symbols));
}

// Levels of service, green for A to red for F.
constexpr std::pair<const char*, const char*> kLosColours[] = {
    {"A", "26,152,80"},   {"B", "145,207,96"}, {"C", "217,239,139"},
    {"D", "254,224,139"}, {"E", "252,141,89"}, {"F", "215,48,39"},
};

QString losStyle()
{
    QString categories;
    QString symbols;
    int k = 0;
    for (const auto& [los, colour] : kLosColours) {
        categories += QStringLiteral("<category value=\"%1\" symbol=\"%2\" label=\"LOS %1\" "
                                     "render=\"true\"/>")
                          .arg(QLatin1String(los))
                          .arg(k);
        symbols += lineSymbol(k++, colour);
    }
    return qml(QStringLiteral("<renderer-v2 type=\"categorizedSymbol\" attr=\"los\" "
                              "symbollevels=\"0\" enableorderby=\"0\" forceraster=\"0\">"
                              "<categories>%1</categories><symbols>%2</symbols></renderer-v2>")
                   .arg(categories, symbols));
}

struct Style
{
    QString layer;
    QString name;
    QString qml;
    bool byDefault;
};

// QGIS's table of styles, registered so that the file stays a GeoPackage.
void writeStyles(Package& p, const QList<Style>& styles)
{
    p.exec(QStringLiteral(
        "CREATE TABLE layer_styles (id INTEGER PRIMARY KEY AUTOINCREMENT, f_table_catalog "
        "TEXT(256), f_table_schema TEXT(256), f_table_name TEXT(256), f_geometry_column "
        "TEXT(256), styleName TEXT(30), styleQML TEXT, styleSLD TEXT, useAsDefault BOOLEAN, "
        "description TEXT, owner TEXT(30), ui TEXT(30), update_time DATETIME DEFAULT "
        "(strftime('%Y-%m-%dT%H:%M:%fZ','now')))"));
    p.exec(QStringLiteral("INSERT INTO gpkg_contents (table_name, data_type, identifier, "
                          "description) VALUES ('layer_styles', 'attributes', 'layer_styles', "
                          "'QGIS styles of the stretch layers')"));
    Statement s = p.prepare(QStringLiteral(
        "INSERT INTO layer_styles (f_table_catalog, f_table_schema, f_table_name, "
        "f_geometry_column, styleName, styleQML, styleSLD, useAsDefault, description) VALUES "
        "('', '', ?, 'geom', ?, ?, '', ?, ?)"));
    for (const Style& style : styles) {
        p.bind(s.get(), 1, style.layer);
        p.bind(s.get(), 2, style.name);
        p.bind(s.get(), 3, style.qml);
        p.bind(s.get(), 4, qint64(style.byDefault ? 1 : 0));
        p.bind(s.get(), 5, QStringLiteral("%1 coloured by %2").arg(style.layer, style.name));
        p.run(s.get());
    }
}

// The layers' rows.
struct FixRow
{
    const QString& study;
    qsizetype record;
    const FixRecord& r;
    std::optional<qint64> stamp;
    UtcOffsets& offsets;
};

struct RunRow
{
    const QString& study;
    const RunReport& run;
    const Stretch* stretch; // none: the whole run
    UtcOffsets& offsets;
    const MeasureOptions& measures;
    // The delay at the node that ends the stretch, when it has one.
    const NodeDelay* delay = nullptr;
};

struct SummaryFeature
{
    SummaryLine line;
    QString drawnFrom;
};

struct NodeRow
{
    QString direction;
    qint16 node;
    qsizetype marks;
    double spreadMetres;
};

Value utcTime(const std::optional<qint64>& stamp, UtcOffsets& offsets)
{
    return stamp ? Value(isoUtcMs(*stamp, offsets.at(*stamp))) : Value();
}

QList<Field<FixRow>> fixFields()
{
    using R = const FixRow&;
    return {
        {"study", Kind::Text, [](R f) { return Value(f.study); }},
        {"record", Kind::Integer, [](R f) { return Value(qint64(f.record)); }},
        {"run", Kind::Integer, [](R f) { return Value(qint64(f.r.RunNum)); }},
        {"direction", Kind::Text, [](R f) { return textOrNull(directionCode(f.r.RunDir)); }},
        {"node", Kind::Integer, [](R f) { return Value(qint64(f.r.NodeNum)); }},
        {"delay", Kind::Integer,
         [](R f) {
             return f.r.DelayNum == missing::kInteger ? Value() : Value(qint64(f.r.DelayNum));
         }},
        {"time", Kind::DateTime, [](R f) { return utcTime(f.stamp, f.offsets); }},
        {"speed_mph", Kind::Real,
         [](R f) { return speedOf(f.r) ? Value(decimal(f.r.SpeedMph)) : Value(); }},
        {"course", Kind::Real,
         [](R f) { return courseOf(f.r) ? Value(decimal(f.r.Course)) : Value(); }},
        {"fix_quality", Kind::Integer,
         [](R f) { return f.r.FixQuality < 0 ? Value() : Value(qint64(f.r.FixQuality)); }},
        {"satellites", Kind::Integer,
         [](R f) { return f.r.NumSats < 0 ? Value() : Value(qint64(f.r.NumSats)); }},
        {"hdop", Kind::Real, [](R f) { return hdopOf(f.r) ? Value(decimal(f.r.HDOP)) : Value(); }},
    };
}

// The report's columns, for a whole run or for one of its stretches.
QList<Field<RunRow>> runFields(bool stretches)
{
    using R = const RunRow&;
    const auto travel = [](R r) { return r.stretch ? r.stretch->travelMs : r.run.durationMs(); };
    const auto metres = [](R r) { return r.stretch ? r.stretch->metres : r.run.metres; };
    QList<Field<RunRow>> fields{
        {"study", Kind::Text, [](R r) { return Value(r.study); }},
        {"run", Kind::Integer, [](R r) { return Value(qint64(r.run.number)); }},
        {"direction", Kind::Text, [](R r) { return textOrNull(directionCode(r.run.direction)); }},
    };
    if (stretches) {
        fields << Field<RunRow>{"stretch", Kind::Integer,
                                [](R r) { return Value(qint64(r.stretch->node)); }}
               << Field<RunRow>{"from", Kind::Text, [](R r) { return Value(r.stretch->from); }}
               << Field<RunRow>{"to", Kind::Text, [](R r) { return Value(r.stretch->to); }}
               << Field<RunRow>{"start", Kind::DateTime,
                                [](R r) { return utcTime(r.stretch->start, r.offsets); }};
    } else {
        fields << Field<RunRow>{"start", Kind::DateTime,
                                [](R r) { return utcTime(r.run.start, r.offsets); }}
               << Field<RunRow>{"end", Kind::DateTime,
                                [](R r) { return utcTime(r.run.end, r.offsets); }};
    }
    fields << Field<RunRow>{"travel_time_s", Kind::Real,
                            [travel](R r) {
                                const auto ms = travel(r);
                                return ms ? Value(double(*ms) / 1000.0) : Value();
                            }}
           << Field<RunRow>{"distance_mi", Kind::Real,
                            [metres](R r) { return Value(rounded(metres(r) / kMetresPerMile, 3)); }}
           << Field<RunRow>{"distance_km", Kind::Real,
                            [metres](R r) { return Value(rounded(metres(r) / 1000.0, 3)); }}
           << Field<RunRow>{"avg_speed_mph", Kind::Real,
                            [travel, metres](R r) {
                                const auto mph = averageMph(metres(r), travel(r));
                                return mph ? Value(rounded(*mph, 1)) : Value();
                            }}
           << Field<RunRow>{"stops", Kind::Integer,
                            [](R r) {
                                return Value(qint64(r.stretch ? r.stretch->stops : r.run.stops));
                            }}
           << Field<RunRow>{"stopped_s", Kind::Real,
                            [](R r) {
                                return Value(
                                    double(r.stretch ? r.stretch->stoppedMs : r.run.stoppedMs) /
                                    1000.0);
                            }}
           << Field<RunRow>{"fixes", Kind::Integer,
                            [](R r) {
                                return Value(qint64(r.stretch ? r.stretch->fixes : r.run.fixes));
                            }}
           << Field<RunRow>{"incomplete_fixes", Kind::Integer,
                            [](R r) {
                                return Value(
                                    qint64(r.stretch ? r.stretch->incomplete : r.run.incomplete));
                            }}
           << Field<RunRow>{"delays", Kind::Text, [](R r) {
                                QStringList numbers;
                                if (r.stretch) {
                                    for (qint16 d : r.stretch->delays) {
                                        numbers << QString::number(d);
                                    }
                                } else {
                                    for (const Delay& d : r.run.delays) {
                                        numbers << QString::number(d.number);
                                    }
                                }
                                return textOrNull(numbers.join(u' '));
                            }};
    if (!stretches) {
        return fields;
    }
    // The stretch's speeds, stops and level of service, then the delay at
    // the node it ends at.
    const auto optional = [](std::optional<double> v, int decimals) {
        return v ? Value(rounded(*v, decimals)) : Value();
    };
    fields << Field<RunRow>{"travel_speed_mph", Kind::Real,
                            [optional](R r) { return optional(travelSpeedMph(*r.stretch), 1); }}
           << Field<RunRow>{"running_speed_mph", Kind::Real,
                            [optional](R r) { return optional(runningSpeedMph(*r.stretch), 1); }}
           << Field<RunRow>{"stops_per_mile", Kind::Real,
                            [optional](R r) { return optional(stopsPerMile(*r.stretch), 2); }}
           << Field<RunRow>{"los", Kind::Text, [](R r) {
                                return textOrNull(stretchLosOf(r.measures, r.stretch->to,
                                                               travelSpeedMph(*r.stretch)));
                            }};
    const auto delay = [](double NodeDelay::*part) {
        return [part](R r) { return r.delay ? Value(rounded(r.delay->*part, 1)) : Value(); };
    };
    fields << Field<RunRow>{"cruise_mph", Kind::Real,
                            [optional](R r) {
                                return r.delay ? optional(r.delay->cruiseMph, 1) : Value();
                            }}
           << Field<RunRow>{"control_delay_s", Kind::Real, delay(&NodeDelay::controlS)}
           << Field<RunRow>{"deceleration_delay_s", Kind::Real, delay(&NodeDelay::decelerationS)}
           << Field<RunRow>{"stopped_delay_s", Kind::Real, delay(&NodeDelay::stoppedS)}
           << Field<RunRow>{"acceleration_delay_s", Kind::Real, delay(&NodeDelay::accelerationS)}
           << Field<RunRow>{"intersection_los", Kind::Text, [](R r) {
                                return r.delay && r.delay->cruiseMph
                                           ? Value(intersectionLos(r.delay->controlS))
                                           : Value();
                            }};
    return fields;
}

QList<Field<SummaryFeature>> summaryFields(const Summary& s)
{
    QList<Field<SummaryFeature>> fields;
    for (const Column<SummaryLine>& c : summaryColumns(s)) {
        if (c.in(Output::Csv)) {
            fields << Field<SummaryFeature>{
                c.csv, c.kind, [cell = c.cell, kind = c.kind](const SummaryFeature& f) {
                    return typed(cell(f.line, Output::Csv), kind);
                }};
        }
    }
    fields << Field<SummaryFeature>{
        "line_run", Kind::Text, [](const SummaryFeature& f) { return textOrNull(f.drawnFrom); }};
    return fields;
}

QList<Field<NodeRow>> nodeFields()
{
    using R = const NodeRow&;
    return {
        {"direction", Kind::Text, [](R n) { return Value(n.direction); }},
        {"node", Kind::Integer, [](R n) { return Value(qint64(n.node)); }},
        {"marks", Kind::Integer, [](R n) { return Value(qint64(n.marks)); }},
        {"spread_m", Kind::Real, [](R n) { return Value(rounded(n.spreadMetres, 1)); }},
    };
}

// What is kept of a run while its records come: its positions (x the
// longitude), the stretch of each, and where each node was marked.
struct RunPath
{
    struct Point
    {
        QPointF at;
        qsizetype stretch;
    };
    QList<Point> points;
    QList<std::pair<qint16, QPointF>> marks;
    qsizetype stretch = -1;
    qint16 node = 0;
    bool markDue = false;

    // Each stretch's positions from its first to the next stretch's first,
    // as the run walk measures its distance; in one pass, as a file of
    // nonsense can have a stretch at every record.
    QList<QList<QPointF>> stretchLines(qsizetype stretches) const
    {
        QList<QList<QPointF>> lines(stretches);
        qsizetype k = 0;
        while (k < points.size() && points[k].stretch < stretches) {
            const qsizetype mine = points[k].stretch;
            QList<QPointF>& line = lines[mine];
            while (k < points.size() && points[k].stretch == mine) {
                line << points[k++].at;
            }
            if (k < points.size()) {
                line << points[k].at;
            }
        }
        return lines;
    }
};

QString directionGroupOf(qint16 dir)
{
    const QString code = directionCode(dir);
    return code.isEmpty() ? QStringLiteral("none") : code;
}

// The whole export, fed by the studies' readers.
class Writer
{
public:
    Writer(Package& p, const ExportOptions& options, const MeasureOptions& measures)
        : p_(p), options_(options), measures_(measures), offsets_(options),
          fixes_(p, QStringLiteral("fixes"), QStringLiteral("POINT"),
                 QStringLiteral("every fix with a position"), fixFields()),
          runs_(p, QStringLiteral("runs"), QStringLiteral("LINESTRING"),
                QStringLiteral("each run along its fixes"), runFields(false)),
          stretches_(p, QStringLiteral("stretches"), QStringLiteral("LINESTRING"),
                     QStringLiteral("each run's node stretches"), runFields(true))
    {
    }

    qsizetype records = 0;
    qsizetype withoutPosition = 0;

    bool addFile(Summary& summary, const QString& path, CliOutput& io)
    {
        study_ = QFileInfo(path).fileName();
        dating_ = RunDating();
        record_ = 0;
        path_ = RunPath();
        const qsizetype runsBefore = summary.runs.size();
        const qsizetype leftBefore = withoutPosition;
        const qsizetype recordsBefore = records;
        QMap<std::pair<QString, qint16>, QList<QPointF>> marks = marks_;
        p_.exec(QStringLiteral("SAVEPOINT study"));
        StudyHooks hooks;
        hooks.record = [&](const FixRecord& r) { addRecord(r); };
        hooks.run = [&](qsizetype k) { addRun(summary, k); };
        if (!addStudyFile(summary, path, false, io, hooks)) {
            // What was written of it goes with it.
            p_.exec(QStringLiteral("ROLLBACK TO study"));
            p_.exec(QStringLiteral("RELEASE study"));
            marks_ = marks;
            withoutPosition = leftBefore;
            records = recordsBefore;
            runFids_.resize(runsBefore);
            stretchFids_.resize(runsBefore);
            return false;
        }
        p_.exec(QStringLiteral("RELEASE study"));
        return true;
    }

    void finish(const Summary& summary)
    {
        fixes_.finish();
        runs_.finish();
        stretches_.finish();
        writeSummary(summary);
        writeNodes();
        // By speed first; by level of service too when there is one.
        QList<Style> styles{{QStringLiteral("stretch_summary"), QStringLiteral("speed"),
                             speedStyle(QStringLiteral("travel_speed_mph")), true},
                            {QStringLiteral("stretches"), QStringLiteral("speed"),
                             speedStyle(QStringLiteral("travel_speed_mph")), true}};
        if (measures_.hasFfs()) {
            styles << Style{QStringLiteral("stretch_summary"), QStringLiteral("level of service"),
                            losStyle(), false}
                   << Style{QStringLiteral("stretches"), QStringLiteral("level of service"),
                            losStyle(), false};
        }
        writeStyles(p_, styles);
    }

private:
    void addRecord(const FixRecord& r)
    {
        const RunDating::Dated d = dating_.next(r);
        ++record_;
        ++records;
        RunPath& run = path_;
        if (d.runStarts || run.stretch < 0 || r.NodeNum != run.node) {
            run.markDue = !d.runStarts && run.stretch >= 0 && r.NodeNum > run.node;
            run.stretch = d.runStarts ? 0 : run.stretch + 1;
            run.node = r.NodeNum;
        }
        if (!hasPosition(r)) {
            ++withoutPosition;
            return;
        }
        const double x = options_.west ? -r.Longitude : r.Longitude;
        const double y = options_.south ? -r.Latitude : r.Latitude;
        fixes_.add(FixRow{study_, record_, r, d.stamp, offsets_}, Geometry::point(x, y));
        run.points.append({QPointF(x, y), run.stretch});
        if (run.markDue) {
            run.marks.append({r.NodeNum, QPointF(x, y)});
            run.markDue = false;
        }
    }

    // Called as the run walk hands the run out: its records are all in.
    void addRun(const Summary& summary, qsizetype k)
    {
        const RunReport& rep = summary.runs[k].report;
        QList<QPointF> all;
        all.reserve(path_.points.size());
        for (const RunPath::Point& p : path_.points) {
            all << p.at;
        }
        runFids_.resize(k + 1);
        stretchFids_.resize(k + 1);
        runFids_[k] =
            runs_.add(RunRow{study_, rep, nullptr, offsets_, measures_}, Geometry::line(all));
        // The delay at the node a stretch ends at: the one marked where the
        // next stretch begins.
        QHash<std::pair<qint16, qint64>, const NodeDelay*> delays;
        for (const NodeDelay& d : rep.nodeDelays) {
            delays.insert({d.node, d.at}, &d);
        }
        const QList<QList<QPointF>> lines = path_.stretchLines(rep.stretches.size());
        for (qsizetype j = 0; j < rep.stretches.size(); ++j) {
            const Stretch* next = j + 1 < rep.stretches.size() ? &rep.stretches[j + 1] : nullptr;
            const NodeDelay* delay =
                next && next->start ? delays.value({next->node, *next->start}, nullptr) : nullptr;
            stretchFids_[k] << stretches_.add(
                RunRow{study_, rep, &rep.stretches[j], offsets_, measures_, delay},
                Geometry::line(lines[j]));
        }
        for (const auto& [node, at] : path_.marks) {
            marks_[{directionGroupOf(rep.direction), node}] << at;
        }
        path_ = RunPath();
    }

    // Each row drawn along the run nearest its median time that has a line
    // there.
    void writeSummary(const Summary& s)
    {
        Layer<SummaryFeature> layer(p_, QStringLiteral("stretch_summary"),
                                    QStringLiteral("LINESTRING"),
                                    QStringLiteral("travel-time statistics per direction, period "
                                                   "and stretch"),
                                    summaryFields(s));
        Statement runGeom = p_.prepare(QStringLiteral("SELECT geom FROM runs WHERE fid = ?"));
        Statement stretchGeom =
            p_.prepare(QStringLiteral("SELECT geom FROM stretches WHERE fid = ?"));
        for (const SummaryGroup& g : s.groups) {
            for (const SummaryRow& r : g.rows) {
                QList<qsizetype> order(r.runs.size());
                std::iota(order.begin(), order.end(), 0);
                std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
                    return std::fabs(r.seconds[a] - r.time.median) <
                           std::fabs(r.seconds[b] - r.time.median);
                });
                Geometry line;
                QString drawnFrom;
                for (qsizetype i : order) {
                    const qsizetype k = r.runs[i];
                    qint64 fid = runFids_[k];
                    sqlite3_stmt* query = runGeom.get();
                    if (!r.isRun()) {
                        const auto& st = s.runs[k].report.stretches;
                        const auto found =
                            std::find_if(st.cbegin(), st.cend(), [&](const Stretch& x) {
                                return x.from == r.from && x.to == r.to;
                            });
                        fid = stretchFids_[k][found - st.cbegin()];
                        query = stretchGeom.get();
                    }
                    p_.bind(query, 1, Value(fid));
                    line = Geometry::stored(p_.blobOf(query));
                    if (!line.blob.isEmpty()) {
                        drawnFrom = s.runs[k].label;
                        break;
                    }
                }
                layer.add(SummaryFeature{SummaryLine{s, g, r}, drawnFrom}, line);
            }
        }
        layer.finish();
    }

    void writeNodes()
    {
        Layer<NodeRow> layer(p_, QStringLiteral("nodes"), QStringLiteral("POINT"),
                             QStringLiteral("the mean position of each node's marks per "
                                            "direction"),
                             nodeFields());
        QList<std::pair<QString, qint16>> keys = marks_.keys();
        std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return std::pair(directionRank(a.first), a.second) <
                   std::pair(directionRank(b.first), b.second);
        });
        for (const auto& key : keys) {
            const QList<QPointF>& at = marks_[key];
            QPointF mean;
            for (const QPointF& p : at) {
                mean += p / double(at.size());
            }
            double spread = 0.0;
            for (const QPointF& p : at) {
                spread = std::max(spread, haversineMetres(mean.y(), mean.x(), p.y(), p.x()));
            }
            layer.add(NodeRow{key.first, key.second, at.size(), spread},
                      Geometry::point(mean.x(), mean.y()));
        }
        layer.finish();
    }

    Package& p_;
    const ExportOptions& options_;
    const MeasureOptions& measures_;
    UtcOffsets offsets_;
    Layer<FixRow> fixes_;
    Layer<RunRow> runs_;
    Layer<RunRow> stretches_;
    // Per file.
    QString study_;
    RunDating dating_;
    qsizetype record_ = 0;
    RunPath path_;
    // Per run of the summary: its feature, and its stretches' in order.
    QList<qint64> runFids_;
    QList<QList<qint64>> stretchFids_;
    QMap<std::pair<QString, qint16>, QList<QPointF>> marks_;
};

} // namespace

bool writeGeoPackage(const QStringList& files, const ExportOptions& options,
                     const MeasureOptions& measures, const QString& path, CliOutput& io)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        say(io, QStringLiteral("%1: a GeoPackage is written to a regular file").arg(path));
        return false;
    }
    if (!QFileInfo(info.absolutePath()).isDir()) {
        say(io, QStringLiteral("%1: cannot be written: the folder %2 does not exist")
                    .arg(path, QDir::toNativeSeparators(info.absolutePath())));
        return false;
    }
    for (const QString& file : files) {
        if (info.exists() && QFileInfo(file).canonicalFilePath() == info.canonicalFilePath()) {
            say(io, QStringLiteral("%1: is a study being read; the GeoPackage needs another name")
                        .arg(path));
            return false;
        }
    }
    // SQLite writes a file of its own beside the target, which takes its
    // place only once whole: a failure leaves the old one as it was.
    QTemporaryFile temporary(info.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        say(io, QStringLiteral("%1: cannot be written: %2").arg(path, temporary.errorString()));
        return false;
    }
    temporary.close();
    Summary summary;
    summary.options.measures = measures;
    QString error;
    {
        Package p(temporary.fileName());
        createCore(p);
        p.exec(QStringLiteral("BEGIN"));
        Writer w(p, options, measures);
        for (const QString& file : files) {
            w.addFile(summary, file, io);
        }
        if (summary.files.isEmpty()) {
            say(io, QStringLiteral("no study file could be read"));
            return false;
        }
        computeGroups(summary);
        w.finish(summary);
        p.exec(QStringLiteral("COMMIT"));
        if (p.close()) {
            sayNotes(summary, io);
            sayGroupNotes(summary, io);
            if (w.withoutPosition > 0) {
                say(io, QStringLiteral("%1 of %2 records have no position and were left out")
                            .arg(w.withoutPosition)
                            .arg(w.records));
            }
        }
        error = p.error();
    }
    if (error.isEmpty()) {
        // The permissions a new file would have had, or the old one's.
        temporary.setPermissions(info.exists() ? info.permissions()
                                               : QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ReadGroup | QFile::ReadOther);
        std::error_code failed;
        std::filesystem::rename(QFile::encodeName(temporary.fileName()).toStdString(),
                                QFile::encodeName(info.absoluteFilePath()).toStdString(), failed);
        if (!failed) {
            return true;
        }
        error = QString::fromStdString(failed.message());
    }
    say(io, QStringLiteral("%1: cannot be written: %2").arg(path, error));
    return false;
}

} // namespace gd2
