// The decoders over whole sentences: what reaches the current fix and what
// the labels show. Expected values are written out, never recomputed.

#include "Decoders.h"
#include "GpsClock.h"
#include "PcClock.h"

#include <QTest>

// What a decoder's labels show, as text; nothing for a label left alone.
struct Shown
{
    std::optional<QString> Time, Latitude, Longitude, Speed, GPSQual, NumSats, HDOP;
};

Q_DECLARE_METATYPE(FixRecord)
Q_DECLARE_METATYPE(Shown)

namespace {

constexpr double kStudyDate = 40238.0; // 1 March 2010

double at(int h, int m, int s)
{
    return kStudyDate + (h * 3600 + m * 60 + s) / 86400.0;
}

const QString kRmc =
    QStringLiteral("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
const QString kGga =
    QStringLiteral("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
// A text sentence: 12:35:19 UTC, 48 07.038 N, 011 31.000 E, status G, 3 m/s east, 4 m/s north.
const QString kText = QStringLiteral("@100301123519N4807038E01131000G015+00001E0030N0040U0000\r\n");

Shown labels(std::optional<QString> time, std::optional<QString> lat, std::optional<QString> lon,
             std::optional<QString> speed, std::optional<QString> qual = {},
             std::optional<QString> sats = {}, std::optional<QString> hdop = {})
{
    return {time, lat, lon, speed, qual, sats, hdop};
}

bool close(double a, double b)
{
    return qAbs(a - b) < 1e-6;
}

} // namespace

class TstDecoders : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<FixRecord>("fix");
        QTest::addColumn<Shown>("shown");

        FixRecord rmc;
        rmc.FixTime = at(12, 35, 19);
        rmc.FixQuality = 1;
        rmc.Latitude = 48.1173;
        rmc.Longitude = 11.516666666666667;
        rmc.SpeedMph = 25.7824f;
        rmc.Course = 84.4f;
        const Shown rmcShown = labels("12:35:19", "48.117300", "11.516667", "25.8");
        QTest::newRow("rmc") << kRmc << false << rmc << rmcShown;

        FixRecord rmcVoid = rmc;
        rmcVoid.FixQuality = 0;
        QString v = kRmc;
        QTest::newRow("rmc status V") << v.replace(",A,", ",V,") << false << rmcVoid << rmcShown;

        QTest::newRow("rmc metric")
            << kRmc << true << rmc << labels("12:35:19", "48.117300", "11.516667", "41.5");

        FixRecord empty;
        empty.FixTime = at(12, 35, 19);
        empty.FixQuality = 0;
        QTest::newRow("rmc without position, speed and course")
            << QString("$GPRMC,123519,V,,,,,,,230394,,*6A\r\n") << false << empty
            << labels("12:35:19", "?", "?", "?");

        FixRecord south = rmc;
        south.Latitude = 33.761315;
        QTest::newRow("south stored positive")
            << QString("$GPRMC,123519,A,3345.6789,S,01131.000,E,022.4,084.4,,,*00\r\n") << false
            << south << labels("12:35:19", "33.761315", "11.516667", "25.8");

        FixRecord emptyTime;
        emptyTime.FixTime = kStudyDate;
        emptyTime.FixQuality = 0;
        QTest::newRow("rmc empty time is the study date")
            << QString("$GPRMC,,V,,,,,,,,,*00\r\n") << false << emptyTime
            << labels("00:00:00", "?", "?", "?");

        FixRecord gga;
        gga.FixTime = at(12, 35, 19);
        gga.Latitude = 48.1173;
        gga.Longitude = 11.516666666666667;
        gga.FixQuality = 1;
        gga.NumSats = 8;
        gga.HDOP = 0.9f;
        QTest::newRow("gga") << kGga << false << gga
                             << labels("12:35:19", "48.117300", "11.516667", {}, "1", "08", "0.9");

        FixRecord simulated = gga;
        simulated.FixQuality = 8;
        QString g8 = kGga;
        QTest::newRow("gga quality 8")
            << g8.replace(",E,1,", ",E,8,") << false << simulated
            << labels("12:35:19", "48.117300", "11.516667", {}, "Simulated", "08", "0.9");

        FixRecord noQuality = gga;
        noQuality.FixQuality = -1;
        noQuality.NumSats = -1;
        noQuality.HDOP = -1.0f;
        QTest::newRow("gga quality, satellites, hdop empty")
            << QString("$GPGGA,123519,4807.038,N,01131.000,E,,,,545.4,M,46.9,M,,*47\r\n") << false
            << noQuality << labels("12:35:19", "48.117300", "11.516667", {}, "?", "?", "?");

        FixRecord invalid = gga;
        invalid.FixQuality = 0;
        QString g0 = kGga;
        QTest::newRow("gga quality 0")
            << g0.replace(",E,1,", ",E,0,") << false << invalid
            << labels("12:35:19", "48.117300", "11.516667", {}, "0", "08", "0.9");

        FixRecord malformed = gga;
        malformed.Latitude = -999.0;
        malformed.NumSats = -1;
        QTest::newRow("malformed fields keep their sentinels")
            << QString("$GPGGA,123519,48x7.038,N,01131.000,E,1,zz,0.9,545.4,M,46.9,M,,*47\r\n")
            << false << malformed
            << labels("12:35:19", "-999.000000", "11.516667", {}, "1", "zz", "0.9");

        FixRecord vtg;
        vtg.SpeedMph = 6.3305f;
        const QString vtgText = QStringLiteral("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K\r\n");
        QTest::newRow("vtg") << vtgText << false << vtg << labels({}, {}, {}, "6.3");
        QTest::newRow("vtg metric") << vtgText << true << vtg << labels({}, {}, {}, "10.2");

        FixRecord text;
        text.FixTime = at(12, 35, 19);
        text.Latitude = 48.1173;
        text.Longitude = 11.516666666666667;
        text.FixQuality = 1;
        text.SpeedMph = 11.1845f;
        QTest::newRow("text") << kText << false << text
                              << labels("12:35:19", "48.117300", "11.516667", "11.2", "1");
        QTest::newRow("text metric")
            << kText << true << text << labels("12:35:19", "48.117300", "11.516667", "18.0", "1");

        FixRecord textGaps;
        textGaps.FixTime = at(12, 35, 19);
        textGaps.FixQuality = -1;
        textGaps.SpeedMph = 0.0f;
        QTest::newRow("text without position or velocity")
            << QString("@100301123519_______________________________________\r\n") << false
            << textGaps << labels("12:35:19", "?", "?", "0.0", "?");

        FixRecord textShort;
        textShort.FixTime = at(12, 35, 19);
        textShort.Latitude = -999.0;
        textShort.Longitude = -999.0;
        textShort.SpeedMph = 0.0f;
        QTest::newRow("text cut short") << QString("@100301123519") << false << textShort
                                        << labels("12:35:19", "-999.000000", "-999.000000", "0.0");
    }
    void decode()
    {
        QFETCH(QString, sentence);
        QFETCH(bool, metric);
        QFETCH(FixRecord, fix);
        QFETCH(Shown, shown);

        ManualClock pc(QDateTime(QDate(2010, 3, 1), QTime(12, 35, 40)));
        qint16 offset = 0;
        GpsClock clock(offset, pc);
        FixRecord got;
        DecodeContext ctx{got, clock, kStudyDate, metric};
        const QByteArray bytes = sentence.toLatin1();
        GpsLabels got_;
        switch (bytes.at(0) == '@' ? 'T' : bytes.at(3)) {
        case 'R':
            got_ = DecodeRMC(bytes, ctx);
            break;
        case 'G':
            got_ = DecodeGGA(bytes, ctx);
            break;
        case 'V':
            got_ = DecodeVTG(bytes, ctx);
            break;
        default:
            got_ = DecodeTextSentence(bytes, ctx);
        }
        const Shown gotShown{got_.Time.shown(),  got_.Latitude.shown(), got_.Longitude.shown(),
                             got_.Speed.shown(), got_.GPSQual.shown(),  got_.NumSats.shown(),
                             got_.HDOP.shown()};
        QVERIFY(close(got.FixTime, fix.FixTime));
        QVERIFY2(close(got.Latitude, fix.Latitude),
                 qPrintable(QString::number(got.Latitude, 'f', 8)));
        QVERIFY(close(got.Longitude, fix.Longitude));
        QCOMPARE(got.FixQuality, fix.FixQuality);
        QCOMPARE(got.SpeedMph, fix.SpeedMph);
        QCOMPARE(got.Course, fix.Course);
        QCOMPARE(got.NumSats, fix.NumSats);
        QCOMPARE(got.HDOP, fix.HDOP);
        QCOMPARE(gotShown.Time, shown.Time);
        QCOMPARE(gotShown.Latitude, shown.Latitude);
        QCOMPARE(gotShown.Longitude, shown.Longitude);
        QCOMPARE(gotShown.Speed, shown.Speed);
        QCOMPARE(gotShown.GPSQual, shown.GPSQual);
        QCOMPARE(gotShown.NumSats, shown.NumSats);
        QCOMPARE(gotShown.HDOP, shown.HDOP);
    }

    // The text sentence applies the offset with its own hour arithmetic.
    void textSentenceHours_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("hour");
        QTest::addColumn<QString>("shown");
        QTest::newRow("wraps below midnight") << -5 << "03"
                                              << "22:35:19";
        QTest::newRow("wraps past midnight") << 3 << "22"
                                             << "01:35:19";
        QTest::newRow("unreadable hour") << 0 << "x3"
                                         << "00:00:00";
    }
    void textSentenceHours()
    {
        QFETCH(int, offset);
        QFETCH(QString, hour);
        ManualClock pc;
        qint16 shared = qint16(offset);
        GpsClock clock(shared, pc);
        FixRecord fix;
        DecodeContext ctx{fix, clock, kStudyDate, false};
        QString s = kText;
        s.replace(7, 2, hour);
        s.replace(30, 1, "S");
        const GpsLabels shown = DecodeTextSentence(s.toLatin1(), ctx);
        QTEST(shown.Time.text(), "shown");
        QCOMPARE(shown.GPSQual.text(), QString("Simulated"));
        QCOMPARE(fix.FixQuality, qint16(8));
    }

    void textStatusLetters_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<int>("quality");
        QTest::newRow("G") << "G" << 1;
        QTest::newRow("g") << "g" << 1;
        QTest::newRow("D") << "D" << 2;
        QTest::newRow("d") << "d" << 2;
        QTest::newRow("other keeps the field") << "X" << 5;
    }
    void textStatusLetters()
    {
        QFETCH(QString, letter);
        ManualClock pc;
        qint16 offset = 0;
        GpsClock clock(offset, pc);
        FixRecord fix;
        fix.FixQuality = 5;
        DecodeContext ctx{fix, clock, kStudyDate, false};
        QString s = kText;
        DecodeTextSentence(s.replace(30, 1, letter).toLatin1(), ctx);
        QTEST(int(fix.FixQuality), "quality");
    }

    void absurdSpeedIsMissing()
    {
        QCOMPARE(KnotsToMph(3.0e38f), -1.0f);
        QCOMPARE(KnotsToMph(10.0f), 11.51f);
    }
};

QTEST_APPLESS_MAIN(TstDecoders)
#include "tst_decoders.moc"
