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
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <limits>

namespace {

constexpr double kStudyDay = 40238.0; // 2010-03-01

// A fix of the reference study: on the meridian 75, so that every leg is
// R * dLat exactly.
FixRecord fix(qint16 run, int h, int m, int s, double lat, float mph, qint16 node, qint16 dir = 2)
{
    FixRecord f;
    f.RunNum = run;
    f.FixQuality = 1;
    f.SpeedMph = mph;
    f.Course = dir == 2 ? 0.0f : 180.0f;
    f.FixTime = kStudyDay + (h * 3600 + m * 60 + s) / 86400.0;
    f.Latitude = lat;
    f.Longitude = 75.0;
    f.NumSats = 7;
    f.HDOP = 1.2f;
    f.NodeNum = node;
    f.RunDir = dir;
    return f;
}

StudyHeader referenceHeader()
{
    StudyHeader h;
    h.VersionMajor = 2;
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
// southbound with a fix without position and one with a malformed one.
QList<FixRecord> referenceRecords()
{
    QList<FixRecord> r{
        fix(1, 9, 0, 0, 40.000, 0.0f, 0),      fix(1, 9, 0, 30, 40.000, 0.0f, 0),
        fix(1, 9, 1, 0, 40.003, 25.0f, 0),     fix(1, 9, 1, 30, 40.007, 35.0f, 1),
        fix(1, 9, 2, 0, 40.011, 30.0f, 1),     fix(1, 9, 2, 30, 40.012, 4.0f, 2),
        fix(1, 9, 3, 0, 40.012, 2.0f, 2),      fix(2, 9, 10, 0, 40.012, 28.0f, 0, 1),
        fix(2, 9, 10, 20, -1.0, 0.0f, 0, 1),   fix(2, 9, 10, 40, 40.006, 30.0f, 1, 1),
        fix(2, 9, 11, 0, -999.0, 31.0f, 1, 1), fix(2, 9, 11, 20, 40.000, 29.0f, 1, 1)};
    r[4].DelayNum = 7;
    r[8].SpeedMph = missing::kSingle;
    r[8].FixQuality = missing::kInteger;
    r[8].NumSats = missing::kInteger;
    r[8].HDOP = missing::kSingle;
    r[8].Longitude = missing::kDouble;
    r[8].Course = missing::kCourse;
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

gd2::Study parsed(const QByteArray& bytes)
{
    gd2::Study study;
    QString error;
    if (!gd2::parseStudy(bytes, study, error)) {
        qWarning("%s", qPrintable(error));
    }
    return study;
}

QByteArray golden(const QString& name)
{
    return readAll(QStringLiteral(GD2_TEST_DATA "/") + name);
}

} // namespace

class TstGd2 : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString writeStudy(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
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
        QCOMPARE(study.records.size(), qsizetype(1));
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
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("trailing");
        const QByteArray header = referenceHeader().encode();
        QTest::newRow("empty") << QByteArray() << "the file is empty" << 0 << 0;
        QTest::newRow("100 bytes")
            << QByteArray(100, 'x') << "the file is 100 bytes long, too short" << 0 << 0;
        QTest::newRow("header and 47") << header + QByteArray(47, '\1') << QString() << 0 << 47;
        QTest::newRow("foreign") << QByteArray("\x89PNG\r\n\x1a\n").append(QByteArray(400, '\0'))
                                 << "not a study file: bytes 14-15 hold 00 00" << 0 << 0;
        QTest::newRow("all 0xFF records")
            << header + QByteArray(5 * 48, '\xff') << QString() << 5 << 0;
        // Infinities, NaNs and huge values in every floating field.
        QByteArray wild;
        for (const char* f32 : {"00 00 80 7f", "00 00 c0 7f", "ff ff 7f 7f"}) {
            for (const char* f64 : {"00 00 00 00 00 00 f0 7f", "00 00 00 00 00 00 f8 ff",
                                    "ff ff ff ff ff ff ef 7f"}) {
                const QByteArray r = hexBytes("01 00 01 00") + hexBytes(f32) + hexBytes(f32) +
                                     hexBytes(f64) + hexBytes(f64) + hexBytes(f64) +
                                     hexBytes("07 00") + hexBytes(f32) +
                                     hexBytes("01 00 03 00 02 00");
                wild += r;
            }
        }
        QTest::newRow("inf and nan") << header + wild << QString() << 9 << 0;
    }
    void badInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(int, records);
        QFETCH(int, trailing);

        gd2::Study study;
        QString message;
        QCOMPARE(gd2::parseStudy(bytes, study, message), error.isEmpty());
        QVERIFY2(message.startsWith(error), qPrintable(message));

        gd2::CliOutput io;
        const QString path = writeStudy(QStringLiteral("bad.gd2"), bytes);
        QCOMPARE(gd2::runCli({QStringLiteral("report"), path}, io), error.isEmpty() ? 0 : 1);
        if (!error.isEmpty()) {
            QVERIFY(io.err.contains(error.toUtf8()));
            return;
        }
        QCOMPARE(study.records.size(), qsizetype(records));
        QCOMPARE(study.trailingBytes, trailing);
        QCOMPARE(io.err.contains("the last 47 bytes are part of a record and are ignored"),
                 trailing != 0);
        // Nothing that a reader of the output would take for a number.
        gd2::ExportOptions options;
        options.utcOffsetSeconds = 0;
        const QList<gd2::RunReport> runs = gd2::analyse(study);
        QByteArray all = gd2::exportCsv(study, options).text + gd2::exportGpx(study, options).text +
                         gd2::exportGeoJson(study, options).text + gd2::reportText(study, runs) +
                         gd2::reportCsv(runs);
        for (const gd2::RunReport& run : runs) {
            all += gd2::speedChartSvg(run);
        }
        QVERIFY(!all.contains("nan"));
        QVERIFY(!all.contains("inf"));
        QCOMPARE(gd2::exportGpx(study, options).withoutPosition, qsizetype(records));
    }

    void goldens_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("svgFile");
        QTest::addColumn<QString>("golden");
        QTest::newRow("csv") << QStringList{"export", "--format", "csv", "--west"} << QString()
                             << "reference.csv";
        QTest::newRow("gpx") << QStringList{"export", "--format",     "gpx",
                                            "--west", "--utc-offset", "-5"}
                             << QString() << "reference.gpx";
        QTest::newRow("geojson") << QStringList{"export", "--west", "--format=geojson"} << QString()
                                 << "reference.geojson";
        QTest::newRow("report") << QStringList{"report"} << QString() << "reference-report.txt";
        QTest::newRow("report csv")
            << QStringList{"report", "--csv"} << QString() << "reference-report.csv";
        QTest::newRow("svg") << QStringList{"report", "--svg"} << "run-1.svg"
                             << "reference-run-1.svg";
    }
    void goldens()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, svgFile);
        QFETCH(QString, golden);
        const QString path = writeStudy(QStringLiteral("ref.gd2"),
                                        studyBytes(referenceHeader(), referenceRecords()));
        if (!svgFile.isEmpty()) {
            args << dir_.filePath(QStringLiteral("charts"));
        }
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli(args << path, io), 0);
        const QByteArray actual = svgFile.isEmpty()
                                      ? io.out
                                      : readAll(dir_.filePath(QStringLiteral("charts/") + svgFile));
        QCOMPARE(QString::fromUtf8(actual), QString::fromUtf8(::golden(golden)));
    }

    void gpxLeavesOutRecordsWithoutPosition()
    {
        const QString path = writeStudy(QStringLiteral("ref.gd2"),
                                        studyBytes(referenceHeader(), referenceRecords()));
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli({"export", "--format", "gpx", "--utc-offset", "0", path}, io), 0);
        QCOMPARE(io.err, QByteArray("gd2: 2 of 12 records have no position and were left out\n"));
        // One track per run, a segment per node stretch.
        QXmlStreamReader xml(io.out);
        QList<int> segmentsPerTrack;
        int points = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            if (xml.name() == u"trk") {
                segmentsPerTrack << 0;
            } else if (xml.name() == u"trkseg") {
                ++segmentsPerTrack.last();
            } else if (xml.name() == u"trkpt") {
                ++points;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(segmentsPerTrack, QList<int>({3, 2}));
        QCOMPARE(points, 10);
    }

    // Worked by hand. Every leg runs along the meridian, so it is
    // R * dLat in radians: 6371008.8 m * 0.001 * pi / 180 = 111.195080 m per
    // 0.001 degree.
    // Run 1, start-N1: 09:00:00 to 09:01:30 = 90 s; 0.000 + 0.003 + 0.004 =
    //   0.007 deg = 778.3656 m; stopped 09:00:00-09:01:00 (0 mph twice) = 60 s.
    // Run 1, N1-N2: 09:01:30 to 09:02:30 = 60 s; 0.004 + 0.001 = 555.9754 m.
    // Run 1, N2-end: 09:02:30 to 09:03:00 = 30 s; no move; 4 mph counts 30 s,
    //   the last fix has no interval after it.
    // Run 2, start-N1: 09:10:00 to 09:10:40 = 40 s; 40.012 to 40.006, past the
    //   fix without position = 667.1705 m.
    // Run 2, N1-end: 40 s; 40.006 to 40.000 past the malformed one = 667.1705 m.
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
        const QList<gd2::RunReport> runs =
            gd2::analyse(parsed(studyBytes(referenceHeader(), referenceRecords())));
        QCOMPARE(runs.size(), 2);
        const gd2::Stretch& s = runs[run].stretches[stretch];
        QTEST(s.from + u'-' + s.to, "label");
        QTEST(s.travelMs.value_or(-1), "travelMs");
        QFETCH(double, metres);
        QVERIFY2(qAbs(s.metres - metres) < 1e-3, qPrintable(QString::number(s.metres, 'f', 6)));
        QTEST(s.stoppedMs, "stoppedMs");
    }

    void runTotals()
    {
        const QList<gd2::RunReport> runs =
            gd2::analyse(parsed(studyBytes(referenceHeader(), referenceRecords())));
        // 0.012 deg each: 1334.3410 m. Run 1: 180 s, 1334.341 / 180 / 0.44704 =
        // 16.58 mph; stopped 60 + 30 s. Run 2: 80 s, 37.31 mph; 2 of 5 fixes lack
        // a position (one also speed, quality, satellites, HDOP).
        QCOMPARE(*runs[0].durationMs(), 180'000LL);
        QCOMPARE(*runs[1].durationMs(), 80'000LL);
        QVERIFY(qAbs(runs[0].metres - 1334.3410) < 1e-3);
        QVERIFY(qAbs(runs[1].metres - 1334.3410) < 1e-3);
        QVERIFY(qAbs(*gd2::averageMph(runs[0].metres, runs[0].durationMs()) - 16.5824) < 1e-4);
        QCOMPARE(runs[0].stoppedMs, 90'000LL);
        QCOMPARE(runs[1].incomplete, qsizetype(2));
        QCOMPARE(runs[0].delays.size(), qsizetype(1));
        QCOMPARE(runs[0].delays[0].stretch, QStringLiteral("N1-N2"));
        QCOMPARE(runs[1].delays[0].number, 12);
    }

    void haversine_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("metres");
        QTest::newRow("same point") << 40.0 << 75.0 << 40.0 << 75.0 << 0.0;
        // R * pi / 2
        QTest::newRow("quarter meridian") << 0.0 << 10.0 << 90.0 << 10.0 << 10007557.2210;
        // 2R asin(cos 60 * sin 0.5 deg): a degree of longitude is half as long there
        QTest::newRow("parallel at 60") << 60.0 << 1.0 << 60.0 << 2.0 << 55597.0109;
        QTest::newRow("diagonal") << 40.0 << 75.0 << 40.01 << 74.99 << 1400.6777;
    }
    void haversine()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, metres);
        QVERIFY(qAbs(gd2::haversineMetres(lat1, lon1, lat2, lon2) - metres) < 1e-3);
    }

    // Each fix's speed holds until the next fix; 5 mph itself is moving.
    void stoppedTime_data()
    {
        QTest::addColumn<float>("first");
        QTest::addColumn<float>("second");
        QTest::addColumn<qint64>("stoppedMs");
        QTest::newRow("5 is moving") << 5.0f << 30.0f << 0LL;
        QTest::newRow("4.9 is stopped") << 4.9f << 30.0f << 20'000LL;
        QTest::newRow("missing speed") << -1.0f << 30.0f << 0LL;
        QTest::newRow("both stopped") << 0.0f << 0.0f << 50'000LL;
    }
    void stoppedTime()
    {
        QFETCH(float, first);
        QFETCH(float, second);
        // 20 s, then 30 s, then a last fix that has no interval after it.
        const QList<FixRecord> r{fix(1, 9, 0, 0, 40.0, first, 0),
                                 fix(1, 9, 0, 20, 40.001, second, 0),
                                 fix(1, 9, 0, 50, 40.002, 0.0f, 0)};
        QTEST(gd2::analyse(parsed(studyBytes(referenceHeader(), r)))[0].stoppedMs, "stoppedMs");
    }

    // The collector stamps fixes with the study date, so after midnight the
    // time steps back a day; a smaller step back is a fault.
    void midnightAndDisorder()
    {
        QList<FixRecord> r{fix(1, 23, 59, 30, 40.0, 20.0f, 0), fix(1, 0, 0, 0, 40.001, 20.0f, 0),
                           fix(1, 0, 0, 30, 40.002, 20.0f, 0), fix(1, 0, 0, 10, 40.003, 20.0f, 0)};
        const gd2::Study study = parsed(studyBytes(referenceHeader(), r));
        const QList<gd2::RunReport> runs = gd2::analyse(study);
        QCOMPARE(*runs[0].start, 40238LL * 86'400'000 + 86'370'000);
        QCOMPARE(*runs[0].durationMs(), 40'000LL); // 23:59:30 to 00:00:10 the next day
        const QByteArray info = gd2::infoText(study, QStringLiteral("f"));
        QVERIFY(info.contains("2010-03-01T23:59:30 to 2010-03-02T00:00:10, passes midnight"));
        QVERIFY(info.contains("run 1: record 4 (2010-03-02T00:00:10) is earlier than the record "
                              "before it"));
    }

    void infoStatesProblems()
    {
        StudyHeader h = referenceHeader();
        h.VersionMajor = 3;
        QList<FixRecord> r = referenceRecords();
        r[3].NodeNum = 0; // a node number that falls back (record 4: 0, record 5: 1)
        r[4].NodeNum = 0;
        r[5].NodeNum = 0;
        r.append(fix(1, 9, 20, 0, 40.0, 10.0f, 0)); // run 1 again after run 2
        const QByteArray info =
            gd2::infoText(parsed(studyBytes(h, r) + "xyz"), QStringLiteral("f"));
        QVERIFY(info.contains("Size         899 bytes: header 272 + 13 records of 48 + 3 bytes"));
        QVERIFY(info.contains("the length, 899 bytes, is not 272 + 48 n: the last 3 bytes"));
        QVERIFY(info.contains("unknown version 3.1.2"));
        QVERIFY(info.contains("run 1 starts again at record 13, after other runs"));
        QVERIFY(info.contains("  Run 2      5 records, SB, nodes 0-1, 2010-03-01T09:10:00 to "
                              "2010-03-01T09:11:20\n"));
        QVERIFY(!info.contains("node number falls"));
        r[6].NodeNum = 0;
        r[5].NodeNum = 2;
        QVERIFY(gd2::infoText(parsed(studyBytes(h, r)), QStringLiteral("f"))
                    .contains("run 1: the node number falls from 2 to 0 at record 7"));
    }

    void utcOffset_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("seconds"); // -1 for refused
        QTest::newRow("hours") << "-5" << -18000;
        QTest::newRow("half hour") << "+5.5" << 19800;
        QTest::newRow("colon") << "05:45" << 20700;
        QTest::newRow("negative colon") << "-03:30" << -12600;
        QTest::newRow("largest") << "14" << 50400;
        QTest::newRow("too far") << "14.5" << -1;
        QTest::newRow("exponent") << "1e1" << -1;
        QTest::newRow("minutes 60") << "5:60" << -1;
        QTest::newRow("word") << "EST" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void utcOffset()
    {
        QFETCH(QString, text);
        QTEST(gd2::parseUtcOffset(text).value_or(-1), "seconds");
    }

    void times_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("utc");
        const qint64 day = 40238LL * 86'400'000;
        QTest::newRow("west") << day + 9 * 3'600'000 << -18000 << "2010-03-01T09:00:00"
                              << "2010-03-01T14:00:00Z";
        QTest::newRow("east, day before")
            << day + 2 * 3'600'000 + 250 << 19800 << "2010-03-01T02:00:00.250"
            << "2010-02-28T20:30:00.250Z";
        QTest::newRow("west, day after") << day + 86'399'000 << -3600 << "2010-03-01T23:59:59"
                                         << "2010-03-02T00:59:59Z";
    }
    void times()
    {
        QFETCH(qint64, ms);
        QFETCH(int, offset);
        QTEST(gd2::isoLocal(ms), "local");
        QTEST(gd2::isoUtc(ms, offset), "utc");
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing") << QStringList() << 2 << "Usage:";
        QTest::newRow("unknown command") << QStringList{"show", "F"} << 2 << "unknown command";
        QTest::newRow("no format")
            << QStringList{"export", "F"} << 2 << "export needs --format csv, gpx or geojson";
        QTest::newRow("bad format")
            << QStringList{"export", "--format", "kml", "F"} << 2 << "unknown format \"kml\"";
        QTest::newRow("option of another")
            << QStringList{"report", "--west", "F"} << 2 << "report takes no option --west";
        QTest::newRow("value missing")
            << QStringList{"report", "F", "--svg"} << 2 << "--svg needs a value";
        QTest::newRow("two files")
            << QStringList{"dump", "F", "F"} << 2 << "dump takes one study file";
        QTest::newRow("bad offset")
            << QStringList{"export", "--format", "gpx", "--utc-offset", "5h", "F"} << 2
            << "--utc-offset takes hours";
        QTest::newRow("no such file")
            << QStringList{"info", "nowhere.gd2"} << 1 << "nowhere.gd2: no such file";
        QTest::newRow("unwritable output") << QStringList{"dump", "-o", "/nonexistent/x", "F"} << 1
                                           << "/nonexistent/x: cannot be written";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        const QString path = writeStudy(QStringLiteral("ref.gd2"),
                                        studyBytes(referenceHeader(), referenceRecords()));
        args.replaceInStrings(QRegularExpression(QStringLiteral("^F$")), path);
        gd2::CliOutput io;
        QTEST(gd2::runCli(args, io), "status");
        QFETCH(QString, message);
        QVERIFY2(io.err.contains(message.toUtf8()), io.err.constData());
        QVERIFY(io.out.isEmpty());
    }

    // A run number that comes back gets a chart of its own; each chart marks
    // its nodes and shades its stopped time.
    void chartsPerRun()
    {
        QList<FixRecord> r = referenceRecords();
        r.append(fix(1, 9, 20, 0, 40.0, 10.0f, 0));
        const QString path =
            writeStudy(QStringLiteral("again.gd2"), studyBytes(referenceHeader(), r));
        const QString charts = dir_.filePath(QStringLiteral("again"));
        gd2::CliOutput io;
        QCOMPARE(gd2::runCli({"report", "--csv", "--svg", charts, path}, io), 0);
        QCOMPARE(QDir(charts).entryList(QDir::Files),
                 QStringList({"run-1-2.svg", "run-1.svg", "run-2.svg"}));
        const QByteArray svg = readAll(charts + QStringLiteral("/run-1.svg"));
        QXmlStreamReader xml(svg);
        QStringList texts;
        int shaded = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement) {
                if (xml.name() == u"text") {
                    texts << xml.readElementText();
                } else if (xml.name() == u"rect" &&
                           xml.attributes().value(QStringLiteral("height")) == u"310") {
                    ++shaded;
                }
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(shaded, 2); // 09:00:00-09:01:00 and 09:02:30-09:03:00
        QVERIFY(texts.contains(QStringLiteral("N1")));
        QVERIFY(texts.contains(QStringLiteral("N2")));
        QVERIFY(texts.contains(QStringLiteral("09:01:00")));
        QVERIFY(texts.contains(QStringLiteral("Speed (mph)")));
    }

    void geojsonIsJson()
    {
        const gd2::Study study = parsed(studyBytes(referenceHeader(), referenceRecords()));
        QJsonParseError error;
        const QJsonDocument doc =
            QJsonDocument::fromJson(gd2::exportGeoJson(study, {}).text, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc[u"features"][1][u"geometry"][u"coordinates"][1][1].toDouble(), 40.006);
    }
};

QTEST_GUILESS_MAIN(TstGd2)
#include "tst_gd2.moc"
