// Framing the serial stream into sentences, and which decoder each goes to.

#include "SentenceFramer.h"
#include "SentenceTypes.h"

#include <QRandomGenerator>
#include <QTest>

class TstFramer : public QObject
{
    Q_OBJECT

    static QStringList frame(const QByteArray& bytes, SentenceFramer& framer)
    {
        QStringList out;
        for (char b : bytes) {
            if (framer.feed(b)) {
                out.append(QString::fromLatin1(framer.completed()));
            }
        }
        return out;
    }

private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("sentences");
        QTest::addColumn<QString>("pending");
        QTest::newRow("leading garbage dropped")
            << QByteArray("0.9,545.4,M*47\r\n$GPRMC,1\r\n$GPGGA,2\r\n")
            << QStringList{"$GPRMC,1\r\n"} << "$GPGGA,2\r\n";
        QTest::newRow("sentence waits for the next start")
            << QByteArray("$GPRMC,1*6A\r\n") << QStringList{} << "$GPRMC,1*6A\r\n";
        QTest::newRow("cut off by the next start")
            << QByteArray("$GPRMC,12$GPGGA,3\r\n") << QStringList{"$GPRMC,12"} << "$GPGGA,3\r\n";
        QTest::newRow("line feed only") << QByteArray("$GPRMC,1\n$GPGGA,2\n$")
                                        << QStringList{"$GPRMC,1\n", "$GPGGA,2\n"} << "$";
        QTest::newRow("text sentences")
            << QByteArray("@100301\r\n@100302\r\n") << QStringList{"@100301\r\n"} << "@100302\r\n";
        QTest::newRow("mixed start characters") << QByteArray("$GPGGA,1\r\n@1003\r\n$")
                                                << QStringList{"$GPGGA,1\r\n", "@1003\r\n"} << "$";
        QTest::newRow("start characters back to back")
            << QByteArray("$$GPRMC,1\r\n$") << QStringList{"$", "$GPRMC,1\r\n"} << "$";
        QTest::newRow("nothing but garbage") << QByteArray("abc\r\n,,*") << QStringList{} << "";
    }
    void frames()
    {
        QFETCH(QByteArray, bytes);
        SentenceFramer framer;
        QTEST(frame(bytes, framer), "sentences");
        QTEST(QString::fromLatin1(framer.current()), "pending");
    }

    // Blocks of any size frame exactly as character by character.
    void blocksFrameAsCharacters()
    {
        QRandomGenerator rng(4096);
        const char alphabet[] = "$@$@,*GPRMC0123456789\r\nxx";
        for (int round = 0; round < 300; ++round) {
            QByteArray stream;
            const int len = int(rng.bounded(round % 30 == 0 ? 12000 : 300));
            for (int i = 0; i < len; ++i) {
                stream += alphabet[rng.bounded(int(sizeof alphabet - 1))];
            }
            if (round % 7 == 0) {
                stream.insert(int(rng.bounded(stream.size() + 1)), QByteArray(5000, 'y'));
            }
            SentenceFramer one;
            const QStringList expected = frame(stream, one);
            SentenceFramer block;
            QStringList got;
            const int chunk = int(rng.bounded(1, 700));
            for (qsizetype at = 0; at < stream.size(); at += chunk) {
                const QByteArray part = stream.mid(at, chunk);
                block.feed(part.constData(), part.size(),
                           [&](QByteArrayView s) { got.append(QString::fromLatin1(s)); });
            }
            QCOMPARE(got, expected);
            QCOMPARE(block.current(), one.current());
        }
    }

    void endlessSentenceIsBounded()
    {
        SentenceFramer framer;
        QByteArray garbage = "$GPRMC,1";
        garbage += QByteArray(1 << 20, 'x');
        garbage += "$GPGGA";
        const QStringList sentences = frame(garbage, framer);
        QCOMPARE(sentences.size(), 1);
        QCOMPARE(sentences[0].size(), qsizetype(SentenceFramer::kMaxSentence));
        QVERIFY(sentences[0].startsWith("$GPRMC,1xxx"));
        QCOMPARE(framer.current(), QByteArrayView("$GPGGA"));
    }

    void classify_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<int>("type");
        QTest::newRow("rmc") << "$GPRMC,1" << int(SentenceType::RMC);
        QTest::newRow("gga") << "$GPGGA,1" << int(SentenceType::GGA);
        QTest::newRow("vtg") << "$GPVTG,1" << int(SentenceType::VTG);
        QTest::newRow("text") << "@1003" << int(SentenceType::Text);
        QTest::newRow("gsv shown only") << "$GPGSV,3" << int(SentenceType::Other);
        QTest::newRow("lower case") << "$gprmc,1" << int(SentenceType::Other);
        QTest::newRow("other talker") << "$GNRMC,1" << int(SentenceType::Other);
        QTest::newRow("tag cut short") << "$GPRM" << int(SentenceType::Other);
        QTest::newRow("merged after a lost start") << "$GPRMC,1$GPGGA" << int(SentenceType::RMC);
    }
    void classify()
    {
        QFETCH(QString, sentence);
        QTEST(int(ClassifySentence(sentence.toLatin1())), "type");
    }

    void classifyAnyTalker_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<int>("type");
        QTest::newRow("GN rmc") << "$GNRMC,1" << int(SentenceType::RMC);
        QTest::newRow("GL gga") << "$GLGGA,1" << int(SentenceType::GGA);
        QTest::newRow("GA vtg") << "$GAVTG,1" << int(SentenceType::VTG);
        QTest::newRow("BD gga") << "$BDGGA,1" << int(SentenceType::GGA);
        QTest::newRow("GP still") << "$GPGGA,1" << int(SentenceType::GGA);
        QTest::newRow("lower-case talker") << "$gnRMC,1" << int(SentenceType::Other);
        QTest::newRow("lower-case type") << "$GNrmc,1" << int(SentenceType::Other);
        QTest::newRow("digit talker") << "$G1GGA,1" << int(SentenceType::Other);
        QTest::newRow("other type") << "$GNGSA,1" << int(SentenceType::Other);
        QTest::newRow("proprietary") << "$PUBX,00" << int(SentenceType::Other);
        QTest::newRow("too short") << "$GNRM" << int(SentenceType::Other);
        QTest::newRow("text") << "@1003" << int(SentenceType::Text);
    }
    void classifyAnyTalker()
    {
        QFETCH(QString, sentence);
        QTEST(int(ClassifySentence(sentence.toLatin1(), true)), "type");
    }
};

QTEST_APPLESS_MAIN(TstFramer)
#include "tst_framer.moc"
