// Field walking and the tolerant conversions, run under a locale whose
// decimal point is "," so that nothing here may lean on the locale.

#include "Conversions.h"
#include "Fields.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QTest>
#include <clocale>
#include <limits>

class TstConversions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; Qt's own is enough otherwise
    }

    void getNextFieldWalksVtg()
    {
        const QString s = QStringLiteral("$GPVTG,,T,,M,0.5,N,0.9,K*4E");
        qint16 cursor = 8;
        const QStringList first = {"", "T", "", "M", "0.5"};
        for (const QString& expected : first) {
            QCOMPARE(GetNextField(s, cursor), expected);
        }
        QCOMPARE(cursor, qint16(18));
        for (const char* expected : {"N", "0.9", "K*4E"}) {
            QCOMPARE(GetNextField(s, cursor), QString::fromLatin1(expected));
        }
        QCOMPARE(cursor, qint16(28));
        QCOMPARE(GetNextField(s, cursor), QString());
        QCOMPARE(cursor, qint16(29));
    }

    void getNextFieldEdges_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("cursorAfter");
        QTest::newRow("last field keeps line end") << "$GPGGA,1,2\r\n" << 10 << "2\r\n" << 13;
        QTest::newRow("empty sentence") << "" << 8 << "" << 9;
        QTest::newRow("comma at cursor") << "$GPRMC,,A" << 8 << "" << 9;
        QTest::newRow("trailing comma") << "$GPRMC,x," << 8 << "x" << 10;
        QTest::newRow("blanks kept") << "$GPRMC, 1 ,2" << 8 << " 1 " << 12;
        QTest::newRow("cursor below 1") << "$GPRMC,1" << 0 << "" << 1;
    }
    void getNextFieldEdges()
    {
        QFETCH(QString, sentence);
        QFETCH(int, cursor);
        qint16 c = qint16(cursor);
        QTEST(GetNextField(sentence, c), "field");
        QTEST(int(c), "cursorAfter");
    }

    void getNextFieldCursorNeverWraps()
    {
        const QString huge(40000, u'x');
        qint16 c = 8;
        QCOMPARE(GetNextField(huge, c).size(), 32766 - 7);
        QCOMPARE(c, std::numeric_limits<qint16>::max());
        QCOMPARE(GetNextField(huge, c), QString());
        QCOMPARE(c, std::numeric_limits<qint16>::max());
    }

    void safeDouble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << -1.0;
        QTest::newRow("blank only") << "  " << -1.0;
        QTest::newRow("letters") << "abc" << -1.0;
        QTest::newRow("lone sign") << "-" << -1.0;
        QTest::newRow("lone point") << "." << -1.0;
        QTest::newRow("two points") << "12..45" << -1.0;
        QTest::newRow("comma decimal") << "12,5" << -1.0;
        QTest::newRow("inner blank") << "1 2" << -1.0;
        QTest::newRow("blanks around") << " 12.5\t" << 12.5;
        QTest::newRow("plus sign") << "+3" << 3.0;
        QTest::newRow("minus") << "-0.25" << -0.25;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("trailing point") << "7." << 7.0;
        QTest::newRow("exponent") << "1.5e3" << 1500.0;
        QTest::newRow("exponent without digits") << "1e" << -1.0;
        QTest::newRow("infinity text") << "inf" << -1.0;
        QTest::newRow("nan text") << "nan" << -1.0;
        QTest::newRow("hex") << "0x10" << -1.0;
        QTest::newRow("checksum tail") << "0.9*47" << -1.0;
        QTest::newRow("largest") << "1.7976931348623157e308" << std::numeric_limits<double>::max();
        QTest::newRow("past largest") << "1.8e308" << -1.0;
    }
    void safeDouble()
    {
        QFETCH(QString, text);
        QTEST(SafeDouble(text), "value");
    }

    void safeSingle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::newRow("leading zero") << "022.4" << 22.4f;
        QTest::newRow("empty") << "" << -1.0f;
        QTest::newRow("hdop") << "0.9" << 0.9f;
        QTest::newRow("largest") << "3.4028235e38" << std::numeric_limits<float>::max();
        QTest::newRow("past largest") << "3.5e38" << -1.0f;
    }
    void safeSingle()
    {
        QFETCH(QString, text);
        QTEST(SafeSingle(text), "value");
    }

    void safeInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("seven") << "7" << 7;
        QTest::newRow("leading zero") << "08" << 8;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("negative half") << "-2.5" << -2;
        QTest::newRow("largest") << "32767" << 32767;
        QTest::newRow("rounds past largest") << "32767.5" << -1;
        QTest::newRow("smallest") << "-32768" << -32768;
        QTest::newRow("half to even at smallest") << "-32768.5" << -32768;
        QTest::newRow("too large") << "40000" << -1;
        QTest::newRow("letters") << "1a" << -1;
    }
    void safeInteger()
    {
        QFETCH(QString, text);
        QTEST(int(SafeInteger(text)), "value");
    }

    void safeDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("morning") << "7:05:30" << (7 * 3600 + 5 * 60 + 30) / 86400.0;
        QTest::newRow("midnight") << "0:00:00" << 0.0;
        QTest::newRow("last second") << "23:59:59" << 86399 / 86400.0;
        QTest::newRow("no seconds") << "12:00" << 0.5;
        QTest::newRow("hour 24") << "24:10:00" << -1.0;
        QTest::newRow("hour 25") << "25:00:00" << -1.0;
        QTest::newRow("minute 60") << "1:60:00" << -1.0;
        QTest::newRow("second 60") << "1:00:60" << -1.0;
        QTest::newRow("empty seconds") << "12:35:" << -1.0;
        QTest::newRow("empty") << "" << -1.0;
        QTest::newRow("no colon") << "123519" << -1.0;
        QTest::newRow("signed") << "-1:00:00" << -1.0;
    }
    void safeDate()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(SafeDate(text), value);
    }

    void nmeaToDegrees_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rewritten");
        QTest::addColumn<double>("degrees");
        QTest::newRow("latitude") << "4807.038"
                                  << "04807.0380" << 48.1173;
        QTest::newRow("longitude") << "01131.000"
                                   << "01131.0000" << 11 + 31 / 60.0;
        QTest::newRow("three-digit degrees") << "12311.12"
                                             << "12311.1200" << 123 + 11.12 / 60.0;
        QTest::newRow("no decimals") << "4807"
                                     << "04807.0000" << 48 + 7 / 60.0;
        QTest::newRow("minutes rounded first") << "4807.03816"
                                               << "04807.0382" << 48 + 7.0382 / 60.0;
        QTest::newRow("half rounds up") << "4807.03815"
                                        << "04807.0382" << 48 + 7.0382 / 60.0;
        QTest::newRow("south is positive") << "3345.6789"
                                           << "03345.6789" << 33 + 45.6789 / 60.0;
        QTest::newRow("empty") << ""
                               << "" << -999.0;
        QTest::newRow("not a number, point early") << "48x7.038"
                                                   << "48x7.038" << -999.0;
        QTest::newRow("not a number, point late") << "abcde.5"
                                                  << "abcde.5" << -999.0;
        QTest::newRow("text sentence gap") << "4807.03_"
                                           << "4807.03_" << -999.0;
        QTest::newRow("underscores") << "____.___"
                                     << "____.___" << -999.0;
    }
    void nmeaToDegrees()
    {
        QFETCH(QString, text);
        QFETCH(double, degrees);
        QCOMPARE(NmeaToDegrees(text), degrees);
        QTEST(text, "rewritten");
    }

    void formats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("minInt");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("latitude") << 48.1173 << 1 << 6 << "48.117300";
        QTest::newRow("longitude") << 11 + 31 / 60.0 << 1 << 6 << "11.516667";
        QTest::newRow("three digits") << 123 + 11.12 / 60.0 << 1 << 6 << "123.185333";
        QTest::newRow("sentinel") << -1.0 << 1 << 6 << "-1.000000";
        QTest::newRow("zero") << 0.0 << 1 << 6 << "0.000000";
        QTest::newRow("speed") << 25.7824 << 1 << 1 << "25.8";
        QTest::newRow("half away from zero") << 0.25 << 1 << 1 << "0.3";
        QTest::newRow("carry into integer") << 9.96 << 1 << 1 << "10.0";
        QTest::newRow("small rounds to zero") << 0.04 << 1 << 1 << "0.0";
        QTest::newRow("negative rounding to zero") << -0.04 << 1 << 1 << "0.0";
        QTest::newRow("five-digit fill") << 4807.038 << 5 << 4 << "04807.0380";
        QTest::newRow("no decimals") << 48.0 << 1 << 0 << "48";
        QTest::newRow("large") << 1.0e20 << 1 << 1 << "100000000000000000000.0";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 1 << 1 << "?";
    }
    void formats()
    {
        QFETCH(double, value);
        QFETCH(int, minInt);
        QFETCH(int, decimals);
        QTEST(FormatFixed(value, minInt, decimals), "text");
    }

    // The decoders read positions straight from their digits; that must give
    // exactly what the rewritten text gives, ties and carries included.
    void directReadingAgreesWithRewrittenText()
    {
        QRandomGenerator rng(110203);
        const QStringList fixedRows = {"4807.03815",
                                       "4807.03825",
                                       "0000.00005",
                                       "9959.99995",
                                       "17959.99999",
                                       "99999.99995",
                                       "4807",
                                       "4807.",
                                       "12311.12",
                                       "00833.91518",
                                       "1.5",
                                       "123456.7",
                                       "66666666666666666666.5",
                                       "000004807.038"};
        QStringList texts = fixedRows;
        for (int i = 0; i < 20000; ++i) {
            QString t =
                QString::number(rng.bounded(0, 18000)).rightJustified(int(rng.bounded(1, 6)), u'0');
            if (rng.bounded(4) != 0) {
                t += u'.';
                const int decimals = int(rng.bounded(0, 9));
                for (int d = 0; d < decimals; ++d) {
                    t += QChar(u'0' + int(rng.bounded(10)));
                }
            }
            texts.append(t);
        }
        for (const QString& t : texts) {
            QString rewritten = t;
            const double longWay = NmeaToDegrees(rewritten);
            QVERIFY2(NmeaDegrees(t.toLatin1()) == longWay, qPrintable(t));
        }
    }

    void latitudeAndLongitudeFormatsAgree()
    {
        for (double v : {-1.0, 0.0, 48.1173, 123.185333333, 179.9999995}) {
            QCOMPARE(FormatLatitude(v), FormatLongitude(v));
        }
    }
};

QTEST_APPLESS_MAIN(TstConversions)
#include "tst_conversions.moc"
