// Framing the serial stream into sentences, and which decoder each goes to.

#include "SentenceFramer.h"
#include "Sentences.h"

#include <QTest>

namespace {

// What the framer hands on, fed a character at a time (chunk 0) or in
// blocks: "S:" a sentence, "C:" cut off, "L:" over-long, then the text.
QStringList frame(const QByteArray& bytes, SentenceFramer& framer, int chunk = 0)
{
    QStringList out;
    const auto take = [&out](const FramedText& t) {
        out.append(QString(u"SCL"[t.kind]) + u':' + QString::fromLatin1(t.text));
    };
    for (qsizetype at = 0; at < bytes.size(); at += qMax(chunk, 1)) {
        if (chunk == 0 && framer.feed(bytes[at])) {
            take(framer.completed());
        } else if (chunk > 0) {
            framer.feed(bytes.constData() + at, qMin<qsizetype>(chunk, bytes.size() - at), take);
        }
    }
    return out;
}

// 164 characters with its line end, the longest a sentence may be.
const QByteArray kLong = "$GPGGA," + QByteArray(155, 'x');

} // namespace

class TstFramer : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("framed");
        QTest::addColumn<QString>("pending"); // what waits for the next start
        QTest::newRow("leading garbage dropped")
            << QByteArray("0.9,545.4,M*47\r\n$GPRMC,1\r\n$GPGGA,2\r\n")
            << QStringList{"S:$GPRMC,1\r\n"} << "$GPGGA,2\r\n";
        QTest::newRow("cut off by the next start")
            << QByteArray("$GPRMC,12$GPGGA,3\r\n") << QStringList{"C:$GPRMC,12"} << "$GPGGA,3\r\n";
        QTest::newRow("cut off before its line feed")
            << QByteArray("$GPRMC,1\r$GPGGA,3\n") << QStringList{"C:$GPRMC,1\r"} << "$GPGGA,3\n";
        QTest::newRow("line feed only") << QByteArray("$GPRMC,1\n$GPGGA,2\n$")
                                        << QStringList{"S:$GPRMC,1\n", "S:$GPGGA,2\n"} << "$";
        QTest::newRow("noise after the line end is no part of it")
            << QByteArray("$GPRMC,1\r\nx\x93\r\n\n$") << QStringList{"S:$GPRMC,1\r\n"} << "$";
        QTest::newRow("mixed start characters")
            << QByteArray("x@1\r\n$GPRMC,1\r\n@2\r\n@3$")
            << QStringList{"S:@1\r\n", "S:$GPRMC,1\r\n", "S:@2\r\n", "C:@3"} << "$";
        QTest::newRow("back to back")
            << QByteArray("$$GPGGA,2\n") << QStringList{"C:$"} << "$GPGGA,2\n";
        QTest::newRow("longest line")
            << kLong + "\r\n$" << QStringList{"S:" + kLong + "\r\n"} << "$";
        QTest::newRow("one past the longest line")
            << kLong + "x\r\n$" << QStringList{"L:" + kLong + "x\r"} << "$";
        // A stream without start characters or line ends cannot grow a
        // sentence for ever, nor become one.
        QTest::newRow("endless line dropped whole")
            << "$GPGGA,1" + QByteArray(1 << 20, 'x') + "\r\n$GPGGA"
            << QStringList{"L:$GPGGA,1" + QString(156, u'x')} << "$GPGGA";
    }
    // Blocks of any size frame exactly as character by character.
    void frames()
    {
        QFETCH(QByteArray, bytes);
        for (int chunk : {0, 1, 7, 5000}) {
            SentenceFramer framer;
            QTEST(frame(bytes, framer, chunk), "framed");
            QTEST(QString::fromLatin1(framer.current()), "pending");
        }
    }

    // A break in the stream hands on a finished sentence and drops an
    // unfinished one; what follows starts afresh, as after the port opened.
    void restart_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("framed");
        QTest::newRow("finished") << QByteArray("$GPRMC,1\r\n") << QByteArray("$GPGGA,2\r\n$")
                                  << QStringList{"S:$GPRMC,1\r\n", "S:$GPGGA,2\r\n"};
        QTest::newRow("unfinished, then the rest of another")
            << QByteArray("$GPGGA,1234,40") << QByteArray("074,W*47\r\n$GPGGA,2\r\n$")
            << QStringList{"C:$GPGGA,1234,40", "S:$GPGGA,2\r\n"};
        QTest::newRow("never started")
            << QByteArray("74,W") << QByteArray("$GPGGA,2\n$") << QStringList{"S:$GPGGA,2\n"};
    }
    void restart()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        SentenceFramer framer;
        QStringList framed = frame(before, framer, 3);
        framer.restart([&](const FramedText& t) {
            framed.append(QString(u"SCL"[t.kind]) + u':' + QString::fromLatin1(t.text));
        });
        framed += frame(after, framer, 3);
        QTEST(framed, "framed");
    }

    // Which sentences carry a checksum, and whether it holds.
    void checksum_data()
    {
        QTest::addColumn<QByteArray>("sentence");
        QTest::addColumn<int>("checksum"); // 0 absent, 1 matches, 2 wrong
        QTest::newRow("matches")
            << QByteArray("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n")
            << 1;
        QTest::newRow("one digit changed")
            << QByteArray("$GPGGA,123519,5807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n")
            << 2;
        QTest::newRow("lower-case hex, line feed only")
            << QByteArray("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a\n")
            << 1;
        QTest::newRow("not hexadecimal") << QByteArray("$GPVTG,054.7,T*4G\r\n") << 2;
        QTest::newRow("one digit lost") << QByteArray("$GPVTG,054.7,T*4\r\n") << 2;
        QTest::newRow("text after it") << QByteArray("$GPVTG,054.7,T*48x\r\n") << 2;
        QTest::newRow("none") << QByteArray("$GPRMC,1\r\n") << 0;
        QTest::newRow("text sentence")
            << QByteArray("@100301123519N4807038E01131000G015+00001E0030N0040U0000\r\n") << 0;
    }
    void checksum()
    {
        QFETCH(QByteArray, sentence);
        QTEST(int(SentenceChecksum(sentence)), "checksum");
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
        QTest::newRow("text without a clock")
            << "@____________N4807038E01131000g___+_____E____N____U____\r\n"
            << false << "@";
        QTest::newRow("text, unknown status")
            << "@100301123519N4807038E01131000X015+00001E0030N0040U0000\r\n"
            << false << "";
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
