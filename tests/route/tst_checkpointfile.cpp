// Checkpoint files as GIS tools and spreadsheets write them, and the clear
// refusal of anything that would start a run with half a route.

#include "CheckpointFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// "name lat lon [radius]" per checkpoint, joined by " | "; or the error.
QString described(const route::CheckpointList& list)
{
    if (!list.ok()) {
        return QStringLiteral("error: ") + list.error;
    }
    QStringList out;
    for (const route::Checkpoint& c : list.checkpoints) {
        QString s = QStringLiteral("%1 %2 %3").arg(c.name).arg(c.latitude).arg(c.longitude);
        if (c.radiusM) {
            s += QStringLiteral(" r%1").arg(*c.radiusM);
        }
        out << s;
    }
    return out.join(QStringLiteral(" | "));
}

const QByteArray kQgisGeoJson = R"({
"type": "FeatureCollection",
"name": "checkpoints",
"crs": { "type": "name", "properties": { "name": "urn:ogc:def:crs:OGC:1.3:CRS84" } },
"features": [
{ "type": "Feature", "properties": { "name": "Elm St", "radius_m": 25 }, "geometry": { "type": "Point", "coordinates": [ -74.006, 40.7128 ] } },
{ "type": "Feature", "properties": { "name": null }, "geometry": { "type": "Point", "coordinates": [ -74.001, 40.7200, 10.0 ] } }
]
})";

// A GPX file whose one waypoint's name is `uses` times an entity of 4,000
// characters, itself declared through `depth` entities of ten uses each.
QByteArray entityGpx(int uses, int depth)
{
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY e0 \"" +
                     QByteArray(4000, 'x') + "\">\n";
    for (int d = 1; d <= depth; ++d) {
        gpx += "<!ENTITY e" + QByteArray::number(d) + " \"" +
               QByteArray("&e" + QByteArray::number(d - 1) + ";").repeated(10) + "\">\n";
    }
    return gpx + "]>\n<gpx><wpt lat=\"1\" lon=\"1\"><name>" +
           QByteArray("&e" + QByteArray::number(depth) + ";").repeated(uses) +
           "</name></wpt><wpt lat=\"2\" lon=\"1\"/></gpx>\n";
}

QByteArray csvRows(int rows)
{
    QByteArray csv = "name,latitude,longitude\n";
    for (int i = 0; i < rows; ++i) {
        csv += "p," + QByteArray::number(40.0 + i * 0.001) + ",-74\n";
    }
    return csv;
}

} // namespace

class TstCheckpointFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("read"); // the checkpoints, or "error: " and a part of it
        QTest::newRow("csv") << QByteArray("name,latitude,longitude\nA,40.7128,-74.006\n"
                                           "B,40.72,-74.001\n")
                             << "A 40.7128 -74.006 | B 40.72 -74.001";
        QTest::newRow("csv as spreadsheets save it")
            << QByteArray("\xEF\xBB\xBFid,Name,Longitude,Latitude,radius_m\r\n"
                          "1,\"Main St, north\",-74.006,40.7128,30\r\n\r\n2,,-74.001,40.72,\r\n")
            << "Main St, north 40.7128 -74.006 r30 | 2 40.72 -74.001";
        QTest::newRow("csv without the columns") << QByteArray("lat,lon\n40.7,-74\n40.8,-74\n")
                                                 << "error: cp.csv, line 1: the first line";
        QTest::newRow("csv with a bad number")
            << QByteArray("name,latitude,longitude\nA,40.7,-74\n\nB,40.8N,-74\n")
            << "error: cp.csv, line 4: \"40.8N,-74\" is not a latitude";
        QTest::newRow("csv with an open quote")
            << QByteArray("name,latitude,longitude\n\"A,40.7,-74\n")
            << "error: cp.csv, line 2: a quote";
        QTest::newRow("one checkpoint") << QByteArray("name,latitude,longitude\nA,40.7,-74\n")
                                        << "error: cp.csv: a route needs at least two checkpoints, "
                                           "its first and its last; 1 found";
        QTest::newRow("latitude out of range")
            << QByteArray("name,latitude,longitude\nA,40.7,-74\nB,95,-74\n")
            << "error: cp.csv, line 3 (checkpoint 2): latitude 95";
        QTest::newRow("two at one place")
            << QByteArray("name,latitude,longitude\nA,40.7,-74\nB,40.700001,-74\n")
            << "error: cp.csv, line 3 (checkpoint 2) lies where checkpoint 1 lies";
        QTest::newRow("radius not a number")
            << QByteArray("name,latitude,longitude,radius_m\nA,40.7,-74,wide\nB,40.8,-74,\n")
            << "error: cp.csv, line 2: radius_m \"wide\"";
        QTest::newRow("gpx waypoints")
            << QByteArray(
                   "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" "
                   "xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                   "<wpt lat=\"40.7128\" lon=\"-74.006\"><name>A</name></wpt>\n"
                   "<wpt lat=\"40.72\" lon=\"-74.001\"><ele>3</ele><name>B</name></wpt>\n</gpx>\n")
            << "A 40.7128 -74.006 | B 40.72 -74.001";
        QTest::newRow("gpx route before waypoints")
            << QByteArray("<gpx><wpt lat=\"1\" lon=\"1\"><name>X</name></wpt>\n<rte>"
                          "<rtept lat=\"40.7\" lon=\"-74\"><name>A</name></rtept>\n"
                          "<rtept lat=\"40.8\" lon=\"-74\"/></rte></gpx>")
            << "A 40.7 -74 | 2 40.8 -74";
        QTest::newRow("gpx waypoint without lon")
            << QByteArray("<gpx>\n<wpt lat=\"40.7\"/>\n</gpx>") << "error: cp.csv, line 2: a <wpt>";
        QTest::newRow("gpx cut short") << QByteArray("<gpx>\n<wpt lat=\"40.7\" lon=\"-74\">\n")
                                       << "error: cp.csv, line 3: not readable as GPX";
        QTest::newRow("geojson as QGIS saves it")
            << kQgisGeoJson << "Elm St 40.7128 -74.006 r25 | 2 40.72 -74.001";
        QTest::newRow("geojson in web mercator")
            << QByteArray(kQgisGeoJson).replace("OGC:1.3:CRS84", "EPSG::3857")
            << "error: cp.csv: its coordinates are in urn:ogc:def:crs:EPSG::3857";
        QTest::newRow("geojson with a line")
            << QByteArray(kQgisGeoJson)
                   .replace("\"Point\", \"coordinates\": [ -74.001",
                            "\"LineString\", \"coordinates\": [ -74.001")
            << "error: cp.csv, feature 2: not a point";
        QTest::newRow("geojson broken")
            << QByteArray(kQgisGeoJson)
                   .replace("\"name\": \"checkpoints\",", "\"name\" \"checkpoints\",")
            << "error: cp.csv, line 3: not readable as GeoJSON";
        // Files made to hurt: each refused at once, its message short.
        QTest::newRow("huge field")
            << "name,latitude,longitude\nA," + QByteArray(1 << 20, '9') + ",1\n"
            << "error: cp.csv, line 2: \"" + QString(60, u'9') + u'\u2026' + "\" is not a latitude";
        QTest::newRow("entity bomb")
            << entityGpx(300, 0) << "error: cp.csv: its entities would make more than 1048576";
        QTest::newRow("entity bomb, nested") << entityGpx(1, 6) << "error: cp.csv: its entities";
        QTest::newRow("a few entities")
            << entityGpx(2, 0).replace(QByteArray(4000, 'x'), "Elm") << "ElmElm 1 1 | 2 2 1";
        QTest::newRow("long name")
            << QByteArray("name,latitude,longitude\n") + QByteArray(201, 'n') + ",1,1\nB,2,1\n"
            << "error: cp.csv, line 2: a name longer than 200";
        QTest::newRow("1001 checkpoints")
            << csvRows(1001) << "error: cp.csv: more than 1000 checkpoints";
        QTest::newRow("CR-only") << QByteArray("name,latitude,longitude\rA,1,1\rB,2,1\r")
                                 << "error: cp.csv: its lines end in CR alone";
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEn\0a\0m\0e\0", 10)
                                << "error: cp.csv is not UTF-8 text";
        QTest::newRow("EPSG:43260")
            << QByteArray(kQgisGeoJson).replace("urn:ogc:def:crs:OGC:1.3:CRS84", "EPSG:43260")
            << "error: cp.csv: its coordinates are in EPSG:43260";
        QTest::newRow("one place, over 180°")
            << QByteArray("name,latitude,longitude\nA,0,179.9999999\nB,0,-179.9999999\n")
            << "error: cp.csv, line 3 (checkpoint 2) lies where checkpoint 1 lies";
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, read);
        const QString got = described(route::parseCheckpoints(content, QStringLiteral("cp.csv")));
        QVERIFY2(read.startsWith("error: ") ? got.startsWith(read) : got == read, qPrintable(got));
        QVERIFY2(got.size() < 300, "a message stays short");
    }

    // Only a file on disk is read, decided before it is opened: a pipe
    // would wait in open() for ever, /dev/zero never ends though its size
    // is 0. (The test's time limit bounds a pipe that is opened after all.)
    void files_data()
    {
        QTest::addColumn<QString>("file"); // in a fresh folder; "/..." as it is
        QTest::addColumn<QString>("said");
#ifndef Q_OS_WIN // Windows' pipes and devices have no place among files
        QTest::newRow("pipe") << "fifo"
                              << "is not a file on disk";
        QTest::newRow("device") << "/dev/zero"
                                << "is not a file on disk";
#endif
        QTest::newRow("folder") << "folder"
                                << "is a folder";
        QTest::newRow("over 16 MB") << "large.csv"
                                    << "is too large for a checkpoint file";
        QTest::newRow("missing") << "gone.csv"
                                 << "cannot be read";
    }
    void files()
    {
        QFETCH(QString, file);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = file.startsWith(u'/') ? file : dir.filePath(file);
        if (file == "fifo") {
#ifndef Q_OS_WIN
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
#endif
        } else if (file == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (file == "large.csv") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(16 * 1024 * 1024 + 1));
        }
        const route::CheckpointList read = route::readCheckpoints(path);
        QVERIFY2(read.error.startsWith(path) && read.error.contains(said), qPrintable(read.error));
        QVERIFY(read.checkpoints.isEmpty());
    }

    // What the CSV writer writes reads back as it was, to the metre, signals too.
    void csvRoundTrip()
    {
        const QList<route::Checkpoint> cps = {
            {"start, \"west\"", 40.7128001, -74.0060001, 12.5, {}},
            {"N1", -33.8688, 151.2093, {}, 39},
            {"end", -33.87, 151.21, {}, {}}};
        const route::CheckpointList back =
            route::parseCheckpoints(route::checkpointsCsv(cps), QStringLiteral("x.csv"));
        QVERIFY2(back.ok(), qPrintable(back.error));
        QCOMPARE(back.checkpoints.size(), 3);
        for (qsizetype i = 0; i < cps.size(); ++i) {
            QCOMPARE(back.checkpoints[i].name, cps[i].name);
            QVERIFY(qAbs(back.checkpoints[i].latitude - cps[i].latitude) < 1e-6);
            QVERIFY(qAbs(back.checkpoints[i].longitude - cps[i].longitude) < 1e-6);
            QCOMPARE(back.checkpoints[i].radiusM, cps[i].radiusM);
            QCOMPARE(back.checkpoints[i].signal, cps[i].signal);
        }
    }
};

QTEST_APPLESS_MAIN(TstCheckpointFile)
#include "tst_checkpointfile.moc"
