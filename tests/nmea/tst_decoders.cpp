// The decoders over whole sentences: what reaches the current fix and what
// the labels show. Expected values are written out, never recomputed.

#include "Decoders.h"
#include "GpsClock.h"
#include "TestDoubles.h"

#include <QTest>

namespace {

constexpr double kStudyDate = 40238.0; // 1 March 2010

// The fix as one line: local time, position, quality, speed, course,
// satellites and HDOP; a missing time shows as its stored value.
QString described(const FixRecord& f)
{
    const double day = f.FixTime - kStudyDate;
    const QString time = day < 0 || day >= 1
                             ? QString::number(f.FixTime)
                             : QTime::fromMSecsSinceStartOfDay(int(qRound64(day * 86'400'000)))
                                   .toString(QStringLiteral("hh:mm:ss"));
    return QStringLiteral("%1 %2 %3 q%4 %5mph %6deg %7sats %8hdop")
        .arg(time)
        .arg(f.Latitude, 0, 'f', 6)
        .arg(f.Longitude, 0, 'f', 6)
        .arg(f.FixQuality)
        .arg(double(f.SpeedMph), 0, 'g', 6)
        .arg(double(f.Course), 0, 'g', 6)
        .arg(f.NumSats)
        .arg(double(f.HDOP), 0, 'g', 6);
}

// Time, latitude, longitude, speed, quality, satellites, HDOP; "-" for a
// label the decoder leaves alone.
QString shown(const GpsLabels& l)
{
    QStringList out;
    for (const LabelText* t :
         {&l.Time, &l.Latitude, &l.Longitude, &l.Speed, &l.GPSQual, &l.NumSats, &l.HDOP}) {
        out << t->shown().value_or(QStringLiteral("-"));
    }
    return out.join(u'|');
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
        QTest::addColumn<int>("offset"); // minutes, as found earlier in the run
        QTest::addColumn<QString>("fix");
        QTest::addColumn<QString>("labels");
        const auto row = [](const char* name, const char* sentence, bool metric, int offset,
                            const char* fix, const char* labels) {
            QTest::newRow(name) << QString::fromLatin1(sentence) + "\r\n"
                                << metric << offset << fix << labels;
        };
        const char* rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
        const char* rmcFix = "12:35:19 48.117300 11.516667 q1 25.7824mph 84.4deg -1sats -1hdop";
        row("rmc", rmc, false, 0, rmcFix, "12:35:19|48.117300|11.516667|25.8|-|-|-");
        row("rmc empty fields", "$GPRMC,123519,V,,,,,,,230394,,*6A", false, 0,
            "12:35:19 -1.000000 -1.000000 q0 -1mph 9999deg -1sats -1hdop", "12:35:19|?|?|?|-|-|-");
        row("south stored positive", "$GPRMC,123519,A,3345.6789,S,01131.000,E,022.4,084.4,,,*00",
            false, 0, "12:35:19 33.761315 11.516667 q1 25.7824mph 84.4deg -1sats -1hdop",
            "12:35:19|33.761315|11.516667|25.8|-|-|-");
        row("rmc empty time is the study date", "$GPRMC,,V,,,,,,,,,*00", false, 0,
            "00:00:00 -1.000000 -1.000000 q0 -1mph 9999deg -1sats -1hdop", "00:00:00|?|?|?|-|-|-");
        row("rmc hour wraps", rmc, false, 780,
            "01:35:19 48.117300 11.516667 q1 25.7824mph 84.4deg "
            "-1sats -1hdop",
            "01:35:19|48.117300|11.516667|25.8|-|-|-");
        row("gga", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47", false, 0,
            "12:35:19 48.117300 11.516667 q1 -1mph 9999deg 8sats 0.9hdop",
            "12:35:19|48.117300|11.516667|-|1|08|0.9");
        row("gga empty fields", "$GPGGA,123519,4807.038,N,01131.000,E,,,,545.4,M,46.9,M,,*47",
            false, 0, "12:35:19 48.117300 11.516667 q-1 -1mph 9999deg -1sats -1hdop",
            "12:35:19|48.117300|11.516667|-|?|?|?");
        row("gga malformed", "$GPGGA,123519,48x7.038,N,01131.000,E,1,zz,0.9,545.4,M,46.9,M,,*47",
            false, 0, "12:35:19 -999.000000 11.516667 q1 -1mph 9999deg -1sats 0.9hdop",
            "12:35:19|-999.000000|11.516667|-|1|zz|0.9");
        const char* vtg = "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K";
        const char* vtgFix = "-1 -1.000000 -1.000000 q-1 6.3305mph 9999deg -1sats -1hdop";
        row("vtg", vtg, false, 0, vtgFix, "-|-|-|6.3|-|-|-");
        row("vtg metric", vtg, true, 0, vtgFix, "-|-|-|10.2|-|-|-");
        // 12:35:19 UTC, 48 07.038 N, 011 31.000 E, status G, 3 m/s east, 4 m/s north.
        const char* text = "@100301123519N4807038E01131000G015+00001E0030N0040U0000";
        const char* textFix = "12:35:19 48.117300 11.516667 q1 11.1845mph 9999deg -1sats -1hdop";
        row("text", text, false, 0, textFix, "12:35:19|48.117300|11.516667|11.2|1|-|-");
        row("text metric", text, true, 0, textFix, "12:35:19|48.117300|11.516667|18.0|1|-|-");
        row("text status other", "@100301123519N4807038E01131000X015+00001E0030N0040U0000", false,
            0, "12:35:19 48.117300 11.516667 q-1 11.1845mph 9999deg -1sats -1hdop",
            "12:35:19|48.117300|11.516667|11.2|-|-|-");
        // The text sentence takes the offset on its own columns (the
        // arithmetic: tst_gpsclock).
        row("text wraps below midnight", "@100301033519N4807038E01131000S015+00001E0030N0040U0000",
            false, -300, "22:35:19 48.117300 11.516667 q8 11.1845mph 9999deg -1sats -1hdop",
            "22:35:19|48.117300|11.516667|11.2|Simulated|-|-");
        // An unreadable time is the study date plus the failure value, -1.
        row("text unreadable hour", "@100301x33519N4807038E01131000G015+00001E0030N0040U0000",
            false, 0, "40237 48.117300 11.516667 q1 11.1845mph 9999deg -1sats -1hdop",
            "00:00:00|48.117300|11.516667|11.2|1|-|-");
        row("text without position or velocity",
            "@100301123519_______________________________________", false, 0,
            "12:35:19 -1.000000 -1.000000 q-1 0mph 9999deg -1sats -1hdop",
            "12:35:19|?|?|0.0|?|-|-");
        row("text cut short", "@100301123519", false, 0,
            "12:35:19 -999.000000 -999.000000 q-1 0mph 9999deg -1sats -1hdop",
            "12:35:19|-999.000000|-999.000000|0.0|-|-|-");
    }
    void decode()
    {
        QFETCH(QString, sentence);
        QFETCH(bool, metric);
        QFETCH(int, offset);
        // The PC clock says 12:35:40, so an offset worked out afresh would be 0.
        ManualClock pc(QDateTime(QDate(2010, 3, 1), QTime(12, 35, 40)));
        qint16 shared = qint16(offset);
        GpsClock clock(shared, pc);
        FixRecord got;
        DecodeContext ctx{got, clock, kStudyDate, metric};
        const QByteArray bytes = sentence.toLatin1();
        const auto decoder = bytes[0] == '@'   ? DecodeTextSentence
                             : bytes[3] == 'R' ? DecodeRMC
                             : bytes[3] == 'G' ? DecodeGGA
                                               : DecodeVTG;
        const GpsLabels labels = decoder(bytes, ctx);
        QTEST(described(got), "fix");
        QTEST(shown(labels), "labels");
    }

    void knotsToMph()
    {
        QCOMPARE(KnotsToMph(10.0f), 11.51f);
        QCOMPARE(KnotsToMph(3.0e38f), -1.0f); // past the largest single: missing
    }
};

QTEST_APPLESS_MAIN(TstDecoders)
#include "tst_decoders.moc"
