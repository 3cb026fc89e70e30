// GPS time of day to local time through the once-determined hour offset.

#include "GpsClock.h"
#include "OleDate.h"
#include "TestDoubles.h"

#include <QTest>

#include <ctime>

class TstGpsClock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "America/New_York");
        ::tzset();
    }

    void localTime_data()
    {
        QTest::addColumn<QString>("pc");
        QTest::addColumn<int>("before"); // the offset in force, or undetermined
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("local");
        const int none = kOffsetUndetermined;
        QTest::newRow("five hours west") << "07:35:40" << none << "123519" << -5 << "07:35:19";
        QTest::newRow("pc second past hour") << "10:00:01" << none << "145959" << -5 << "09:59:59";
        QTest::newRow("east across midnight")
            << "00:30:00" << none << "223000" << -22 << "00:30:00";
        QTest::newRow("a day apart") << "23:59:58" << none << "000001.00" << 0 << "00:00:01";
        // An unreadable time leaves the offset for a later one to find.
        QTest::newRow("empty") << "07:35:40" << none << "" << none << "00:00:00";
        QTest::newRow("hour 24") << "07:35:40" << none << "243519" << none << "00:00:00";
        QTest::newRow("seconds 60") << "07:35:40" << none << "123560" << none << "00:00:00";
        // A known offset is kept whatever the PC clock says.
        QTest::newRow("wraps below midnight") << "12:00:00" << -5 << "023519" << -5 << "21:35:19";
        QTest::newRow("wraps past midnight") << "12:00:00" << 3 << "223519.99" << 3 << "01:35:19";
        QTest::newRow("blank-padded hour") << "12:00:00" << 0 << " 73519" << 0 << "07:35:19";
        QTest::newRow("padded, minute 60") << "12:00:00" << 0 << " 76019" << 0 << "00:00:00";
        QTest::newRow("unreadable hour") << "12:00:00" << 1 << "xx3519" << 1 << "00:00:00";
    }
    void localTime()
    {
        QFETCH(QString, pc);
        QFETCH(int, before);
        QFETCH(QString, field);
        QFETCH(QString, local);
        ManualClock clock(QDateTime(QDate(2010, 3, 1), QTime::fromString(pc, "hh:mm:ss")));
        qint16 offset = qint16(before);
        GpsClock gps(offset, clock);
        QTEST(FormatClockTime(gps.GpsTimeToLocal(field)), "local");
        QTEST(int(offset), "offset");
        clock.set(QDateTime(QDate(2010, 3, 1), QTime(17, 17, 17))); // found once, then kept
        QCOMPARE(FormatClockTime(gps.GpsTimeToLocal(field)), local);
    }

    void formatClockTime_data()
    {
        QTest::addColumn<double>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing time") << -1.0 << "00:00:00";
        QTest::newRow("date part ignored") << 40238.75 << "18:00:00";
        QTest::newRow("rounds to the second") << (3600 + 0.6) / 86400.0 << "01:00:01";
        QTest::newRow("last moment of a day") << 0.9999999999 << "00:00:00";
    }
    void formatClockTime()
    {
        QFETCH(double, date);
        QTEST(FormatClockTime(date), "text");
    }
};

QTEST_APPLESS_MAIN(TstGpsClock)
#include "tst_gpsclock.moc"
