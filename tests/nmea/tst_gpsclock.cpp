// GPS time of day to local time through the once-determined hour offset.

#include "GpsClock.h"
#include "OleDate.h"
#include "PcClock.h"

#include <QTest>

#include <ctime>

namespace {
QDateTime pcAt(const char* hhmmss)
{
    return QDateTime(QDate(2010, 3, 1), QTime::fromString(QString::fromLatin1(hhmmss), "hh:mm:ss"));
}
} // namespace

class TstGpsClock : public QObject
{
    Q_OBJECT

private slots:
    void offsetFromFirstTime_data()
    {
        QTest::addColumn<QString>("pc");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("local");
        QTest::newRow("five hours west") << "07:35:40"
                                         << "123519" << -5 << "07:35:19";
        QTest::newRow("pc a second past the hour") << "10:00:01"
                                                   << "145959" << -5 << "09:59:59";
        QTest::newRow("pc a second before the hour") << "09:59:59"
                                                     << "150001" << -5 << "10:00:01";
        QTest::newRow("east across midnight") << "00:30:00"
                                              << "223000" << -22 << "00:30:00";
        QTest::newRow("same time") << "12:00:00"
                                   << "120000.00" << 0 << "12:00:00";
        QTest::newRow("a whole day apart") << "23:59:58"
                                           << "000001" << 0 << "00:00:01";
    }
    void offsetFromFirstTime()
    {
        QFETCH(QString, pc);
        QFETCH(QString, field);
        ManualClock clock(pcAt(pc.toLatin1().constData()));
        qint16 offset = kOffsetUndetermined;
        GpsClock gps(offset, clock);
        const double t = gps.GpsTimeToLocal(field);
        QTEST(int(offset), "offset");
        QTEST(FormatClockTime(t), "local");
    }

    void offsetStaysOnceFound()
    {
        ManualClock clock(pcAt("07:35:40"));
        qint16 offset = kOffsetUndetermined;
        GpsClock gps(offset, clock);
        gps.GpsTimeToLocal(QStringLiteral("123519"));
        clock.set(pcAt("09:00:00"));
        QCOMPARE(FormatClockTime(gps.GpsTimeToLocal(QStringLiteral("140000"))),
                 QString("09:00:00"));
        QCOMPARE(offset, qint16(-5));
    }

    // Times that give no usable first hour leave the offset undetermined.
    void unreadableTimeDeterminesNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("empty") << "";
        QTest::newRow("letters in hour") << "ab3519";
        QTest::newRow("hour 24") << "243519";
        QTest::newRow("short") << "1235";
        QTest::newRow("seconds 60") << "123560";
    }
    void unreadableTimeDeterminesNothing()
    {
        QFETCH(QString, field);
        ManualClock clock(pcAt("07:35:40"));
        qint16 offset = kOffsetUndetermined;
        GpsClock gps(offset, clock);
        QCOMPARE(gps.GpsTimeToLocal(field), 0.0);
        QCOMPARE(offset, kOffsetUndetermined);
    }

    void localTimeWithKnownOffset_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("expected");
        const auto t = [](int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; };
        QTest::newRow("wraps below midnight") << -5 << "023519" << t(21, 35, 19);
        QTest::newRow("wraps past midnight") << 3 << "223519.00" << t(1, 35, 19);
        QTest::newRow("seconds 60") << 0 << "123560" << 0.0;
        QTest::newRow("short field") << 0 << "1235" << 0.0;
        QTest::newRow("unreadable hour") << 1 << "xx3519" << 0.0;
        QTest::newRow("fraction ignored") << 0 << "123519.99" << t(12, 35, 19);
    }
    void localTimeWithKnownOffset()
    {
        QFETCH(int, offset);
        QFETCH(QString, field);
        QFETCH(double, expected);
        ManualClock clock;
        qint16 shared = qint16(offset);
        GpsClock gps(shared, clock);
        QCOMPARE(gps.GpsTimeToLocal(field), expected);
    }

    void validClockTime_data()
    {
        QTest::addColumn<QString>("h");
        QTest::addColumn<QString>("m");
        QTest::addColumn<QString>("s");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ordinary") << "7"
                                  << "05"
                                  << "30" << true;
        QTest::newRow("hour 24 passes") << "24"
                                        << "00"
                                        << "00" << true;
        QTest::newRow("hour 25") << "25"
                                 << "00"
                                 << "00" << false;
        QTest::newRow("minute 60") << "1"
                                   << "60"
                                   << "00" << false;
        QTest::newRow("second 59") << "1"
                                   << "00"
                                   << "59" << true;
        QTest::newRow("empty seconds") << "1"
                                       << "00"
                                       << "" << false;
    }
    void validClockTime()
    {
        QFETCH(QString, h);
        QFETCH(QString, m);
        QFETCH(QString, s);
        QTEST(IsValidClockTime(h, m, s), "valid");
    }

    void formatClockTime_data()
    {
        QTest::addColumn<double>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("noon") << 0.5 << "12:00:00";
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

    // A stored fix time reads back as the wall-clock time it was, also on
    // the days the clocks change.
    void oleDatesAreWallClockTimes_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::newRow("ordinary day") << QDateTime(QDate(2010, 3, 1), QTime(12, 35, 19));
        QTest::newRow("clocks go forward") << QDateTime(QDate(2010, 3, 14), QTime(10, 0));
        QTest::newRow("clocks go back") << QDateTime(QDate(2010, 11, 7), QTime(10, 0));
        QTest::newRow("just before midnight") << QDateTime(QDate(2010, 3, 14), QTime(23, 59, 59));
    }
    void oleDatesAreWallClockTimes()
    {
        QFETCH(QDateTime, time);
        const QByteArray tz = qgetenv("TZ");
        qputenv("TZ", "America/New_York");
        ::tzset();
        const double ole = QDate(1899, 12, 30).daysTo(time.date()) +
                           time.time().msecsSinceStartOfDay() / 86400000.0;
        const QDateTime back = oledate::toDateTime(ole);
        tz.isNull() ? qunsetenv("TZ") : qputenv("TZ", tz);
        ::tzset();
        QCOMPARE(back.date(), time.date());
        QCOMPARE(back.time(), time.time());
    }
};

QTEST_APPLESS_MAIN(TstGpsClock)
#include "tst_gpsclock.moc"
