// The study file: its name, the 272-byte header, records 48 bytes apart with
// their missing values, and what happens when the file cannot be had.

#include "Preferences.h"
#include "StudyFile.h"
#include "TestSupport.h"

#include <QDir>

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

} // namespace

class TstStudyFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    void prepare(TestPlatform& t)
    {
        t.clock.set(QDateTime(QDate(2010, 3, 1), QTime(9, 15, 0)));
        t.m.PrefsFile = dir_.filePath("Veltrip.bin");
        LoadPrefs(t.m);
        t.m.DataFolder = dir_.path() + QDir::separator();
        t.m.StudyNamePrefix = QStringLiteral("Test");
        t.m.StudyNum = 3;
    }

private slots:
    void init() { QFile::remove(dir_.filePath("Test-3.gd2")); }

    void fileName_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("example") << "Test" << 3 << "/data/Test-3.gd2";
        QTest::newRow("empty number box") << "Test" << 0 << "/data/Test-0.gd2";
        QTest::newRow("no leading zeros") << "Main St" << 12 << "/data/Main St-12.gd2";
        QTest::newRow("negative keeps its sign") << "Test" << -4 << "/data/Test--4.gd2";
    }
    void fileName()
    {
        QFETCH(QString, prefix);
        QFETCH(int, number);
        TestPlatform t;
        t.m.DataFolder = QStringLiteral("/data/");
        t.m.StudyNamePrefix = prefix;
        t.m.StudyNum = qint16(number);
        QTEST(StudyFilePath(t.m), "name");
    }

    void headerBytes()
    {
        TestPlatform t;
        prepare(t);
        bool writeHeader = true;
        OpenStudyFile(t.m, writeHeader);
        QVERIFY(t.m.StudyFileOpen);
        QCOMPARE(t.m.NextWritePos, 273);
        QCOMPARE(t.m.StudyDate, 40238.0);
        t.files.closeAll();

        const QByteArray bytes = readAll(dir_.filePath("Test-3.gd2"));
        QCOMPARE(bytes.size(), 272);
        QVERIFY(
            sameBytes(bytes.left(16), hexBytes("02 00 01 00 02 00 00 00 00 00 c0 a5 e3 40 58 58")));
        // The preferences as loaded, not as they may be saved later.
        QVERIFY(sameBytes(bytes.mid(16), readAll(t.m.PrefsFile)));
    }

    void recordsFollowTheHeader()
    {
        TestPlatform t;
        prepare(t);
        bool writeHeader = true;
        OpenStudyFile(t.m, writeHeader);
        t.files.closeAll();

        writeHeader = false; // a run reopens the file and carries on
        OpenStudyFile(t.m, writeHeader);
        t.m.CurFix.RunNum = 1;
        t.m.CurFix.SpeedMph = 25.7824f;
        t.m.CurFix.Latitude = 48.1173;
        QVERIFY(WriteRecord(t.m, t.m.CurFix.encode()));
        t.m.CurFix.resetAfterWrite(0);
        QVERIFY(WriteRecord(t.m, t.m.CurFix.encode()));
        t.m.CurFix.resetAfterWrite(2);
        QVERIFY(WriteRecord(t.m, t.m.CurFix.encode()));
        QCOMPARE(t.m.NextWritePos, 273 + 3 * 48);
        t.files.closeAll();

        const QByteArray bytes = readAll(dir_.filePath("Test-3.gd2"));
        QCOMPARE(bytes.size(), 416);
        QVERIFY(sameBytes(bytes.mid(272, 4), hexBytes("01 00 ff ff")));
        QVERIFY(sameBytes(bytes.mid(276, 4), hexBytes("5b 42 ce 41"))); // 25.7824f
        QVERIFY(sameBytes(bytes.mid(320, 48), missingRecordBytes(1, 0)));
        QVERIFY(sameBytes(bytes.mid(368), missingRecordBytes(1, 2)));
    }

    void resetKeepsRunAndDirection()
    {
        FixRecord f;
        f.RunNum = 4;
        f.RunDir = 3;
        f.DelayNum = 12;
        f.NumSats = 8;
        f.resetAfterWrite(5);
        QVERIFY(sameBytes(f.encode(), [] {
            QByteArray r = missingRecordBytes(4, 5);
            r[46] = 3;
            return r;
        }()));
        QCOMPARE(FixRecord::decode(f.encode()), f);
    }

    void newRecordHoldsMissingValues()
    {
        QVERIFY(sameBytes(FixRecord().encode(), missingRecordBytes(0, 0)));
    }

    // A header always starts an empty study, even over a file that was there.
    void headerOverExistingFileStartsAnew()
    {
        TestPlatform t;
        prepare(t);
        writeAll(dir_.filePath("Test-3.gd2"), QByteArray(1000, 'z'));
        bool writeHeader = true;
        OpenStudyFile(t.m, writeHeader);
        QCOMPARE(t.m.NextWritePos, 273);
        t.files.closeAll();
        QCOMPARE(readAll(dir_.filePath("Test-3.gd2")).size(), 272);
    }

    void reopenDoesNotTruncate()
    {
        TestPlatform t;
        prepare(t);
        writeAll(dir_.filePath("Test-3.gd2"), QByteArray(320, 'z'));
        bool writeHeader = false;
        OpenStudyFile(t.m, writeHeader);
        QVERIFY(t.m.StudyFileOpen);
        t.files.closeAll();
        QCOMPARE(readAll(dir_.filePath("Test-3.gd2")).size(), 320);
    }

    void openFailureIsReported()
    {
        TestPlatform t;
        prepare(t);
        t.m.DataFolder = dir_.filePath("missing folder") + QDir::separator();
        bool writeHeader = true;
        OpenStudyFile(t.m, writeHeader);
        QVERIFY(!t.m.StudyFileOpen);
        QCOMPARE(t.messages.shown,
                 QStringList("There was a problem opening the data file. Check the Preferences "
                             "settings and try again."));
        QCOMPARE(t.files.freeFileNumber(), 1);
    }

    void writeWithoutOpenFileKeepsPosition()
    {
        TestPlatform t;
        prepare(t);
        bool writeHeader = true;
        OpenStudyFile(t.m, writeHeader);
        t.files.closeAll(); // as a Stop does
        QVERIFY(!WriteRecord(t.m, t.m.CurFix.encode()));
        QCOMPARE(t.m.NextWritePos, 273);
    }
};

QTEST_GUILESS_MAIN(TstStudyFile)
#include "tst_studyfile.moc"
