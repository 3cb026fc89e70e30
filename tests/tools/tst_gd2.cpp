// gd2, the study file reader: field offsets, the travel-time figures worked
// out by hand, every output against a reviewed copy, and files that are
// short, foreign or full of nonsense.

#include "AnsiText.h"
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

StudyHeader referenceHeader(qint16 major = 2)
{
    StudyHeader h;
    h.VersionMajor = major;
    h.VersionMinor = 1;
    h.VersionRevision = 2;
    h.StudyDate = kStudyDay;
    h.Prefs.Folder = ansi::fixedField(QStringLiteral("C:\\Data Files\\"), PrefsRecord::kFolderLen);
    h.Prefs.Port = 1;
    h.Prefs.Receiver = ansi::fixedField(QStringLiteral("Standard USB"), PrefsRecord::kReceiverLen);
    h.Prefs.Text20 = ansi::fixedField(QStringLiteral("Main St"), PrefsRecord::kText20Len);
    h.Prefs.RunDirIn = toVbBool(true);
    h.Prefs.Baud = 4800;
    return h;
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

QByteArray studyBytes(const StudyHeader& h, const QList<FixRecord>& records)
{
    QByteArray bytes = h.encode();
    for (const FixRecord& f : records) {
        bytes += f.encode();
    }
    return bytes;
}

QByteArray reference()
{
    return studyBytes(referenceHeader(), referenceRecords());
}

// The reference study gone wrong: an unknown version, a node number that
// falls, run 1 again after run 2, a run 3 past midnight and out of order,
// and three bytes of a record cut short. The collector stamps fixes with the
// study date, so after midnight the time steps back a day; a smaller step
// back is a fault.
QByteArray troubled()
{
    QList<FixRecord> r = referenceRecords();
    r[6].NodeNum = 0;
    r << fix(1, 9, 20, 0, 40.0, 10.0f, 0) << fix(3, 23, 59, 30, 40.0, 20.0f, 0)
      << fix(3, 0, 0, 0, 40.001, 20.0f, 0) << fix(3, 0, 0, 30, 40.002, 20.0f, 0)
      << fix(3, 0, 0, 10, 40.003, 20.0f, 0);
    return studyBytes(referenceHeader(3), r) + "xyz";
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

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        QTest::addColumn<int>("records");
        const QByteArray header = referenceHeader().encode();
        QTest::newRow("empty") << QByteArray() << 1 << "the file is empty" << 0;
        QTest::newRow("100 bytes")
            << QByteArray(100, 'x') << 1 << "the file is 100 bytes long, too short" << 0;
        QTest::newRow("foreign") << QByteArray("\x89PNG\r\n\x1a\n").append(QByteArray(400, '\0'))
                                 << 1 << "not a study file: bytes 14-15 hold 00 00" << 0;
        QTest::newRow("header and 47")
            << header + QByteArray(47, '\1') << 0
            << "the last 47 bytes are part of a record and are ignored" << 0;
        QTest::newRow("all 0xFF records") << header + QByteArray(5 * 48, '\xff') << 0 << "" << 5;
        // Infinities and the largest values in every floating field (0xFF
        // bytes above make them NaNs).
        const QByteArray inf =
            hexBytes("01 00 01 00 00 00 80 7f 00 00 80 7f 00 00 00 00 00 00 f0 7f"
                     "00 00 00 00 00 00 f0 ff 00 00 00 00 00 00 f0 7f 07 00"
                     "00 00 80 7f 01 00 03 00 02 00");
        const QByteArray huge =
            QByteArray(inf)
                .replace(hexBytes("00 00 80 7f"), hexBytes("ff ff 7f 7f"))
                .replace(hexBytes("00 00 00 00 00 00 f0"), hexBytes("ff ff ff ff ff ff ef"));
        QTest::newRow("inf and huge") << header + inf + huge << 0 << "" << 2;
    }
    void badInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, err);
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli({"report", writeStudy("bad.gd2", bytes)}, io), status);
        QVERIFY2(io.err.contains(err.toUtf8()), io.err.constData());
        if (status != 0) {
            return; // refused: nothing else to read
        }
        const gd2::Study study = parsed(bytes);
        QTEST(int(study.records.size()), "records");
        // Nothing that a reader of the output would take for a number.
        gd2::ExportOptions options;
        options.utcOffsetSeconds = 0;
        const QList<gd2::RunReport> runs = gd2::analyse(study);
        QByteArray all = gd2::exportCsv(study, options).text + gd2::exportGpx(study, options).text +
                         gd2::exportGeoJson(study, options).text + gd2::reportText(study, runs) +
                         gd2::reportCsv(runs) + io.out;
        for (const gd2::RunReport& run : runs) {
            all += gd2::speedChartSvg(run);
        }
        QVERIFY(!all.contains("nan"));
        QVERIFY(!all.contains("inf"));
        QTEST(int(gd2::exportGpx(study, options).withoutPosition), "records");
    }

    // Every output against a reviewed copy; what gd2 says on stderr too.
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
        row("report", "report", "reference-report.txt");
        row("report csv", "report --csv", "reference-report.csv");
        row("svg", "report --svg " + dir_.filePath("charts"), "reference-run-1.svg");
    }
    void goldens()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, golden);
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli(args << writeStudy("ref.gd2", reference()), io), 0);
        const QByteArray actual =
            golden.endsWith(".svg") ? readAll(dir_.filePath("charts/run-1.svg")) : io.out;
        QCOMPARE(QString::fromUtf8(actual),
                 QString::fromUtf8(readAll(QStringLiteral(GD2_TEST_DATA "/") + golden)));
        QTEST(QString::fromUtf8(io.err), "err");
    }

    // Worked by hand. Every leg runs along the meridian, so it is R * dLat:
    // 6371008.8 m * 0.001 * pi / 180 = 111.195080 m per 0.001 degree. A
    // stretch's time runs to the first fix of the next one; a fix's speed
    // holds until the next fix, and the last fix has no interval after it.
    // Run 1: start-N1 09:00:00-09:01:30, 0.007 deg, 0 mph for 60 s; N1-N2
    // 09:01:30-09:02:30, 0.005 deg; N2-end 09:02:30-09:03:00, 4 mph for 30 s.
    // Run 2: 09:10:00-09:10:40 and on to 09:11:20, 0.006 deg each, past the
    // fixes without a usable position.
    void stretches_data()
    {
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("stretch");
        QTest::addColumn<QString>("label");
        QTest::addColumn<qint64>("travelMs");
        QTest::addColumn<double>("metres");
        QTest::addColumn<qint64>("stoppedMs");
        QTest::newRow("1 start-N1") << 0 << 0 << "start-N1" << 90'000LL << 778.3656 << 60'000LL;
        QTest::newRow("1 N1-N2") << 0 << 1 << "N1-N2" << 60'000LL << 555.9754 << 0LL;
        QTest::newRow("1 N2-end") << 0 << 2 << "N2-end" << 30'000LL << 0.0 << 30'000LL;
        QTest::newRow("2 start-N1") << 1 << 0 << "start-N1" << 40'000LL << 667.1705 << 0LL;
        QTest::newRow("2 N1-end") << 1 << 1 << "N1-end" << 40'000LL << 667.1705 << 0LL;
    }
    void stretches()
    {
        QFETCH(int, run);
        QFETCH(int, stretch);
        const QList<gd2::RunReport> runs = gd2::analyse(parsed(reference()));
        QCOMPARE(runs.size(), 2);
        const gd2::Stretch& s = runs[run].stretches[stretch];
        QTEST(s.from + u'-' + s.to, "label");
        QTEST(s.travelMs.value_or(-1), "travelMs");
        QFETCH(double, metres);
        QVERIFY2(qAbs(s.metres - metres) < 1e-3, qPrintable(QString::number(s.metres, 'f', 6)));
        QTEST(s.stoppedMs, "stoppedMs");
    }

    void haversine_data()
    {
        QTest::addColumn<QList<double>>("points"); // latitude and longitude of each
        QTest::addColumn<double>("metres");
        // R * pi / 2
        QTest::newRow("quarter meridian") << QList<double>{0, 10, 90, 10} << 10007557.2210;
        // 2R asin(cos 60 * sin 0.5 deg): a degree of longitude is half as long there
        QTest::newRow("parallel at 60") << QList<double>{60, 1, 60, 2} << 55597.0109;
        QTest::newRow("diagonal") << QList<double>{40, 75, 40.01, 74.99} << 1400.6777;
    }
    void haversine()
    {
        QFETCH(QList<double>, points);
        QFETCH(double, metres);
        const double got = gd2::haversineMetres(points[0], points[1], points[2], points[3]);
        QVERIFY2(qAbs(got - metres) < 1e-3, qPrintable(QString::number(got, 'f', 4)));
    }

    // 5 mph itself is moving; a missing speed is not stopped.
    void stoppedTime_data()
    {
        QTest::addColumn<float>("mph");
        QTest::addColumn<qint64>("stoppedMs");
        QTest::newRow("5 is moving") << 5.0f << 0LL;
        QTest::newRow("4.9 is stopped") << 4.9f << 20'000LL;
        QTest::newRow("missing speed") << -1.0f << 0LL;
    }
    void stoppedTime()
    {
        QFETCH(float, mph);
        const QList<FixRecord> r{fix(1, 9, 0, 0, 40.0, mph, 0), fix(1, 9, 0, 20, 40.001, 30.0f, 0),
                                 fix(1, 9, 0, 50, 40.002, 0.0f, 0)};
        QTEST(gd2::analyse(parsed(studyBytes(referenceHeader(), r)))[0].stoppedMs, "stoppedMs");
    }

    void infoStatesProblems_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("size") << "Size         1091 bytes: header 272 + 17 records of 48 + 3 bytes";
        QTest::newRow("cut short") << "the length, 1091 bytes, is not 272 + 48 n: the last 3 bytes";
        QTest::newRow("version") << "unknown version 3.1.2";
        QTest::newRow("node falls") << "run 1: the node number falls from 2 to 0 at record 7";
        QTest::newRow("run again") << "run 1 starts again at record 13, after other runs";
        QTest::newRow("run") << "  Run 2      5 records, SB, nodes 0-1, 2010-03-01T09:10:00 to "
                                "2010-03-01T09:11:20\n";
        QTest::newRow("midnight") << "2010-03-01T23:59:30 to 2010-03-02T00:00:10, passes midnight";
        QTest::newRow("disorder")
            << "run 3: record 17 (2010-03-02T00:00:10) is earlier than the record before it";
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

    // Offsets as typed, and UTC a day either side of the local time.
    void utcTimes_data()
    {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<qint64>("localMs");
        QTest::addColumn<QString>("utc"); // empty: the offset is refused
        const qint64 day = 40238LL * 86'400'000;
        QTest::newRow("east, day before")
            << "+5.5" << day + 2 * 3'600'000 + 250 << "2010-02-28T20:30:00.250Z";
        QTest::newRow("west, day after") << "-1" << day + 86'399'000 << "2010-03-02T00:59:59Z";
        QTest::newRow("negative colon") << "-05:45" << day << "2010-03-01T05:45:00Z";
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

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QString& args, int status,
                            const char* message) {
            QTest::newRow(name) << args.split(u' ', Qt::SkipEmptyParts) << status << message;
        };
        row("nothing", "", 2, "Usage:");
        row("option of another", "report --west F", 2, "report takes no option --west");
        row("value missing", "report F --svg", 2, "--svg needs a value");
        row("bad offset", "export --format gpx --utc-offset 5h F", 2, "--utc-offset takes hours");
        row("no such file", "info nowhere.gd2", 1, "nowhere.gd2: no such file");
        row("unwritable output", "dump -o /nonexistent/x F", 1,
            "/nonexistent/x: cannot be written");
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        args.replaceInStrings(QRegularExpression("^F$"), writeStudy("ref.gd2", reference()));
        gd2::CliOutput io;
        QTEST(gd2::runCli(args, io), "status");
        QFETCH(QString, message);
        QVERIFY2(io.err.contains(message.toUtf8()), io.err.constData());
        QVERIFY(io.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstGd2)
#include "tst_gd2.moc"
