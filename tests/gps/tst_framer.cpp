// Framing the serial stream into sentences, and which decoder each goes to.

#include "SentenceFramer.h"
#include "Sentences.h"

#include <QTest>

namespace {

// The sentences completed, fed a character at a time (chunk 0) or in blocks.
QStringList frame(const QByteArray& bytes, SentenceFramer& framer, int chunk = 0)
{
    QStringList out;
    for (qsizetype at = 0; at < bytes.size(); at += qMax(chunk, 1)) {
        if (chunk == 0 && framer.feed(bytes[at])) {
            out.append(QString::fromLatin1(framer.completed()));
        } else if (chunk > 0) {
            framer.feed(bytes.constData() + at, qMin<qsizetype>(chunk, bytes.size() - at),
                        [&](QByteArrayView s) { out.append(QString::fromLatin1(s)); });
        }
    }
    return out;
}

} // namespace

class TstFramer : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("sentences");
        QTest::addColumn<QString>("pending"); // a sentence waits for the next start
        QTest::newRow("leading garbage dropped")
            << QByteArray("0.9,545.4,M*47\r\n$GPRMC,1\r\n$GPGGA,2\r\n")
            << QStringList{"$GPRMC,1\r\n"} << "$GPGGA,2\r\n";
        QTest::newRow("cut off by the next start")
            << QByteArray("$GPRMC,12$GPGGA,3\r\n") << QStringList{"$GPRMC,12"} << "$GPGGA,3\r\n";
        QTest::newRow("line feed only") << QByteArray("$GPRMC,1\n$GPGGA,2\n$")
                                        << QStringList{"$GPRMC,1\n", "$GPGGA,2\n"} << "$";
        QTest::newRow("mixed start characters")
            << QByteArray("x@1\r\n$GPRMC,1\r\n@2\r\n@3$")
            << QStringList{"@1\r\n", "$GPRMC,1\r\n", "@2\r\n", "@3"} << "$";
        // A stream without start characters cannot grow a sentence for ever.
        QTest::newRow("endless sentence bounded")
            << QByteArray("$GPRMC,1") + QByteArray(1 << 20, 'x') + "$GPGGA"
            << QStringList{"$GPRMC,1" + QString(4088, u'x')} << "$GPGGA";
    }
    // Blocks of any size frame exactly as character by character.
    void frames()
    {
        QFETCH(QByteArray, bytes);
        for (int chunk : {0, 1, 7, 5000}) {
            SentenceFramer framer;
            QTEST(frame(bytes, framer, chunk), "sentences");
            QTEST(QString::fromLatin1(framer.current()), "pending");
        }
    }

    // Which decoder a sentence goes to, by its tag; "" for one only shown.
    void dispatch_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<bool>("anyTalker");
        QTest::addColumn<QString>("tag");
        QTest::newRow("text") << "@100301123519N4807038E01131000G015+00001E0030N0040U0000\r\n"
                              << false << "@";
        QTest::newRow("text without position")
            << "@100301152033N_______E_________015+00261E0033N0037U0000\n"
            << false << "@";
        QTest::newRow("text cut short") << "@100301123519N4807038E01131000G015+00001E\r\n"
                                        << false << "";
        QTest::newRow("text with a letter in its time")
            << "@1003011235x9N4807038E01131000G015+00001E0030N0040U0000\r\n"
            << false << "";
        QTest::newRow("noise after an @") << "@\x93k\x01" << false << "";
        QTest::newRow("two joined") << "$GPRMC,1$GPGGA" << false << "RMC";
        QTest::newRow("lower case") << "$gprmc,1" << false << "";
        QTest::newRow("other talker") << "$GNRMC,1" << false << "";
        QTest::newRow("any talker") << "$GNGGA,1" << true << "GGA";
        QTest::newRow("any, lower case") << "$gnVTG,1" << true << "";
        QTest::newRow("any, cut short") << "$GNRM" << true << "";
        QTest::newRow("unknown tag") << "$GPGSV,1" << false << "";
    }
    void dispatch()
    {
        QFETCH(QString, sentence);
        QFETCH(bool, anyTalker);
        const SentenceRule* rule = FindSentence(sentence.toLatin1(), anyTalker);
        QTEST(QString::fromLatin1(rule ? rule->tag : ""), "tag");
    }
};

QTEST_APPLESS_MAIN(TstFramer)
#include "tst_framer.moc"
