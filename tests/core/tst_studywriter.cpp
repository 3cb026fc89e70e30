// The study file byte for byte: the 272-byte header, records 48 bytes apart
// with their missing values, and every record kept when the file or its
// medium fails.

#include "TestSupport.h"

#include <QDir>

#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A record with every missing value, spelled out byte by byte.
QByteArray missingRecordBytes(qint16 run, qint16 node)
{
    QByteArray r;
    r += char(run);
    r += '\0';
    r += hexBytes("ff ff");                   // quality -1
    r += hexBytes("00 00 80 bf");             // speed -1.0
    r += hexBytes("00 3c 1c 46");             // course 9999.0
    r += hexBytes("00 00 00 00 00 00 f0 bf"); // time -1.0
    r += hexBytes("00 00 00 00 00 00 f0 bf"); // latitude -1.0
    r += hexBytes("00 00 00 00 00 00 f0 bf"); // longitude -1.0
    r += hexBytes("ff ff");                   // satellites -1
    r += hexBytes("00 00 80 bf");             // HDOP -1.0
    r += char(node);
    r += '\0';
    r += hexBytes("ff ff"); // delay -1
    r += hexBytes("00 00"); // direction 0
    return r;
}

// The process's descriptor open on path, or -1.
int descriptorOf(const QString& path)
{
    const QByteArray target = QFileInfo(path).canonicalFilePath().toLocal8Bit();
    for (int fd = 0; fd < 1024; ++fd) {
        char link[4096];
        const QByteArray name = "/proc/self/fd/" + QByteArray::number(fd);
        const ssize_t n = ::readlink(name.constData(), link, sizeof link);
        if (n > 0 && QByteArray(link, n) == target) {
            return fd;
        }
    }
    return -1;
}

// A record whose time of day ends in the given second.
FixRecord fixAt(int second)
{
    FixRecord f;
    f.RunNum = 1;
    f.FixTime = 40238.0 + (12 * 3600 + 35 * 60 + second) / 86400.0;
    return f;
}

// The second of each record's time of day, in the file's order.
QList<int> secondsOf(const QList<FixRecord>& records)
{
    QList<int> seconds;
    for (const FixRecord& r : records) {
        seconds << qRound(std::fmod(r.FixTime, 1.0) * 86400) % 60;
    }
    return seconds;
}

} // namespace

class TstStudyWriter : public QObject
{
    Q_OBJECT

private slots:
    void headerAndRecordBytes()
    {
        TestStudy s;
        const QByteArray header = s.bytes();
        QCOMPARE(header.size(), 272);
        // Version 2.1.2, the study date 2010-03-01 (40238.0), "XX".
        QVERIFY(sameBytes(header.left(16),
                          hexBytes("02 00 01 00 02 00 00 00 00 00 c0 a5 e3 40 58 58")));
        // The preferences as loaded before the set-up (the default folder),
        // not as saved after it.
        const QByteArray folder = (s.dir.path() + "/Data Files/").toLocal8Bit();
        QVERIFY(sameBytes(header.mid(16, 78), folder.leftJustified(78, ' ')));

        s.writer.OpenStudyFile(false); // a run reopens the file and carries on
        FixRecord f;
        f.RunNum = 1;
        f.SpeedMph = 25.7824f;
        s.writer.WriteFixRecord(f);
        f.resetAfterWrite(0);
        s.writer.WriteFixRecord(f);
        f.resetAfterWrite(2);
        f.RunDir = 3;
        s.writer.WriteFixRecord(f);
        s.writer.close();

        const QByteArray bytes = s.bytes();
        QCOMPARE(bytes.size(), 272 + 3 * 48);
        QVERIFY(sameBytes(bytes.mid(272, 8), hexBytes("01 00 ff ff 5b 42 ce 41"))); // 25.7824f
        QVERIFY(sameBytes(bytes.mid(320, 48), missingRecordBytes(1, 0)));
        QVERIFY(sameBytes(bytes.mid(368, 46), missingRecordBytes(1, 2).left(46)));
        QVERIFY(sameBytes(bytes.mid(414), hexBytes("03 00")));
        QCOMPARE(s.records().value(2), f);
    }

    // A run whose folder is gone keeps its records and writes them in order
    // once the folder is back.
    void recordsWaitForTheFolder()
    {
        TestStudy s;
        const QString data = s.dir.filePath("data");
        QVERIFY(QDir().rename(data, data + "-away"));
        QVERIFY(!s.writer.OpenStudyFile(false));
        for (int second = 20; second < 23; ++second) {
            s.writer.WriteFixRecord(fixAt(second));
        }
        s.writer.sync();
        QCOMPARE(s.writer.unsavedRecords(), 3);

        QVERIFY(QDir().rename(data + "-away", data)); // the card is back
        s.writer.sync();
        QCOMPARE(s.writer.unsavedRecords(), 0);
        s.writer.WriteFixRecord(fixAt(23));
        s.writer.close();
        QCOMPARE(secondsOf(s.records()), QList<int>({20, 21, 22, 23}));
    }

    // The study file deleted, its folder removed and made again, or the file
    // replaced by another, during a run or between runs: noticed, and made
    // again at its path with its header and every record before any more.
    void fileGoneUnderTheStudy_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("betweenRuns");
        for (const bool between : {false, true}) {
            const char* when = between ? "between runs" : "during a run";
            for (const char* what : {"file deleted", "folder made again", "file replaced"}) {
                QTest::addRow("%s %s", what, when) << what << between;
            }
        }
    }
    void fileGoneUnderTheStudy()
    {
        QFETCH(QString, what);
        QFETCH(bool, betweenRuns);
        TestStudy s;
        const QByteArray header = s.bytes();
        const QString path = s.writer.path();
        const QString data = s.dir.filePath("data");
        s.writer.OpenStudyFile(false);
        s.writer.WriteFixRecord(fixAt(20));
        s.writer.WriteFixRecord(fixAt(21));
        if (betweenRuns) {
            s.writer.close();
        }
        if (what == "file deleted") {
            QVERIFY(QFile::remove(path));
        } else if (what == "folder made again") {
            QVERIFY(QDir(data).removeRecursively() && QDir().mkdir(data));
        } else {
            QVERIFY(QFile::remove(path));
            writeAll(path, QByteArray(272 + 48, '\0'));
        }
        if (betweenRuns) {
            s.writer.OpenStudyFile(false);
        } else {
            s.writer.sync();
        }
        s.writer.WriteFixRecord(fixAt(22));
        s.writer.close();
        QCOMPARE(s.writer.rebuilds(), 1);
        QVERIFY(sameBytes(s.bytes().left(272), header));
        QCOMPARE(secondsOf(s.records()), QList<int>({20, 21, 22}));
    }

    // The medium fails under an open file (a card pulled out and put back):
    // a write or the sync fails on the old handle. The file is opened afresh
    // and every record since the last good sync is written again in place.
    void mediumFailsUnderTheOpenFile_data()
    {
        QTest::addColumn<bool>("beforeSync");
        QTest::newRow("a write fails") << false;
        QTest::newRow("the sync fails") << true;
    }
    void mediumFailsUnderTheOpenFile()
    {
        if (!QFileInfo(QStringLiteral("/dev/full")).exists()) {
            QSKIP("needs /dev/full, the device whose writes always fail");
        }
        QFETCH(bool, beforeSync);
        TestStudy s;
        s.writer.OpenStudyFile(false);
        s.writer.WriteFixRecord(fixAt(20));
        s.writer.sync();
        s.writer.WriteFixRecord(fixAt(21)); // written, not yet synced
        const int dead = ::open("/dev/full", O_WRONLY);
        const int fd = descriptorOf(StudyFilePath(s.settings));
        QVERIFY(dead >= 0 && fd >= 0);
        QVERIFY(::dup2(dead, fd) >= 0);
        ::close(dead);
        if (!beforeSync) {
            s.writer.WriteFixRecord(fixAt(22)); // refused: it and the one before wait
            QCOMPARE(s.writer.unsavedRecords(), 2);
            s.writer.sync();
        } else {
            s.writer.sync(); // refused; written again at once
            s.writer.WriteFixRecord(fixAt(22));
        }
        QCOMPARE(s.writer.unsavedRecords(), 0);
        s.writer.close();
        QCOMPARE(s.bytes().size(), 272 + 3 * 48);
        QCOMPARE(secondsOf(s.records()), QList<int>({20, 21, 22}));
    }
};

QTEST_GUILESS_MAIN(TstStudyWriter)
#include "tst_studywriter.moc"
