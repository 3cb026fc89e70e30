// GPS time of day to local time through the once-determined offset, in every
// time zone in use and with a PC clock a little off.

#include "GpsClock.h"
#include "OleDate.h"
#include "TestDoubles.h"

#include <QTest>
#include <QTimeZone>

class TstGpsClock : public QObject
{
    Q_OBJECT

private slots:
    void localTime_data()
    {
        QTest::addColumn<int>("zone");   // the PC's zone setting, minutes east of UTC
        QTest::addColumn<QString>("pc"); // the PC clock's local time
        QTest::addColumn<int>("before"); // the offset in force, or undetermined
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("offset"); // minutes
        QTest::addColumn<QString>("local");
        const int none = kOffsetUndetermined;
        QTest::newRow("five hours west")
            << -300 << "07:35:40" << none << "123519" << -300 << "07:35:19";
        QTest::newRow("India") << 330 << "09:16:50" << none << "034644" << 330 << "09:16:44";
        QTest::newRow("Nepal") << 345 << "10:01:10" << none << "041601" << 345 << "10:01:01";
        QTest::newRow("Newfoundland")
            << -210 << "06:29:55" << none << "095950" << -210 << "06:29:50";
        QTest::newRow("central Australia")
            << 570 << "19:00:03" << none << "093002" << 570 << "19:00:02";
        // A first fix at an hour's turn, the PC clock minutes off either way.
        QTest::newRow("PC 4 min fast past the hour")
            << -300 << "10:03:50" << none << "145959" << -300 << "09:59:59";
        QTest::newRow("PC 4 min slow before the hour")
            << -300 << "09:56:30" << none << "150030" << -300 << "10:00:30";
        QTest::newRow("PC 25 min off, zone right")
            << 330 << "09:41:50" << none << "034644" << 330 << "09:16:44";
        // A PC clock kept in local time under a zone setting of UTC: its
        // local time is the operator's, to the quarter hour.
        QTest::newRow("clock in India time, zone UTC")
            << 0 << "09:16:50" << none << "034644" << 330 << "09:16:44";
        QTest::newRow("clock in Nepal time 6 min slow, zone UTC")
            << 0 << "09:55:10" << none << "041601" << 345 << "10:01:01";
        QTest::newRow("east across midnight")
            << 120 << "00:30:00" << none << "223000" << 120 << "00:30:00";
        QTest::newRow("a day apart") << 0 << "23:59:58" << none << "000001.00" << 0 << "00:00:01";
        // An unreadable time leaves the offset for a later one to find.
        QTest::newRow("empty") << 0 << "07:35:40" << none << "" << none << "00:00:00";
        QTest::newRow("hour 24") << 0 << "07:35:40" << none << "243519" << none << "00:00:00";
        QTest::newRow("seconds 60") << 0 << "07:35:40" << none << "123560" << none << "00:00:00";
        // A known offset is kept whatever the PC clock says.
        QTest::newRow("wraps below midnight")
            << 0 << "12:00:00" << -300 << "023519" << -300 << "21:35:19";
        QTest::newRow("wraps past midnight")
            << 0 << "12:00:00" << 180 << "223519.99" << 180 << "01:35:19";
        QTest::newRow("half hour past midnight")
            << 0 << "12:00:00" << 330 << "203000" << 330 << "02:00:00";
        QTest::newRow("blank-padded hour") << 0 << "12:00:00" << 0 << " 73519" << 0 << "07:35:19";
        QTest::newRow("padded, minute 60") << 0 << "12:00:00" << 0 << " 76019" << 0 << "00:00:00";
        QTest::newRow("unreadable hour") << 0 << "12:00:00" << 60 << "xx3519" << 60 << "00:00:00";
    }
    void localTime()
    {
        QFETCH(int, zone);
        QFETCH(QString, pc);
        QFETCH(int, before);
        QFETCH(QString, field);
        QFETCH(QString, local);
        const QTimeZone setting(zone * 60);
        ManualClock clock(QDateTime(QDate(2010, 3, 1), QTime::fromString(pc, "hh:mm:ss"), setting));
        qint16 offset = qint16(before);
        GpsClock gps(offset, clock);
        QTEST(FormatClockTime(gps.GpsTimeToLocal(field)), "local");
        QTEST(int(offset), "offset");
        // Found once, then kept.
        clock.set(QDateTime(QDate(2010, 3, 1), QTime(17, 17, 17), setting));
        QCOMPARE(FormatClockTime(gps.GpsTimeToLocal(field)), local);
    }

    void formatClockTime_data()
    {
        QTest::addColumn<double>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing time") << -1.0 << "00:00:00";
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
