// Every receiver model decodes a sample of what it sends: one record per
// cycle, with a position, during a run.

#include "Collector.h"
#include "FakeCommPort.h"
#include "ReceiverProfiles.h"
#include "TestSupport.h"

class TstProfiles : public QObject
{
    Q_OBJECT

private slots:
    void everyReceiverDecodesItsSample_data()
    {
        QTest::addColumn<QString>("receiver");
        for (const ReceiverProfile& p : ReceiverProfiles()) {
            QTest::newRow(p.name) << QString::fromLatin1(p.name);
        }
        // A name no model has (an edited preferences file): GP talkers, GGA closes.
        QTest::newRow("unknown name") << "holux 210 ";
    }
    void everyReceiverDecodesItsSample()
    {
        QFETCH(QString, receiver);
        const ReceiverProfile& p = ReceiverProfileFor(receiver);
        QByteArray cycle;
        if (p.textSentence) {
            cycle = "@100301123519N4807038E01131000G015+00001E0030N0040U0000\r\n";
        } else {
            cycle = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
                    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
                    "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48\r\n";
            if (p.anyTalker) {
                // "GP" and "GN" differ in one bit, and so do their checksums.
                cycle = "$GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*74\r\n"
                        "$GNGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*59\r\n"
                        "$GNVTG,054.7,T,034.4,M,005.5,N,010.2,K*56\r\n";
            }
        }
        TestStudy s(receiver);
        NullView view;
        FakeCommPort port;
        port.setRThreshold(1);
        Collector c(s.settings, s.writer, s.clock, view);
        QObject::connect(&port, &CommPort::OnComm, [&] { c.OnComm(port); });
        c.StartRun();
        port.feed(cycle + cycle + cycle + "$");
        c.Shutdown();
        const QList<FixRecord> records = s.records();
        QCOMPARE(records.size(), 3);
        for (const FixRecord& r : records) {
            QCOMPARE(r.Latitude, 48.1173);
        }
    }

    void offeredNamesAreUnique()
    {
        const QStringList names = OfferedReceivers();
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        QCOMPARE(names.first(), kDefaultReceiverName);
    }
};

QTEST_GUILESS_MAIN(TstProfiles)
#include "tst_profiles.moc"
