// Recorded receiver logs through reception, decoding and recording, compared
// with the records expected of them. A change to an expected file is a
// change of recorded data and is explained where it is made; set
// VT_UPDATE_EXPECTED=1 to write the files anew after such a change.

#include "Collector.h"
#include "FakeCommPort.h"
#include "TestSupport.h"

#include <QFile>

#include <cmath>

namespace {

QString logPath(const QString& name)
{
    return QStringLiteral(VT_TEST_DATA "/logs/") + name;
}

// The log as the port delivers it: comment lines are notes, not data.
QByteArray serialStream(const QString& log)
{
    QByteArray out;
    QFile f(logPath(log));
    if (!f.open(QIODevice::ReadOnly)) {
        return out;
    }
    const QByteArray all = f.readAll();
    for (qsizetype at = 0; at < all.size();) {
        qsizetype end = all.indexOf('\n', at);
        end = end < 0 ? all.size() : end + 1;
        const QByteArray line = all.mid(at, end - at);
        if (!line.startsWith('#')) {
            out += line;
        }
        at = end;
    }
    return out;
}

QString value(double v, int decimals, double missingValue)
{
    return v == missingValue ? QStringLiteral("-") : QString::number(v, 'f', decimals);
}

// A Date as the wall-clock time it stands for.
QDateTime dateTimeOf(double date)
{
    const auto ms = qint64(std::llround(date * 86'400'000.0));
    return QDateTime(QDate(1899, 12, 30).addDays(ms / 86'400'000),
                     QTime::fromMSecsSinceStartOfDay(int(ms % 86'400'000)));
}

QString dumpLine(const FixRecord& r)
{
    const QDateTime t = dateTimeOf(r.FixTime);
    return QStringLiteral("run=%1 node=%2 delay=%3 dir=%4 time=%5 q=%6 sats=%7 hdop=%8 mph=%9 "
                          "course=%10 lat=%11 lon=%12")
        .arg(r.RunNum)
        .arg(r.NodeNum)
        .arg(r.DelayNum)
        .arg(r.RunDir)
        .arg(t.toString(Qt::ISODate))
        .arg(r.FixQuality)
        .arg(r.NumSats)
        .arg(value(r.HDOP, 2, -1.0))
        .arg(value(r.SpeedMph, 4, -1.0))
        .arg(value(r.Course, 2, 9999.0))
        .arg(value(r.Latitude, 6, -1.0))
        .arg(value(r.Longitude, 6, -1.0));
}

} // namespace

class TstLogs : public QObject
{
    Q_OBJECT

private slots:
    void logs_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QTime>("pc"); // the PC's local time at the log's start
        QTest::newRow("GN talkers, any-talker model")
            << "ublox8-gn.nmea"
            << "Multi-GNSS (any talker)"
            << "ublox8-gn.multi.expected" << QTime(9, 36, 0);
        QTest::newRow("GN talkers, standard model")
            << "ublox8-gn.nmea"
            << "Standard USB"
            << "ublox8-gn.standard.expected" << QTime(9, 36, 0);
        QTest::newRow("GP only, GGA closes") << "sirf-gp.nmea"
                                             << "Standard USB"
                                             << "sirf-gp.standard.expected" << QTime(9, 36, 0);
        QTest::newRow("GP only, RMC closes") << "sirf-gp.nmea"
                                             << "Holux 210"
                                             << "sirf-gp.holux.expected" << QTime(9, 36, 0);
        QTest::newRow("GP only, any-talker model")
            << "sirf-gp.nmea"
            << "Multi-GNSS (any talker)"
            << "sirf-gp.standard.expected" << QTime(9, 36, 0);
        // A fix is a record only from sentences that arrived whole: no
        // record here holds a changed digit, and the cycles they spoil lack
        // what those sentences held.
        QTest::newRow("line faults, GGA closes")
            << "sirf-gp-line-faults.nmea"
            << "Standard USB"
            << "sirf-gp-line-faults.standard.expected" << QTime(9, 36, 0);
        QTest::newRow("line faults, RMC closes")
            << "sirf-gp-line-faults.nmea"
            << "Holux 210"
            << "sirf-gp-line-faults.holux.expected" << QTime(9, 36, 0);
        QTest::newRow("text sentences") << "text-76.txt"
                                        << "Garmin 76(text)"
                                        << "text-76.expected" << QTime(9, 20, 40);
    }
    void logs()
    {
        QFETCH(QString, log);
        QFETCH(QString, receiver);
        QFETCH(QString, expected);

        TestStudy t(receiver);
        QFETCH(QTime, pc);
        t.clock.set(QDateTime(QDate(2010, 3, 1), pc));
        NullView view;
        FakeCommPort port;
        port.setRThreshold(1);
        Collector c(t.settings, t.writer, t.clock, view);
        QObject::connect(&port, &CommPort::OnComm, [&] { c.OnComm(port); });
        t.clock.advanceSecs(1);
        c.Tick();
        c.StartRun();
        port.feed(serialStream(log), 7);
        t.clock.advanceSecs(1);
        c.Tick();
        QVERIFY(c.StopRun());

        QStringList lines;
        QCOMPARE((t.bytes().size() - 272) % 48, 0);
        for (const FixRecord& r : t.records()) {
            lines.append(dumpLine(r));
        }
        const QString expectedPath = logPath(expected);
        if (qEnvironmentVariableIntValue("VT_UPDATE_EXPECTED") == 1) {
            QFile out(expectedPath);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write((lines.join(u'\n') + (lines.isEmpty() ? "" : "\n")).toUtf8());
        }
        QFile in(expectedPath);
        QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(expectedPath));
        const QStringList want = QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < qMax(want.size(), lines.size()); ++i) {
            QCOMPARE(lines.value(i), want.value(i));
        }
    }
};

QTEST_GUILESS_MAIN(TstLogs)
#include "tst_logs.moc"
