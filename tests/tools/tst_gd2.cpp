// gd2, the study file reader: field offsets, every output against a reviewed
// copy worked out by hand, files short, foreign or full of nonsense, and
// command lines that are wrong.

#include "Cli.h"
#include "Export.h"
#include "Inspect.h"
#include "Report.h"
#include "SpeedChart.h"
#include "StudyReader.h"
#include "TestSupport.h"
#include "TextFormat.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>

namespace {

constexpr double kStudyDay = 40238.0; // 2010-03-01

// A fix of the reference study: on the meridian 75, so that every leg is
// R * dLat exactly.
FixRecord fix(qint16 run, int h, int m, int s, double lat, float mph, qint16 node, qint16 dir = 2)
{
    const float course = dir == 2 ? 0.0f : 180.0f;
    const double time = kStudyDay + (h * 3600 + m * 60 + s) / 86400.0;
    return {run, 1, mph, course, time, lat, 75.0, 7, 1.2f, node, missing::kInteger, dir};
}

// Run 1 northbound: stopped, away, node 1, node 2, stopped again. Run 2
// southbound with a fix that has nothing but its time and one with a
// malformed longitude.
QList<FixRecord> referenceRecords()
{
    FixRecord bare; // every other field holds its missing value
    bare.RunNum = 2;
    bare.RunDir = 1;
    bare.FixTime = kStudyDay + (9 * 3600 + 10 * 60 + 20) / 86400.0;
    QList<FixRecord> r{fix(1, 9, 0, 0, 40.000, 0.0f, 0),
                       fix(1, 9, 0, 30, 40.000, 0.0f, 0),
                       fix(1, 9, 1, 0, 40.003, 25.0f, 0),
                       fix(1, 9, 1, 30, 40.007, 35.0f, 1),
                       fix(1, 9, 2, 0, 40.011, 30.0f, 1),
                       fix(1, 9, 2, 30, 40.012, 4.0f, 2),
                       fix(1, 9, 3, 0, 40.012, 2.0f, 2),
                       fix(2, 9, 10, 0, 40.012, 28.0f, 0, 1),
                       bare,
                       fix(2, 9, 10, 40, 40.006, 30.0f, 1, 1),
                       fix(2, 9, 11, 0, -999.0, 31.0f, 1, 1),
                       fix(2, 9, 11, 20, 40.000, 29.0f, 1, 1)};
    r[4].DelayNum = 7;
    r[10].Longitude = -999.0;
    r[11].DelayNum = 12;
    r[11].FixQuality = 2;
    return r;
}

// The reference study gone wrong: an unknown version, a node number that
// falls, run 1 again after run 2, a run 3 past midnight and out of order, and
// a record cut short. Fixes carry the study date, so after midnight the time
// steps back a day; a smaller step back is a fault.
QByteArray troubled()
{
    QList<FixRecord> r = referenceRecords();
    r[6].NodeNum = 0;
    r << fix(1, 9, 20, 0, 40.0, 10.0f, 0) << fix(3, 23, 59, 30, 40.0, 20.0f, 0)
      << fix(3, 0, 0, 0, 40.001, 20.0f, 0) << fix(3, 0, 0, 30, 40.002, 20.0f, 0)
      << fix(3, 0, 0, 10, 40.003, 20.0f, 0);
    return studyBytes(r, 3) + "xyz";
}

gd2::Study parsed(const QByteArray& bytes)
{
    gd2::Study study;
    QString error;
    if (!gd2::parseStudy(bytes, study, error)) {
        qWarning("%s", qPrintable(error));
    }
    return study;
}

} // namespace

class TstGd2 : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString writeStudy(const QString& name, const QByteArray& bytes)
    {
        writeAll(dir_.filePath(name), bytes);
        return dir_.filePath(name);
    }

private slots:
    // A decimal comma must not reach any output.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Bytes spelled out by hand, so that the shared layouts are checked too.
    void readsFieldsAtTheirOffsets()
    {
        QByteArray bytes = hexBytes("02 00 01 00 02 00 00 00 00 00 c0 a5 e3 40 58 58");
        bytes += QByteArray("C:\\D").leftJustified(78, ' ');
        bytes += hexBytes("03 00") + QByteArray("GPS").leftJustified(64, ' ');
        bytes += QByteArray(20, ' ') + hexBytes("00 00 ff ff ff ff c0 12 00 00");
        bytes += QByteArray(82, '\0');
        QCOMPARE(bytes.size(), 272);
        bytes +=
            hexBytes("05 00 02 00 00 00 c0 3f 00 3c 1c 46"   // run 5, DGPS, 1.5 mph, course -
                     "00 00 00 00 cc a5 e3 40"               // 2010-03-01 09:00
                     "d3 de e0 0b 93 01 44 40"               // 40.0123
                     "00 00 00 00 00 e0 52 40"               // 75.5
                     "09 00 00 00 c0 3f 03 00 07 00 04 00"); // 9 sats, 1.5, node 3, delay 7, EB
        const gd2::Study study = parsed(bytes);
        QCOMPARE(gd2::versionText(study.header), QStringLiteral("2.1.2"));
        QCOMPARE(study.header.Prefs.Baud, 4800);
        QVERIFY(
            gd2::infoText(study, QStringLiteral("f"))
                .contains("  Options    remote no, metric display yes, run direction entry yes\n"));
        QCOMPARE(gd2::dumpText(study),
                 QByteArray("1 run=5 quality=2 speed=1.5 course=- time=2010-03-01T09:00:00 "
                            "lat=40.0123 lon=75.5 sats=9 hdop=1.5 node=3 delay=7 dir=EB\n"));
    }

    // What gd2 says of a bad file or command line. A file it reads anyway
    // gives nothing a reader of any output would take for a number.
    void cli_data()
    {
        QTest::addColumn<QStringList>("args"); // F: a file of the bytes
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        const auto row = [](const char* name, const QString& args, const QByteArray& bytes,
                            int status, const char* err) {
            QTest::newRow(name) << args.split(u' ', Qt::SkipEmptyParts) << bytes << status << err;
        };
        const QByteArray header = studyBytes({});
        row("empty", "report F", {}, 1, "the file is empty");
        row("100 bytes", "report F", QByteArray(100, 'x'), 1, "is 100 bytes long, too short");
        row("foreign", "report F", QByteArray("\x89PNG\r\n\x1a\n").append(QByteArray(400, '\0')), 1,
            "not a study file: bytes 14-15 hold 00 00");
        row("torn", "report F", header + QByteArray(47, '\1'), 0, "47 bytes are part of a record");
        row("all 0xFF", "report F", header + QByteArray(5 * 48, '\xff'), 0, "");
        // Infinities and the largest values in every floating field (NaNs above).
        const QByteArray inf =
            hexBytes("01 00 01 00 00 00 80 7f 00 00 80 7f 00 00 00 00 00 00 f0 7f"
                     "00 00 00 00 00 00 f0 ff 00 00 00 00 00 00 f0 7f 07 00"
                     "00 00 80 7f 01 00 03 00 02 00");
        const QByteArray huge =
            QByteArray(inf)
                .replace(hexBytes("00 00 80 7f"), hexBytes("ff ff 7f 7f"))
                .replace(hexBytes("00 00 00 00 00 00 f0"), hexBytes("ff ff ff ff ff ff ef"));
        row("inf and huge", "report F", header + inf + huge, 0, "");
        const QByteArray ref = studyBytes(referenceRecords());
        row("nothing", "", ref, 2, "Usage:");
        row("unknown format", "export --format kmz F", ref, 2,
            "--format takes csv, gpx, geojson, kml, gpkg, not \"kmz\"");
        row("gpkg to standard output", "export --format gpkg F", ref, 2, "needs -o FILE.gpkg");
        row("gpkg over its study", "export --format gpkg -o F F", ref, 2,
            "never writes over a study");
        row("option of another", "report --west F", ref, 2, "report takes no option --west");
        row("value missing", "report F --svg", ref, 2, "--svg needs a value");
        row("bad offset", "export --format gpx --utc-offset 5h F", ref, 2,
            "--utc-offset takes hours");
        row("no such file", "info nowhere.gd2", ref, 1, "nowhere.gd2: no such file");
        row("unwritable", "dump -o /nonexistent/x F", ref, 1, "/nonexistent/x: cannot be written");
    }
    void cli()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, err);
        args.replaceInStrings(QRegularExpression("^F$"), writeStudy("f.gd2", bytes));
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli(args, io), status);
        QVERIFY2(io.err.contains(err.toUtf8()), io.err.constData());
        if (status != 0) {
            QVERIFY(io.out.isEmpty());
            return;
        }
        // Every whole record is read, and not one of them has a position.
        const qsizetype records = (bytes.size() - 272) / 48;
        const gd2::Study study = parsed(bytes);
        QCOMPARE(study.records.size(), records);
        gd2::ExportOptions options;
        options.utcOffsetSeconds = 0;
        const gd2::ExportResult gpx = gd2::exportGpx(study, options);
        QCOMPARE(gpx.withoutPosition, records);
        const QList<gd2::RunReport> runs = gd2::analyse(study);
        QByteArray all = gd2::exportCsv(study, options).text + gpx.text +
                         gd2::exportGeoJson(study, options).text +
                         gd2::exportKml(study, options).text + gd2::reportCsv(runs) + io.out;
        for (const gd2::RunReport& run : runs) {
            all += gd2::speedChartSvg(run);
        }
        QVERIFY(!all.contains("nan"));
        QVERIFY(!all.contains("inf"));
    }

    // Every output against a reviewed copy; what gd2 says on stderr too. The
    // report, by hand: legs run along the meridian, R * dLat = 111.195 m per
    // 0.001 degree; a stretch's time runs to the next stretch's first fix; a
    // fix's speed holds until the next fix, the last has no interval after it.
    // Run 1: start-N1 09:00:00-09:01:30, 0.778 km, 0 mph for 60 s; N1-N2
    // 09:01:30-09:02:30, 0.556 km; N2-end to 09:03:00, 4 mph for 30 s. Run 2:
    // 09:10:00-09:10:40-09:11:20, 0.667 km each, past the fixes without a
    // usable position; the one without a speed is not stopped.
    // A run whose nodes were marked by key gives the route's checkpoint file:
    // where it began, where each node was first recorded, where it ended.
    void checkpointsOfAKeyedRun_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("stoppedAtTheLastNode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // or a part of what is said
        QTest::newRow("the first run with nodes, west")
            << "checkpoints --west F" << false << 0
            << "name,latitude,longitude\nstart,40.0000000,-75.0000000\n"
               "N1,40.0070000,-75.0000000\nN2,40.0120000,-75.0000000\n"
               "end,40.0150000,-75.0000000\n";
        QTest::newRow("run 2, south; its records without a position passed over")
            << "checkpoints --run 2 --south F" << false << 0
            << "name,latitude,longitude\nstart,-40.0120000,75.0000000\n"
               "N1,-40.0060000,75.0000000\nend,-40.0000000,75.0000000\n";
        QTest::newRow("ended where the last node was marked")
            << "checkpoints F" << true << 1 << "run 1: end lies where N2 lies";
        QTest::newRow("no such run") << "checkpoints --run 7 F" << false << 1 << "has no run 7";
        // Fiji: 179.998 E or W? Unsigned degrees cannot say; --west would mirror the east half.
        QTest::newRow("near the 180° meridian")
            << "checkpoints --west F" << false << 1
            << "run 1 comes within about 500 m of the 180° meridian";
        QTest::newRow("not a run number")
            << "checkpoints --run x F" << false << 2 << "--run takes a run number";
    }
    void checkpointsOfAKeyedRun()
    {
        QFETCH(QString, args);
        QFETCH(bool, stoppedAtTheLastNode);
        QFETCH(int, status);
        QFETCH(QString, out);
        QList<FixRecord> records = referenceRecords();
        if (!stoppedAtTheLastNode) {
            records[6].Latitude = 40.015;
        }
        if (QByteArray(QTest::currentDataTag()).contains("180")) {
            for (FixRecord& r : records) {
                r.Longitude = r.Longitude > 0 ? 179.998 : r.Longitude;
            }
        }
        QStringList words = args.split(u' ');
        words.replaceInStrings(QRegularExpression("^F$"),
                               writeStudy("route.gd2", studyBytes(records)));
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli(words, io), status);
        if (status == 0) {
            QCOMPARE(QString::fromUtf8(io.out), out);
        } else {
            QVERIFY2(io.err.contains(out.toUtf8()), io.err.constData());
        }
    }

    void goldens_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("golden");
        QTest::addColumn<QString>("err");
        const QString leftOut = "gd2: 2 of 12 records have no position and were left out\n";
        const auto row = [](const char* name, const QString& args, const char* golden,
                            const QString& err = {}) {
            QTest::newRow(name) << args.split(u' ') << golden << err;
        };
        row("csv", "export --format csv --west", "reference.csv");
        row("gpx", "export --format=gpx --west --utc-offset -5", "reference.gpx", leftOut);
        row("geojson", "export --west --format=geojson", "reference.geojson", leftOut);
        row("kml", "export --format kml --west", "reference.kml", leftOut);
        row("report", "report", "reference-report.txt");
        row("report csv", "report --csv", "reference-report.csv");
        row("svg", "report --svg " + dir_.filePath("charts"), "reference-run-1.svg");
    }
    void goldens()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, golden);
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli(args << writeStudy("ref.gd2", studyBytes(referenceRecords())), io), 0);
        const QByteArray actual =
            golden.endsWith(".svg") ? readAll(dir_.filePath("charts/run-1.svg")) : io.out;
        QCOMPARE(QString::fromUtf8(actual),
                 QString::fromUtf8(readAll(QStringLiteral(GD2_TEST_DATA "/") + golden)));
        QTEST(QString::fromUtf8(io.err), "err");
    }

    // The version CMake gives the project, as the collector's windows show it.
    void version()
    {
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli({"--version"}, io), 0);
        QCOMPARE(io.out, QByteArray("gd2 2.1.2\n"));
    }

    // Legs along a meridian are in the goldens; these need the longitude. At
    // 60 degrees, 2R asin(cos 60 * sin 0.5 deg): a degree of longitude is
    // half as long there. In millimetres.
    void haversine()
    {
        QCOMPARE(qRound64(gd2::haversineMetres(60, 1, 60, 2) * 1000), 55'597'011LL);
        QCOMPARE(qRound64(gd2::haversineMetres(40, 75, 40.01, 74.99) * 1000), 1'400'678LL);
    }

    // Under 5 mph is stopped; 5 itself is moving.
    void stoppedTime()
    {
        const auto stoppedMs = [](float mph) {
            const QList<FixRecord> r{fix(1, 9, 0, 0, 40.0, mph, 0), fix(1, 9, 0, 20, 40.1, 30, 0)};
            return gd2::analyse(parsed(studyBytes(r)))[0].stoppedMs;
        };
        QCOMPARE(stoppedMs(5.0f), qint64(0));
        QCOMPARE(stoppedMs(4.9f), qint64(20'000));
    }

    void infoStatesProblems_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("cut short") << "the length, 1091 bytes, is not 272 + 48 n: the last 3 bytes";
        QTest::newRow("version") << "unknown version 3.1.2";
        QTest::newRow("node falls") << "run 1: the node number falls from 2 to 0 at record 7";
        QTest::newRow("run again") << "run 1 starts again at record 13, after other runs";
        QTest::newRow("run") << "  Run 2      5 records, SB, nodes 0-1, 2010-03-01T09:10:00 to "
                                "2010-03-01T09:11:20\n";
        QTest::newRow("midnight") << "2010-03-01T23:59:30 to 2010-03-02T00:00:10, passes midnight";
        QTest::newRow("order") << "run 3: record 17 (2010-03-02T00:00:10) is earlier than";
    }
    void infoStatesProblems()
    {
        QFETCH(QString, line);
        const QByteArray info = gd2::infoText(parsed(troubled()), QStringLiteral("f"));
        QVERIFY2(info.contains(line.toUtf8()), info.constData());
    }

    // A run number that comes back gets a chart of its own.
    void chartsPerRun()
    {
        const QString charts = dir_.filePath(QStringLiteral("again"));
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli({"report", "--svg", charts, writeStudy("t.gd2", troubled())}, io), 0);
        QCOMPARE(QDir(charts).entryList(QDir::Files),
                 QStringList({"run-1-2.svg", "run-1.svg", "run-2.svg", "run-3.svg"}));
    }

    // No output is ever a study file, however it is named: refused before
    // anything is read (A is torn, so reading it would warn) or written.
    void neverWritesOverAStudy_data()
    {
        QTest::addColumn<QString>("args"); // A, B: studies; L: a link to A; P: an old page
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        const auto row = [](const char* name, const char* args, int status, const char* err) {
            QTest::newRow(name) << QString(args) << status << QString(err);
        };
        const char* reads = "is a study file this command reads; gd2 never writes over";
        row("page named by a glob", "summary --html B A", 2, "b.gd2: is a study file; gd2");
        row("page onto after", "compare --before B --after A --html A", 2, reads);
        row("export onto itself", "export --format csv A -o A", 2, reads);
        row("by another name", "export --format gpx A -o D/./a.gd2", 2, "a.gd2, a study file");
#ifndef Q_OS_WIN // a Windows shortcut is a file of its own to every program
        row("by a link", "dump A --output L", 2, "a.gd2, a study file this command reads");
#endif
        row("info onto another", "info A -o B", 2, "b.gd2: is a study file; gd2");
        row("checkpoints", "checkpoints A -o A", 2, reads);
        row("report", "report --csv A -o B", 2, "is a study file");
        row("chart folder", "report --svg B A", 2, "b.gd2: is a study file; gd2");
        row("chart in folder", "report --svg S A", 2, "run-2.svg: is a study file");
        row("summary csv", "summary --csv A B -o B", 2, reads);
        row("compare text", "compare --before A --after B -o A", 2, reads);
        row("new file", "export --format kml A -o N", 0, "");
        row("old page", "summary --html P A", 0, "");
        row("old chart", "report --svg D A", 0, "");
    }
    void neverWritesOverAStudy()
    {
        QFETCH(QString, args);
        const QByteArray a = studyBytes(referenceRecords()) + "xyz";
        const QByteArray b = studyBytes(referenceRecords().mid(0, 4));
        const QMap<QString, QString> paths{{"A", writeStudy("a.gd2", a)},
                                           {"B", writeStudy("b.gd2", b)},
                                           {"L", dir_.filePath("link.gd2")},
                                           {"D", dir_.path()},
                                           {"S", dir_.filePath("s")},
                                           {"N", dir_.filePath("new.kml")},
                                           {"P", writeStudy("page.html", "<p>")}};
        QFile::remove(paths["L"]);
        QVERIFY(QFile::link(paths["A"], paths["L"]));
        QVERIFY(QDir().mkpath(paths["S"]));
        writeAll(dir_.filePath("s/run-2.svg"), b);
        writeAll(dir_.filePath("run-1.svg"), "<svg/>");
        QStringList words = args.split(u' ');
        for (QString& w : words) {
            w = paths.value(w.left(1), w.left(1)) + w.mid(1);
        }
        gd2::CliOutput io;
        QTEST(gd2::runCli(words, io), "status");
        QFETCH(QString, err);
        if (!err.isEmpty()) {
            QVERIFY2(io.err.contains(err.toUtf8()), io.err.constData());
            QCOMPARE(io.err.count('\n'), 1);
            QVERIFY(io.out.isEmpty());
        }
        QCOMPARE(readAll(paths["A"]), a);
        QCOMPARE(readAll(paths["B"]), b);
        QCOMPARE(readAll(dir_.filePath("s/run-2.svg")), b);
    }

    // Runs that start after midnight carry the study date: each is dated the
    // next day by every command. A run whose fixes share one time, and a
    // stretch passed twice, are named rather than timed.
    void oddRuns_data()
    {
        QTest::addColumn<QList<FixRecord>>("records");
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("says");
        QList<FixRecord> night;
        for (const auto& [run, h, m] : {std::tuple(1, 23, 0), {2, 0, 10}, {3, 0, 40}}) {
            night << fix(qint16(run), h, m, 0, 40.0, 30.0f, 0)
                  << fix(qint16(run), h, m + 5, 0, 40.03, 30.0f, 0);
        }
        const auto row = [&](const char* name, const QList<FixRecord>& records, const char* args,
                             const char* says) {
            QTest::newRow(name) << records << QString(args) << QString(says);
        };
        row("info", night, "info",
            "  Run 2      2 records, NB, node 0, 2010-03-02T00:10:00 to 2010-03-02T00:15:00, the "
            "day after the study date");
        row("dump", night, "dump", " time=2010-03-02T00:40:00 ");
        row("gpx", night, "export --format gpx --utc-offset -5", "<time>2010-03-02T05:10:00Z<");
        row("periods", night, "summary --csv --periods late=23:00-24:00,early=00:00-01:00",
            "\nNB,early,run,run,2,");
        QList<FixRecord> still{fix(1, 9, 0, 0, 40.0, 0, 0), fix(1, 9, 0, 0, 40.0, 0, 0),
                               fix(1, 9, 0, 0, 40.0, 0, 0)};
        row("one time", still, "summary",
            "run 1 has no travel time (all its 3 timed fixes share one time, 09:00:00)");
        QList<FixRecord> back;
        for (qint16 node : {0, 1, 2, 1, 2, 3}) {
            back << fix(1, 9, 0, 10 * back.size(), 40.0 + 0.001 * back.size(), 30.0f, node);
        }
        row("twice", back, "summary",
            "Note: Stretch N1-N2 is passed twice in run 1 (the node number falls back): left out");
    }
    void oddRuns()
    {
        QFETCH(QList<FixRecord>, records);
        QFETCH(QString, args);
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli(args.split(u' ') << writeStudy("odd.gd2", studyBytes(records)), io),
                 0);
        QFETCH(QString, says);
        QVERIFY2(io.out.contains(says.toUtf8()), io.out.constData());
    }

    // Offsets as typed, and UTC a day either side of the local time.
    void utcTimes_data()
    {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<qint64>("localMs");
        QTest::addColumn<QString>("utc"); // empty: the offset is refused
        const qint64 day = 40238LL * 86'400'000;
        QTest::newRow("east, day before")
            << "+5.5" << day + 2 * 3'600'000 + 250 << "2010-02-28T20:30:00.250Z";
        QTest::newRow("west with colon, day after")
            << "-05:45" << day + 86'399'000 << "2010-03-02T05:44:59Z";
        QTest::newRow("largest") << "14" << day << "2010-02-28T10:00:00Z";
        QTest::newRow("too far") << "14.5" << day << "";
        QTest::newRow("minutes 60") << "5:60" << day << "";
    }
    void utcTimes()
    {
        QFETCH(QString, offset);
        QFETCH(qint64, localMs);
        const std::optional<int> seconds = gd2::parseUtcOffset(offset);
        QTEST(seconds ? gd2::isoUtc(localMs, *seconds) : QString(), "utc");
    }
};

QTEST_GUILESS_MAIN(TstGd2)
#include "tst_gd2.moc"
