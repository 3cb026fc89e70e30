// Receiver models and the trigger sentence each closes a fix with.

#include "ReceiverProfiles.h"

#include <QTest>

class TstProfiles : public QObject
{
    Q_OBJECT

private slots:
    void trigger_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("default receiver") << "Standard USB"
                                          << "GGA";
        QTest::newRow("Holux 210") << "Holux 210"
                                   << "RMC";
        QTest::newRow("GeoExplorer 3") << "GeoExplorer 3"
                                       << "VTG";
        QTest::newRow("Haicom 303 (CF)") << "Haicom 303 (CF)"
                                         << "RMC";
        QTest::newRow("only from old files") << "Haicom 305-III"
                                             << "RMC";
        QTest::newRow("Haicom 204 takes the default") << "Haicom 204"
                                                      << "GGA";
        QTest::newRow("Haicom 204E") << "Haicom 204E"
                                     << "GGA";
        QTest::newRow("Haicom 204-III") << "Haicom 204-III"
                                        << "RMC";
        QTest::newRow("text receiver") << "Garmin 76(text)"
                                       << "GGA";
        QTest::newRow("other case is another name") << "holux 210"
                                                    << "GGA";
        QTest::newRow("spaces matter") << "Holux 210 "
                                       << "GGA";
        QTest::newRow("empty") << ""
                               << "GGA";
    }
    void trigger()
    {
        QFETCH(QString, name);
        QTEST(TriggerSentenceFor(name), "trigger");
    }

    void setUpListsInTheirOrder()
    {
        QCOMPARE(OfferedReceivers(),
                 QStringList({"Standard USB", "Garmin 35", "Garmin 16/17", "Holux 210",
                              "Holux 270 CF", "GeoExplorer 3", "Garmin 76(text)", "Haicom 303 (CF)",
                              "Haicom 204", "Multi-GNSS (any talker)"}));
        QCOMPARE(OfferedBaudRates(),
                 QList<qint32>({4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200}));
    }

    void onlyTheMultiGnssModelTakesAnyTalker()
    {
        QVERIFY(AcceptsAnyTalker("Multi-GNSS (any talker)"));
        for (const QString& name : OfferedReceivers().mid(0, 9)) {
            QVERIFY2(!AcceptsAnyTalker(name), qPrintable(name));
        }
    }

    void portSettings()
    {
        QCOMPARE(PortSettings(4800), QString("4800,N,8,1"));
        QCOMPARE(PortSettings(9600), QString("9600,N,8,1"));
    }
};

QTEST_APPLESS_MAIN(TstProfiles)
#include "tst_profiles.moc"
