// The whole chain with signals: gpssim's route drive stops at red signals,
// the collecting core records it, and gd2 delays classifies each arrival as
// the drive truly made it.

#include "Cli.h"
#include "Collector.h"
#include "FakeCommPort.h"
#include "MemoryFiles.h"
#include "RouteDrive.h"
#include "Settings.h"
#include "StudyWriter.h"
#include "TestDoubles.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cmath>

namespace {

// Four checkpoints 300 m apart, northbound; signals at the inner two.
QList<route::Checkpoint> corridor()
{
    QList<route::Checkpoint> cps;
    for (int i = 0; i < 4; ++i) {
        cps.append({QStringLiteral("C%1").arg(i),
                    40.7 + i * 300.0 / 111195.0,
                    -74.0,
                    {},
                    i == 1 || i == 2 ? std::optional<int>(i) : std::nullopt});
    }
    return cps;
}

const QByteArray kTiming = "intid,cycle_s,movement,green_start_s,green_end_s\n"
                           "1,67,NBT,0,30\n1,67,SBT,35,60\n"
                           "2,67,NBT,25,55\n2,67,SBT,60,20\n";
// The same controllers retimed so that every green is red and every red green.
const QByteArray kTimingTurned = "intid,cycle_s,movement,green_start_s,green_end_s\n"
                                 "1,67,NBT,30,0\n1,67,SBT,60,35\n"
                                 "2,67,NBT,55,25\n2,67,SBT,20,60\n";

// A CSV's column by its header, row by row.
QStringList csvColumn(const QByteArray& csv, const QByteArray& name)
{
    const QList<QByteArray> lines = csv.trimmed().split('\n');
    const qsizetype at = lines.value(0).split(',').indexOf(name);
    QStringList out;
    for (const QByteArray& line : lines.mid(1)) {
        out << QString::fromLatin1(line.split(',').value(at));
    }
    return out;
}

// How far t (seconds since the cycle zero) lies from the nearest change of
// the movement's light.
double fromEdge(const timing::Intersection& x, timing::Movement m, double t)
{
    double nearest = 1e9;
    for (const timing::Green& g : x.greens[int(m)]) {
        for (const double edge : {g.start, g.end}) {
            const double d = std::fabs(x.inCycle(t - edge + x.cycleS / 2) - x.cycleS / 2);
            nearest = std::min(nearest, d);
        }
    }
    return nearest;
}

} // namespace

class TstSignals : public QObject
{
    Q_OBJECT

private slots:
    void arrivalsAsDriven_data()
    {
        QTest::addColumn<int>("rate");
        QTest::newRow("1 Hz") << 1;
        QTest::newRow("10 Hz") << 10;
    }
    void arrivalsAsDriven()
    {
        QFETCH(int, rate);
        QTemporaryDir dir;
        const QString route = dir.filePath(QStringLiteral("route.csv"));
        const QString timingFile = dir.filePath(QStringLiteral("timing.csv"));
        {
            QFile f(route);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(route::checkpointsCsv(corridor()));
            QFile t(timingFile);
            QVERIFY(t.open(QIODevice::WriteOnly));
            t.write(kTiming);
        }
        const timing::SignalTiming timing = timing::readSignalTiming(timingFile);
        QVERIFY2(timing.ok(), qPrintable(timing.error));

        // The drive, through signals tied by the route's signal column.
        const QDateTime start(QDate(2026, 3, 2), QTime(8, 0, 3), QTimeZone::utc());
        RouteDriveOptions ro;
        ro.rateHz = rate;
        ro.signalled = true;
        ro.startSecondOfDay = 8 * 3600 + 3;
        const QList<route::Checkpoint> cps = corridor();
        ro.forwardSignals.resize(cps.size());
        ro.backwardSignals.resize(cps.size());
        for (qsizetype i = 0; i < cps.size(); ++i) {
            if (cps[i].signal) {
                const timing::Intersection& x = *timing.find(*cps[i].signal);
                ro.forwardSignals[i] = CheckpointSignal{x, timing::Movement::NBT};
                ro.backwardSignals[i] = CheckpointSignal{x, timing::Movement::SBT};
            }
        }
        RouteDrive drive(cps, ro);

        // The collecting core records it, the PC's clock on UTC.
        MemoryFiles files;
        ManualClock clock(start);
        StudySettings settings;
        settings.GPSName = QStringLiteral("Standard USB");
        settings.Checkpoints = cps;
        StudyWriter writer(files, clock);
        const QString studyPath = QStringLiteral("/t/Signals-1.gd2");
        writer.setStudy(studyPath, PrefsRecord());
        writer.OpenStudyFile(true);
        writer.close();
        NullView view;
        FakeCommPort port;
        port.setRThreshold(1);
        Collector c(settings, writer, clock, view);
        QObject::connect(&port, &CommPort::OnComm, [&] { c.OnComm(port); });
        DriveOptions o;
        o.rateHz = ro.rateHz;
        for (int cycle = 0; cycle < 50 * 60 * ro.rateHz; ++cycle) {
            const DriveState s = drive.step();
            clock.set(start.addMSecs(qint64(s.seconds * 1000) + 200));
            if (cycle % ro.rateHz == 0) {
                c.Tick();
            }
            port.feed(ReceiverSentences(o, start, s));
        }
        port.feed("$");
        const QString study = dir.filePath(QStringLiteral("signals.gd2"));
        {
            QFile f(study);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(files.contents(studyPath));
        }

        gd2::CliOutput io;
        QCOMPARE(gd2::runCli({QStringLiteral("delays"), QStringLiteral("--csv"),
                              QStringLiteral("--signals"), timingFile,
                              QStringLiteral("--checkpoints"), route, study},
                             io),
                 0);
        // The arrivals in the order driven, both ways.
        QStringList got;
        for (const QByteArray& line : io.out.split('\n').mid(1)) {
            if (!line.isEmpty()) {
                got << QString::fromLatin1(line.split(',').last());
            }
        }
        QStringList truth;
        QList<double> edges;
        for (const TrueCrossing& t : drive.crossings()) {
            if (!t.arrivedOnGreen) {
                continue;
            }
            truth << (*t.arrivedOnGreen ? QStringLiteral("green") : QStringLiteral("red"));
            const timing::Intersection& x = *timing.find(*cps[t.checkpoint].signal);
            edges << fromEdge(x, t.forward ? timing::Movement::NBT : timing::Movement::SBT,
                              ro.startSecondOfDay + t.unslowedSeconds);
        }
        QVERIFY2(got.size() == truth.size(),
                 qPrintable(QStringLiteral("%1 rows, %2 true arrivals:\n%3")
                                .arg(got.size())
                                .arg(truth.size())
                                .arg(QString::fromLatin1(io.out))));
        QVERIFY(truth.count(QStringLiteral("green")) >= 4);
        QVERIFY(truth.count(QStringLiteral("red")) >= 4);
        for (qsizetype i = 0; i < truth.size(); ++i) {
            // The crossing is known to a fix.
            if (edges[i] > 1.0 / rate + 0.5) {
                QVERIFY2(got[i] == truth[i],
                         qPrintable(QStringLiteral("arrival %1: %2, truly %3\n%4")
                                        .arg(i)
                                        .arg(got[i], truth[i], QString::fromLatin1(io.out))));
            }
        }

        // Before and after: the same drive as another study (its receiver
        // renamed), judged after by the turned timing, has each node's
        // arrivals on green where they were on red; judged by the one
        // timing, the same share.
        QByteArray other = files.contents(studyPath);
        other[16 + 80 + 20] = 'x';
        const QString after = dir.filePath(QStringLiteral("signals-after.gd2"));
        const QString turnedFile = dir.filePath(QStringLiteral("turned.csv"));
        for (const auto& [path, bytes] :
             {std::pair(after, other), std::pair(turnedFile, kTimingTurned)}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        const QStringList compare = {QStringLiteral("compare"),
                                     QStringLiteral("--nodes"),
                                     QStringLiteral("--csv"),
                                     QStringLiteral("--signals"),
                                     timingFile,
                                     QStringLiteral("--checkpoints"),
                                     route,
                                     QStringLiteral("--before"),
                                     study,
                                     QStringLiteral("--after"),
                                     after};
        for (const bool turned : {false, true}) {
            gd2::CliOutput out;
            QCOMPARE(gd2::runCli(compare + (turned ? QStringList{QStringLiteral("--signals-after"),
                                                                 turnedFile}
                                                   : QStringList()),
                                 out),
                     0);
            const QStringList before = csvColumn(out.out, "on_green_before");
            const QStringList later = csvColumn(out.out, "on_green_after");
            QCOMPARE(later.size(), before.size());
            qsizetype signalled = 0;
            for (qsizetype i = 0; i < before.size(); ++i) {
                if (before[i].isEmpty()) {
                    QCOMPARE(later[i], QString()); // a node without a signal
                    continue;
                }
                ++signalled;
                const double expected = turned ? 1.0 - before[i].toDouble() : before[i].toDouble();
                QVERIFY2(std::fabs(later[i].toDouble() - expected) < 0.011,
                         qPrintable(QString::fromLatin1(out.out)));
            }
            QCOMPARE(signalled, 4); // two signals each way
        }
        gd2::CliOutput refused;
        QCOMPARE(
            gd2::runCli({QStringLiteral("compare"), QStringLiteral("--signals-after"), turnedFile,
                         QStringLiteral("--before"), study, QStringLiteral("--after"), after},
                        refused),
            2);
    }
};

QTEST_GUILESS_MAIN(TstSignals)
#include "tst_signals.moc"
