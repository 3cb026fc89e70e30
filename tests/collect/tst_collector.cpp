// Streams through the reception, decoding and recording step, checked on the
// records that reach the study file and on what the window was told.

#include "AnsiText.h"
#include "Collector.h"
#include "CollectorView.h"
#include "Colours.h"
#include "FakeCommPort.h"
#include "Preferences.h"
#include "StudyFile.h"
#include "TestSupport.h"
#include "Validation.h"

#include <QDir>

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace {

struct RecordingView final : CollectorView
{
    QStringList status;
    int startButtonShown = 0;
    int labels = 0;
    QList<FixRecord> rows;
    QList<quint32> paints;
    QList<int> unsaved;

    void setStatus(QLatin1StringView text) override { status.append(QString(text)); }
    void showStartButton() override { ++startButtonShown; }
    void showLabels(const GpsLabels&) override { ++labels; }
    void addGridRow(const FixRecord& fix) override { rows.append(fix); }
    void paintSurfaces(quint32 colour) override { paints.append(colour); }
    void showUnsavedRecords(int count) override { unsaved.append(count); }
};

const QByteArray kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const QByteArray kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const QByteArray kVtg = "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48\r\n";
const QByteArray kText = "@100301123519N4807038E01131000G015+00001E0030N0040U0000\r\n";

// The process's descriptor open on path, or -1.
int descriptorOf(const QString& path)
{
    const QByteArray target = QFileInfo(path).canonicalFilePath().toLocal8Bit();
    for (int fd = 0; fd < 1024; ++fd) {
        char link[4096];
        const QByteArray name = "/proc/self/fd/" + QByteArray::number(fd);
        const ssize_t n = ::readlink(name.constData(), link, sizeof link);
        if (n > 0 && QByteArray(link, n) == target) {
            return fd;
        }
    }
    return -1;
}

// A study with its header written, ready for runs.
struct Study
{
    QTemporaryDir dir;
    TestPlatform t;
    RecordingView view;
    FakeCommPort port;
    Collector c{t.m, view};

    explicit Study(const QString& receiver = QStringLiteral("Standard USB"))
    {
        t.clock.set(QDateTime(QDate(2010, 3, 1), QTime(12, 35, 40)));
        prepareStudy(t, dir, receiver);
        port.setRThreshold(1);
        port.setInputLen(1);
        QObject::connect(&port, &CommPort::OnComm, [this] { c.OnComm(port); });
    }

    void tick()
    {
        t.clock.advanceSecs(1);
        c.Tick();
    }

    QList<FixRecord> records() const { return studyRecords(t.m); }
    qint64 fileSize() const { return QFileInfo(StudyFilePath(t.m)).size(); }
};

} // namespace

class TstCollector : public QObject
{
    Q_OBJECT

private slots:
    // Which sentences close a fix, for each trigger, during a run.
    void recordsPerTrigger_data()
    {
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("firstQuality");
        const QByteArray cycle = kRmc + kGga;
        QTest::newRow("GGA closes, RMC merged") << "Standard USB" << cycle + cycle + "$" << 2 << 1;
        QTest::newRow("last sentence waits for the next start")
            << "Standard USB" << cycle + cycle << 1 << 1;
        QTest::newRow("RMC closes") << "Holux 210" << cycle + cycle + "$" << 2 << 1;
        QTest::newRow("VTG closes") << "GeoExplorer 3" << kGga + kVtg + "$" << 1 << 1;
        QTest::newRow("text always closes") << "Holux 210" << kText + kText + "$" << 2 << 1;
        QTest::newRow("other talkers are not decoded")
            << "Standard USB" << QByteArray(cycle).replace("$GP", "$GN") + "$" << 0 << 0;
        QTest::newRow("lower-case tags are not decoded")
            << "Standard USB" << QByteArray(cycle).replace("$GPGGA", "$gpgga") + "$" << 0 << 0;
        QTest::newRow("line feed only")
            << "Standard USB" << QByteArray(cycle + cycle).replace("\r\n", "\n") + "$" << 2 << 1;
    }
    void recordsPerTrigger()
    {
        QFETCH(QString, receiver);
        QFETCH(QByteArray, stream);
        QFETCH(int, records);
        Study s(receiver);
        s.tick();
        QVERIFY(s.c.StartRun());
        s.port.feed(stream);
        QVERIFY(s.c.StopRun() || (s.tick(), s.c.StopRun()));
        const QList<FixRecord> got = s.records();
        QCOMPARE(got.size(), records);
        QCOMPARE(s.view.rows.size(), records);
        QCOMPARE(s.fileSize(), 272 + 48 * records);
        if (records > 0) {
            QTEST(int(got[0].FixQuality), "firstQuality");
            QCOMPARE(got[0].RunNum, qint16(1));
        }
    }

    // With RMC then GGA in a cycle, the record holds GGA's time, position,
    // quality, satellites and HDOP, and RMC's speed and course.
    void cycleMergesIntoOneRecord()
    {
        Study s;
        s.tick();
        s.c.StartRun();
        s.port.feed(kRmc + kGga + "$", 1); // one character per read
        const FixRecord r = s.records().value(0);
        QCOMPARE(r.FixQuality, qint16(1));
        QCOMPARE(r.SpeedMph, 25.7824f);
        QCOMPARE(r.Course, 84.4f);
        QCOMPARE(r.NumSats, qint16(8));
        QCOMPARE(r.HDOP, 0.9f);
        QCOMPARE(r.FixTime, 40238.0 + (12 * 3600 + 35 * 60 + 19) / 86400.0);
        QCOMPARE(r.DelayNum, qint16(-1));
        // The offset came from the first time field: PC 12:35:40 against 12:35:19.
        QCOMPARE(s.t.m.TimeOffsetHr, qint16(0));
        // The grid shows the values as decoded, before validation.
        QCOMPARE(s.view.rows.value(0).SpeedMph, 25.7824f);
    }

    // A cycle without RMC leaves speed and course missing, not zero.
    void missingSentenceLeavesMissingValues()
    {
        Study s;
        s.tick();
        s.c.StartRun();
        s.port.feed(kGga + "$");
        const FixRecord r = s.records().value(0);
        QCOMPARE(r.SpeedMph, -1.0f);
        QCOMPARE(r.Course, 9999.0f);
        QCOMPARE(r.Latitude, 48.1173);
    }

    void nothingRecordedOutsideARun()
    {
        Study s;
        s.port.feed(kRmc + kGga + kRmc + kGga + "$");
        QCOMPARE(s.records().size(), 0);
        QCOMPARE(s.view.rows.size(), 0);
        QCOMPARE(s.view.labels, 4); // still shown
    }

    void statusLine()
    {
        Study s;
        s.port.feed("ll*47\r\n$GPGSV,3,1,12*7A\r\n$GPRMC,1\n$$GPGGA,2\r\n$");
        QCOMPARE(s.view.startButtonShown, 1);
        QCOMPARE(s.view.status,
                 QStringList({"Reading...", "$GPGSV,3,1,12*7A", "$GPRMC,", "$GPGGA,2"}));
    }

    void lineConditionsBeforeAnyData()
    {
        Study s;
        s.port.condition(CommPort::comEventBreak);
        s.port.condition(CommPort::comEventFrame);
        s.port.condition(CommPort::comEventRxParity);
        s.port.condition(CommPort::comEventOverrun);
        s.port.condition(CommPort::Event(1010)); // not one the collector knows
        QCOMPARE(s.view.status, QStringList({"Reading...", "Break", "Framing Error", "Parity Error",
                                             "Overrun Error"}));
        QCOMPARE(s.view.startButtonShown, 1);
    }

    void counterHoldsAtItsLargest()
    {
        Study s;
        s.c.NoDataTicks = 32766;
        s.tick();
        s.tick();
        QCOMPARE(s.c.NoDataTicks, qint16(32767));
        QCOMPARE(s.view.paints.last(), colours::kLightYellow);
    }

    // The 16th incomplete fix in a row turns the surfaces yellow; a complete one resets.
    void incompleteFixesInARow()
    {
        Study s;
        s.tick();
        s.c.StartRun();
        const QByteArray bad = "$GPGGA,123519,,,,,0,,,,,,,,*47\r\n";
        for (int i = 0; i < 15; ++i) {
            s.port.feed(bad);
        }
        s.port.feed("$");
        QCOMPARE(s.c.BadFixCount, qint16(15));
        QVERIFY(!s.view.paints.contains(colours::kLightYellow));
        s.port.feed(bad + "$");
        QCOMPARE(s.view.paints.last(), colours::kLightYellow);
        s.port.feed(kRmc + kGga + "$");
        QCOMPARE(s.c.BadFixCount, qint16(0));
        QCOMPARE(s.records().size(), 17); // written whether complete or not
        s.c.BadFixCount = 32767;
        s.port.feed(bad + "$");
        QCOMPARE(s.c.BadFixCount, qint16(32767));
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
        QTest::newRow("quality 8 passes") << "quality" << 8.0 << false << true << 8.0;
        QTest::newRow("quality 0 fails") << "quality" << 0.0 << false << false << -1.0;
        QTest::newRow("3 satellites pass") << "sats" << 3.0 << false << true << 3.0;
        QTest::newRow("2 satellites fail") << "sats" << 2.0 << false << false << -1.0;
        QTest::newRow("hdop 9.99 passes") << "hdop" << 9.99 << false << true << 9.99;
        QTest::newRow("hdop 10 fails") << "hdop" << 10.0 << false << false << -1.0;
        QTest::newRow("hdop 0 fails") << "hdop" << 0.0 << false << false << -1.0;
        QTest::newRow("text receiver skips satellites") << "sats" << -1.0 << true << true << -1.0;
        QTest::newRow("text receiver skips hdop") << "hdop" << -1.0 << true << true << -1.0;
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
        } else {
            f.HDOP = float(value);
        }
        QTEST(ValidateFix(f, textReceiver, 40238.0, 0.25), "ok");
        const double got = field == "speed"      ? f.SpeedMph
                           : field == "latitude" ? f.Latitude
                           : field == "quality"  ? f.FixQuality
                           : field == "sats"     ? f.NumSats
                                                 : f.HDOP;
        QFETCH(double, stored);
        QCOMPARE(float(got), float(stored));
    }

    void missingTimeTakesThePcClock()
    {
        FixRecord f;
        QVERIFY(!ValidateFix(f, false, 40238.0, 0.25));
        QCOMPARE(f.FixTime, 40238.25);
    }

    // A run whose file cannot be reopened keeps its records, says so, and
    // writes them in order once the file can be opened again.
    void recordsWaitForTheFile()
    {
        Study s;
        const QString realFolder = s.t.m.DataFolder;
        s.t.m.DataFolder = s.dir.filePath("gone") + QDir::separator();
        s.tick();
        s.c.StartRun();
        QCOMPARE(s.t.messages.shown.size(), 1); // the data-file message at Start
        s.port.feed(kRmc + kGga + kRmc + kGga + kRmc + kGga + "$");
        QCOMPARE(s.c.unsavedRecords(), 3);
        QCOMPARE(s.view.unsaved, QList<int>({1, 2, 3}));
        QCOMPARE(s.records().size(), 0);

        s.t.m.DataFolder = realFolder; // the card is back
        s.tick();
        QCOMPARE(s.c.unsavedRecords(), 0);
        QCOMPARE(s.view.unsaved.last(), 0);
        s.port.feed(kRmc + kGga + "$");
        s.tick();
        s.c.StopRun();
        QCOMPARE(s.records().size(), 4);
        QCOMPARE(s.fileSize(), 272 + 4 * 48);
        QCOMPARE(s.t.messages.shown.size(), 1); // no message box per record
    }

    // The medium fails under an open file (a card pulled out and put back):
    // a write or the sync fails on the old handle. The file is opened afresh
    // and every record since the last good sync is written again in place.
    void mediumFailsUnderTheOpenFile_data()
    {
        QTest::addColumn<bool>("beforeSync");
        QTest::newRow("a write fails") << false;
        QTest::newRow("the sync fails") << true;
    }
    void mediumFailsUnderTheOpenFile()
    {
        QFETCH(bool, beforeSync);
        Study s;
        s.tick();
        s.c.StartRun();
        const auto fix = [&](int second) {
            QByteArray gga = kGga;
            gga.replace(11, 2, QByteArray::number(second));
            s.port.feed(gga + "$");
        };
        fix(20);
        s.tick(); // synced
        fix(21);  // written, not yet synced
        const int dead = ::open("/dev/full", O_WRONLY);
        QVERIFY(dead >= 0);
        const int fd = descriptorOf(StudyFilePath(s.t.m));
        QVERIFY(fd >= 0);
        QVERIFY(::dup2(dead, fd) >= 0);
        ::close(dead);
        if (!beforeSync) {
            fix(22); // refused: it and the one before wait
            QCOMPARE(s.c.unsavedRecords(), 2);
            s.tick();
        } else {
            s.tick(); // the sync is refused; written again at once
            fix(22);
        }
        QCOMPARE(s.c.unsavedRecords(), 0);
        s.tick();
        s.c.StopRun();
        const QList<FixRecord> r = s.records();
        QCOMPARE(s.fileSize(), 272 + 3 * 48);
        QCOMPARE(r.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(qRound(std::fmod(r[i].FixTime, 1.0) * 86400) % 60, 20 + i);
        }
    }
};

QTEST_GUILESS_MAIN(TstCollector)
#include "tst_collector.moc"
