// Streams and run commands through reception, decoding and recording,
// checked on the records that reach the study file and on what the window
// was told.

#include "Collector.h"
#include "CollectorView.h"
#include "Colours.h"
#include "FakeCommPort.h"
#include "RouteFollower.h"
#include "TestSupport.h"
#include "Validation.h"

#include <QMap>
#include <QTimeZone>

#include <cmath>

namespace {

struct RecordingView final : CollectorView
{
    QStringList status;
    QStringList runs; // "start", "start by route", "node", "stop"
    QString route;
    void setStatusText(const QString& text) override { status.append(text); }
    void showRunStarted(bool byRoute) override { runs << (byRoute ? "start by route" : "start"); }
    void showRunStopped() override { runs << "stop"; }
    void showNodeMarked() override { runs << "node"; }
    void showRoute(const QString& text) override { route = text; }
    int startButtonShown = 0;
    QList<FixRecord> rows;
    QList<quint32> paints;
    QStringList notices;

    void setStatus(QLatin1StringView text) override { status.append(QString(text)); }
    void showStartButton() override { ++startButtonShown; }
    void showLabels(const GpsLabels&) override {}
    void addGridRow(const FixRecord& fix) override { rows.append(fix); }
    void paintSurfaces(quint32 colour) override { paints.append(colour); }
    void showFileNotice(const QString& text) override { notices.append(text); }
};

const QByteArray kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const QByteArray kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const QByteArray kVtg = "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48\r\n";
const QByteArray kText = "@100301123519N4807038E01131000G015+00001E0030N0040U0000\r\n";

// "$", the body, "*", its checksum (worked out here, not by the collector), CR LF.
QByteArray nmea(const QByteArray& body)
{
    unsigned char sum = 0;
    for (const char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

struct Study : TestStudy
{
    RecordingView view;
    FakeCommPort port;
    bool routed;
    Collector c{settings, writer, clock, view};

    explicit Study(const QString& receiver = QStringLiteral("Standard USB"),
                   const QList<route::Checkpoint>& checkpoints = {})
        : TestStudy(receiver), routed((settings.Checkpoints = checkpoints, !checkpoints.isEmpty()))
    {
        port.setRThreshold(1);
        port.setInputLen(1);
        QObject::connect(&port, &CommPort::OnComm, [this] { c.OnComm(port); });
        tick();
    }

    void tick()
    {
        clock.advanceSecs(1);
        c.Tick();
    }
};

} // namespace

class TstCollector : public QObject
{
    Q_OBJECT

private slots:
    // Which sentence closes a fix, for each receiver, during a run: the
    // satellites show whether GGA had been merged when the record was closed.
    void recordsPerTrigger_data()
    {
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<int>>("sats"); // per record
        const QByteArray cycle = kRmc + kGga;
        QTest::newRow("VTG closes") << "GeoExplorer 3" << kGga + kVtg + kVtg + "$" << QList{8, -1};
        QTest::newRow("text always closes") << "Holux 210" << kText + kText + "$" << QList{-1, -1};
        QByteArray noise;
        for (int i = 0; i < 4000; ++i) {
            noise += char((i * 7919 + 13) % 251); // every byte value, "@" and "$" among them
        }
        QTest::newRow("line noise writes nothing") << "Holux 210" << noise + "$" << QList<int>{};
        QTest::newRow("line feed only")
            << "Standard USB" << QByteArray(cycle + cycle).replace("\r\n", "\n") + "$"
            << QList{8, 8};
    }
    void recordsPerTrigger()
    {
        QFETCH(QString, receiver);
        QFETCH(QByteArray, stream);
        QFETCH(QList<int>, sats);
        Study s(receiver);
        QVERIFY(s.c.StartRun());
        s.port.feed(stream);
        s.tick();
        QVERIFY(s.c.StopRun());
        QList<int> got;
        for (const FixRecord& r : s.records()) {
            got << r.NumSats;
            QCOMPARE(r.RunNum, qint16(1));
        }
        QCOMPARE(got, sats);
        QCOMPARE(s.view.rows.size(), sats.size());
        QCOMPARE(s.bytes().size(), 272 + 48 * sats.size());
    }

    // Each row is a script of commands and fixes: R Start/Stop, N node, t a
    // second passes, d the delay box gives 7, 2 direction NB, f a fix. The
    // records carry node/delay/direction.
    void runCommands_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<bool>("runActive");
        QTest::newRow("nodes number the records after them")
            << "RfNftNfff" << QStringList{"0/-1/0", "0/-1/0", "1/-1/0", "2/-1/0", "2/-1/0"} << true;
        QTest::newRow("nodes count from 0 again in the next run")
            << "RNftRtRNf" << QStringList{"0/-1/0", "0/-1/0"} << true;
        QTest::newRow("a delay number goes into the next record only")
            << "Rfdff" << QStringList{"0/-1/0", "0/7/0", "0/-1/0"} << true;
        QTest::newRow("the direction stays with the records")
            << "2RftRt2Rf" << QStringList{"0/-1/2", "0/-1/2"} << true;
    }
    void runCommands()
    {
        QFETCH(QString, script);
        Study s;
        for (const QChar step : script) {
            switch (step.toLatin1()) {
            case 'R':
                s.c.runActive() ? s.c.StopRun() : s.c.StartRun();
                break;
            case 'N':
                s.c.NewNode();
                break;
            case 't':
                s.tick();
                break;
            case 'd':
                s.c.EnterDelay(QStringLiteral("7"));
                break;
            case '2':
                s.c.ChooseRunDir(2);
                break;
            case 'f':
                s.port.feed(kGga + "$");
                break;
            }
        }
        QTEST(s.c.runActive(), "runActive");
        s.c.Shutdown();
        QStringList got;
        for (const FixRecord& r : s.records()) {
            got << QStringLiteral("%1/%2/%3").arg(r.NodeNum).arg(r.DelayNum).arg(r.RunDir);
        }
        QTEST(got, "records");
    }

    // Every fix the receiver sends is a record and nothing else is: a sentence
    // with a wrong checksum, one cut off by a dropped link and an over-long
    // line complete no fix, and the status line counts them.
    void corruptedSentencesAreNeverRecords_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces"); // a break in the stream between pieces
        QTest::addColumn<QList<double>>("latitudes");  // per record
        QTest::addColumn<QString>("status");           // the last status line
        const QByteArray gga61 = QByteArray(kGga).replace("4807.038", "6807.038");
        QTest::newRow("one digit changed in GGA")
            << QList<QByteArray>{kRmc + gga61 + kRmc + kGga + "$"} << QList{48.1173}
            << "[Dropped: 1 bad checksum] "
               "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
        QTest::newRow("link dropped mid-sentence")
            << QList<QByteArray>{kGga + "$GPGGA,123519,40",
                                 "74,W,1,08,0.9,,,,,,*47\r\n" + kGga + "$"}
            << QList{48.1173, 48.1173}
            << "[Dropped: 1 cut off] "
               "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
        QTest::newRow("over-long line")
            << QList<QByteArray>{"$GPGGA," + QByteArray(300, 'q') + "\r\n$"} << QList<double>{}
            << "[Dropped: 1 over-long] Over-long line: $GPGGA," + QString(157, u'q');
    }
    void corruptedSentencesAreNeverRecords()
    {
        QFETCH(QList<QByteArray>, pieces);
        Study s;
        s.c.StartRun();
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i > 0) {
                s.port.cut();
            }
            s.port.feed(pieces[i], 5);
        }
        QList<double> latitudes;
        for (const FixRecord& r : s.records()) {
            latitudes << r.Latitude;
        }
        QTEST(latitudes, "latitudes");
        QTEST(s.view.status.last(), "status");
    }

    // The text receiver's status letters, as a receiver sends them in a
    // street canyon: 2-D fixes in lower case are fixes too.
    void textStatusLetters()
    {
        Study s(QStringLiteral("Garmin 76(text)"));
        s.c.StartRun();
        QByteArray stream;
        for (const char status : QByteArray("GgDdS_gdGDgd")) {
            stream += QByteArray(kText).replace(30, 1, QByteArray(1, status));
        }
        s.port.feed(stream + "$", 9);
        QList<int> qualities;
        for (const FixRecord& r : s.records()) {
            qualities << r.FixQuality;
        }
        QCOMPARE(qualities, (QList<int>{1, 1, 2, 2, 8, -1, 1, 2, 1, 2, 1, 2}));
    }

    // Records carry the local time in zones a half or three quarters of an
    // hour from UTC, or far west with the PC clock well off, from NMEA and
    // text receivers alike.
    void recordTimesInEveryZone_data()
    {
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<int>("zone"); // minutes east of UTC
        QTest::addColumn<QTime>("pc");
        QTest::addColumn<QByteArray>("sentence");
        QTest::addColumn<QTime>("recorded");
        const QByteArray gga =
            nmea("GPGGA,034644,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
        const QByteArray text = "@100301034644N4807038E01131000G015+00001E0030N0040U0000\r\n";
        QTest::newRow("Nepal, text")
            << "Garmin 76(text)" << 345 << QTime(9, 31, 50) << text << QTime(9, 31, 44);
        QTest::newRow("central Australia, text, PC 5 min slow")
            << "Garmin 76(text)" << 570 << QTime(13, 11, 50) << text << QTime(13, 16, 44);
        // Twenty minutes off: only the zone setting, sign and all, gives the hour.
        QTest::newRow("five hours west, GGA, PC 20 min slow")
            << "Standard USB" << -300 << QTime(22, 26, 44) << gga << QTime(22, 46, 44);
    }
    void recordTimesInEveryZone()
    {
        QFETCH(QString, receiver);
        QFETCH(int, zone);
        QFETCH(QTime, pc);
        QFETCH(QByteArray, sentence);
        Study s(receiver);
        s.clock.set(QDateTime(QDate(2010, 3, 1), pc, QTimeZone(zone * 60)));
        s.c.StartRun();
        s.port.feed(sentence + sentence + "$");
        const QList<FixRecord> r = s.records();
        QCOMPARE(r.size(), 2);
        QFETCH(QTime, recorded);
        QCOMPARE(r[1].FixTime, 40238.0 + recorded.msecsSinceStartOfDay() / 86'400'000.0);
    }

    // A corridor driven north at 10 m/s, one fix a second, with checkpoints
    // A, B, C, D every 200 m: the route starts, marks and stops the run at
    // the first fix past each line, and the study file holds exactly what
    // the keys pressed at those fixes would have written, direction included:
    // the route's, or the one the operator chose before the run. The same
    // driven east over the 180° meridian, the receiver's hemisphere turning
    // from E to W between B and C.
    void routeRunsAsKeysWouldMakeThem_data()
    {
        QTest::addColumn<bool>("overMeridian");
        QTest::addColumn<int>("chosen"); // the direction list's index, 0 for none
        QTest::addColumn<QString>("dir");
        QTest::newRow("the route's") << false << 0 << "NB";
        QTest::newRow("the operator's") << false << 3 << "WB";
        QTest::newRow("east over 180°, Fiji") << true << 0 << "EB";
    }
    void routeRunsAsKeysWouldMakeThem()
    {
        QFETCH(bool, overMeridian);
        QFETCH(int, chosen);
        QFETCH(QString, dir);
        const double perDegreeEast = 111195.0 * std::cos(17.0 * M_PI / 180.0);
        // Signed degrees `along` metres up the corridor.
        const auto at = [&](double along) -> std::pair<double, double> {
            if (!overMeridian) {
                return {40.0 + along / 111195.0, -74.0};
            }
            return {-17.0, std::remainder(180.0 + (along - 300.0) / perDegreeEast, 360.0)};
        };
        QList<route::Checkpoint> cps;
        for (int i = 0; i < 4; ++i) {
            const auto [lat, lon] = at(200.0 * i);
            cps.append({QString(QChar(u'A' + i)), lat, lon, {}, {}});
        }
        // Degrees and minutes, and the hemisphere, as the receiver writes them.
        const auto nmeaAt = [&](double along) {
            const auto [lat, lon] = at(along);
            const auto dm = [](double d, int width) {
                d = std::fabs(d);
                return QByteArray::number(int(d) * 100 + (d - int(d)) * 60, 'f', 4)
                    .rightJustified(width, '0');
            };
            return dm(lat, 9) + (lat < 0 ? ",S," : ",N,") + dm(lon, 10) + (lon < 0 ? ",W" : ",E");
        };
        const auto cycle = [&](int k) {
            const double along = -35.0 + 10.0 * k;
            const QByteArray time = QTime(12, 35, 19).addSecs(k).toString("hhmmss").toLatin1();
            return nmea("GPRMC," + time + ",A," + nmeaAt(along) + ",19.4,0.0,010310,,") +
                   nmea("GPGGA," + time + "," + nmeaAt(along) + ",1,08,0.9,10,M,,M,,");
        };
        const QMap<int, char> keys = {{4, 'R'}, {24, 'N'}, {44, 'N'}, {64, 'R'}};
        Study byRoute(QStringLiteral("Standard USB"), cps);
        Study byKeys;
        byRoute.c.ChooseRunDir(chosen);
        // NB or EB, as the route is driven, unless the operator chose.
        byKeys.c.ChooseRunDir(chosen != 0 ? chosen : overMeridian ? 4 : 2);
        for (int k = 0; k < 75; ++k) {
            // The last sentence of a cycle is decoded when the next cycle
            // begins: once cycle k has come, fix k-1 is recorded and a key
            // goes into fix k, as the route's command does.
            for (Study* s : {&byRoute, &byKeys}) {
                s->tick();
                s->port.feed(cycle(k) + (k == 74 ? "$" : ""));
            }
            switch (keys.value(k)) {
            case 'R':
                byKeys.c.runActive() ? byKeys.c.StopRun() : byKeys.c.StartRun();
                break;
            case 'N':
                byKeys.c.NewNode();
                break;
            }
        }
        QCOMPARE(byRoute.records().size(), 60);
        QVERIFY(sameBytes(byRoute.bytes().mid(272), byKeys.bytes().mid(272))); // the records
        QCOMPARE(byRoute.view.runs, QStringList({"start by route", "node", "node", "stop"}));
        QVERIFY(byRoute.view.status.contains("Checkpoint B (2 of 4): node 1"));
        QCOMPARE(byRoute.view.route,
                 QString("Run 1 (%1): 0:59. %1: 1 run (±10 % at 95 %)").arg(dir));
    }

    // Three NB runs of 60, 66 and 72 s: mean 66, SD 6, CV 9.1 %. At ±10 % and
    // 95 %, five runs are too few, (2.776 * 0.909)^2 = 6.37 > 5, and six
    // enough, (2.571 * 0.909)^2 = 5.46 <= 6: three more.
    void routeLineSaysHowManyMore()
    {
        RouteFollower route({{"A", 40.0, -74.0, {}, {}}, {"B", 40.01, -74.0, {}, {}}});
        for (int run = 1; run <= 3; ++run) {
            route.runStarted(route::Way::Forward);
            FixRecord f;
            f.RunNum = qint16(run);
            f.RunDir = 2;
            for (const int s : {0, 54 + 6 * run}) {
                f.FixTime = 40238.5 + (600 * run + s) / 86400.0;
                route.recorded(f);
            }
            route.runStopped();
        }
        QCOMPARE(route.text(false),
                 "Run 3 (NB): 1:12. NB: 3 runs, CV 9.1 %, 3 more needed (±10 % at 95 %)");
    }

    void statusLineAndLineConditions()
    {
        Study s;
        s.port.feed("ll*47\r\n$GPGSV,3,1,12*78\r\n$GPRMC,1\n$$GPGGA,2\r\n$");
        s.port.condition(CommPort::comEventBreak);
        s.port.condition(CommPort::comEventFrame);
        s.port.condition(CommPort::comEventRxParity);
        s.port.condition(CommPort::comEventOverrun);
        s.port.condition(CommPort::Event(1010)); // not one the collector knows
        QCOMPARE(s.view.startButtonShown, 1);
        QCOMPARE(s.view.status,
                 QStringList({"Reading...", "$GPGSV,3,1,12*78", "$GPRMC,", "$GPGGA,2", "Break",
                              "Framing Error", "Parity Error", "Overrun Error"}));
    }

    // Ten seconds without a decoded sentence, or the 16th incomplete fix in a
    // row, turn the surfaces yellow; a complete fix starts the count again.
    void yellowWhenDataIsMissing()
    {
        Study s;
        for (int i = 0; i < 9; ++i) {
            s.tick();
        }
        QCOMPARE(s.view.paints.last(), colours::kLightYellow);
        s.c.StartRun();
        const QByteArray bad = nmea("GPGGA,123519,,,,,0,,,,,,,,");
        for (int i = 0; i < 15; ++i) {
            s.port.feed(bad + "$");
        }
        s.tick();
        QCOMPARE(s.view.paints.last(), colours::kLightGreen);
        s.port.feed(bad + "$");
        QCOMPARE(s.view.paints.last(), colours::kLightYellow);
        s.port.feed(kRmc + kGga + "$");
        for (int i = 0; i < 15; ++i) {
            s.port.feed(bad + "$");
        }
        s.tick();
        QCOMPARE(s.view.paints.last(), colours::kLightGreen);
        QCOMPARE(s.records().size(), 32); // written whether complete or not
    }

    void validation_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("textReceiver");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("stored");
        QTest::newRow("speed 120 passes") << "speed" << 120.0 << false << true << 120.0;
        QTest::newRow("speed 120.1 fails") << "speed" << 120.1 << false << false << -1.0;
        QTest::newRow("speed negative fails") << "speed" << -0.5 << false << false << -1.0;
        QTest::newRow("latitude 0 fails") << "latitude" << 0.0 << false << false << -1.0;
        QTest::newRow("latitude -999 passes") << "latitude" << -999.0 << false << true << -999.0;
        QTest::newRow("quality 0 fails") << "quality" << 0.0 << false << false << -1.0;
        QTest::newRow("3 satellites pass") << "sats" << 3.0 << false << true << 3.0;
        QTest::newRow("2 satellites fail") << "sats" << 2.0 << false << false << -1.0;
        QTest::newRow("hdop 9.99 passes") << "hdop" << 9.99 << false << true << 9.99;
        QTest::newRow("hdop 10 fails") << "hdop" << 10.0 << false << false << -1.0;
        QTest::newRow("hdop 0 fails") << "hdop" << 0.0 << false << false << -1.0;
        QTest::newRow("text receiver skips satellites") << "sats" << -1.0 << true << true << -1.0;
        QTest::newRow("text receiver skips hdop") << "hdop" << -1.0 << true << true << -1.0;
        QTest::newRow("missing time takes the PC clock")
            << "time" << -1.0 << false << false << 40238.25;
    }
    void validation()
    {
        QFETCH(QString, field);
        QFETCH(double, value);
        QFETCH(bool, textReceiver);
        FixRecord f;
        f.SpeedMph = 30.0f;
        f.FixTime = 40238.5;
        f.Latitude = 48.0;
        f.Longitude = 11.0;
        f.FixQuality = 1;
        f.NumSats = 8;
        f.HDOP = 0.9f;
        if (field == "speed") {
            f.SpeedMph = float(value);
        } else if (field == "latitude") {
            f.Latitude = value;
        } else if (field == "quality") {
            f.FixQuality = qint16(value);
        } else if (field == "sats") {
            f.NumSats = qint16(value);
        } else if (field == "hdop") {
            f.HDOP = float(value);
        } else {
            f.FixTime = value;
        }
        QTEST(ValidateFix(f, textReceiver, 40238.0, 0.25), "ok");
        const double got = field == "speed"      ? f.SpeedMph
                           : field == "latitude" ? f.Latitude
                           : field == "quality"  ? f.FixQuality
                           : field == "sats"     ? f.NumSats
                           : field == "hdop"     ? f.HDOP
                                                 : f.FixTime;
        QFETCH(double, stored);
        QCOMPARE(float(got), float(stored));
    }
};

QTEST_GUILESS_MAIN(TstCollector)
#include "tst_collector.moc"
