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

    void getNextField_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("cursorAfter");
        const QString vtg = QStringLiteral("$GPVTG,,T,,M,0.5,N,0.9,K*4E");
        QTest::newRow("empty field") << vtg << 8 << "" << 9;
        QTest::newRow("middle field") << vtg << 14 << "0.5" << 18;
        QTest::newRow("last keeps line end") << "$GPGGA,1,2\r\n" << 10 << "2\r\n" << 13;
        QTest::newRow("trailing comma") << "$GPRMC,x," << 8 << "x" << 10;
        QTest::newRow("blanks kept") << "$GPRMC, 1 ,2" << 8 << " 1 " << 12;
        QTest::newRow("cursor below 1") << "$GPRMC,1" << 0 << "" << 1;
        // A cursor that wrapped to negative would walk an endless line for ever.
        const QString huge(40000, u'x');
        QTest::newRow("cursor stops at 32767") << huge << 8 << QString(32759, u'x') << 32767;
        QTest::newRow("cursor stays at 32767") << huge << 32767 << "" << 32767;
    }
    void getNextField()
    {
        QFETCH(QString, sentence);
        QFETCH(int, cursor);
        qint16 c = qint16(cursor);
        QTEST(GetNextField(sentence, c), "field");
        QTEST(int(c), "cursorAfter");
    }

    // -1 for anything that is not plainly a number or time, whatever the locale.
    void safe_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<char>("as"); // double, single, integer or time of day
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 'd' << -1.0;
        QTest::newRow("two points") << "12..45" << 'd' << -1.0;
        QTest::newRow("comma decimal") << "12,5" << 'd' << -1.0;
        QTest::newRow("blanks around") << " 12.5\t" << 'd' << 12.5;
        QTest::newRow("leading point") << "-.5" << 'd' << -0.5;
        QTest::newRow("nan text") << "nan" << 'd' << -1.0;
        QTest::newRow("checksum tail") << "0.9*47" << 'd' << -1.0;
        QTest::newRow("past largest") << "1.8e308" << 'd' << -1.0;
        QTest::newRow("single") << "022.4" << 's' << double(22.4f);
        QTest::newRow("half to even down") << "2.5" << 'i' << 2.0;
        QTest::newRow("half to even up") << "3.5" << 'i' << 4.0;
        QTest::newRow("rounds past largest") << "32767.5" << 'i' << -1.0;
        QTest::newRow("smallest") << "-32768" << 'i' << -32768.0;
        QTest::newRow("integer letters") << "1a" << 'i' << -1.0;
        QTest::newRow("morning") << "7:05:30" << 't' << 25530 / 86400.0;
        QTest::newRow("hour 24") << "24:10:00" << 't' << -1.0;
        QTest::newRow("minute 60") << "1:60:00" << 't' << -1.0;
        QTest::newRow("second 60") << "1:00:60" << 't' << -1.0;
        QTest::newRow("signed") << "-1:00:00" << 't' << -1.0;
    }
    void safe()
    {
        QFETCH(QString, text);
        QFETCH(char, as);
        QFETCH(double, value);
        const QByteArray latin1 = text.toLatin1(); // the decoders read bytes
        if (as == 'd') {
            QCOMPARE(SafeDouble(text), value);
            QCOMPARE(SafeDouble(latin1), value);
        } else if (as == 's') {
            QCOMPARE(SafeSingle(latin1), float(value));
        } else if (as == 'i') {
            QCOMPARE(SafeInteger(latin1), qint16(value));
        } else {
            QCOMPARE(SafeDate(latin1), value);
        }
    }

    // ddmm.mmmm read both ways, the minutes rounded to four decimals first.
    void nmeaToDegrees_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("degrees");
        QTest::addColumn<QString>("rewritten");
        QTest::newRow("latitude") << "4807.038" << 48.1173 << "04807.0380";
        QTest::newRow("three-digit degrees") << "12311.12" << 123 + 11.12 / 60 << "12311.1200";
        QTest::newRow("no decimals") << "4807" << 48 + 7 / 60.0 << "04807.0000";
        QTest::newRow("minutes rounded") << "4807.03816" << 48 + 7.0382 / 60 << "04807.0382";
        QTest::newRow("half rounds up") << "4807.03815" << 48 + 7.0382 / 60 << "04807.0382";
        QTest::newRow("carry into degrees") << "4759.99995" << 48.0 << "04760.0000";
        QTest::newRow("empty") << "" << -999.0 << "";
        QTest::newRow("not a number") << "48x7.038" << -999.0 << "48x7.038";
        QTest::newRow("text sentence gap") << "4807.03_" << -999.0 << "4807.03_";
    }
    void nmeaToDegrees()
    {
        QFETCH(QString, text);
        QTEST(NmeaDegrees(text.toLatin1()), "degrees");
        QTEST(NmeaToDegrees(text), "degrees");
        QTEST(text, "rewritten");
    }

    // The direct reading must agree with the rewritten text everywhere, ties
    // and carries included, and leave the rest to it.
    void directReadingAgreesWithRewrittenText()
    {
        QRandomGenerator rng(110203);
        QStringList texts = {
            "0000.00005",  "9959.99995", "17959.99999", "99999.99995",   "4807.",
            "00833.91518", "1.5",        "123456.7",    "000004807.038", "66666666666666666666.5"};
        for (int i = 0; i < 20000; ++i) {
            QString t = QString::number(rng.bounded(18000)).rightJustified(rng.bounded(1, 6), u'0');
            const int decimals = rng.bounded(-1, 9); // -1: no decimal point
            for (int d = -1; d < decimals; ++d) {
                t += d < 0 ? QChar(u'.') : QChar(u'0' + rng.bounded(10));
            }
            texts.append(t);
        }
        for (const QString& t : texts) {
            QString rewritten = t;
            const double longWay = NmeaToDegrees(rewritten);
            QVERIFY2(NmeaDegrees(t.toLatin1()) == longWay, qPrintable(t));
        }
    }

    void formats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("half away from zero") << 0.25 << 1 << "0.3";
        QTest::newRow("carry into integer") << 9.96 << 1 << "10.0";
        QTest::newRow("no negative zero") << -0.04 << 1 << "0.0";
        QTest::newRow("large") << 1.0e20 << 1 << "100000000000000000000.0";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 1 << "?";
    }
    void formats()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QTEST(FormatFixed(value, 1, decimals), "text");
    }
};

QTEST_APPLESS_MAIN(TstConversions)
#include "tst_conversions.moc"
