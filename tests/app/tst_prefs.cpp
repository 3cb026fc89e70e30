// The 256-byte preferences file: defaults, every field read back, trimming,
// the spare bytes carried through, short and unwritable files.

#include "AnsiText.h"
#include "Preferences.h"
#include "TestSupport.h"

#include <QDir>

namespace {

// The record spelled out field by field at its offsets, independently of
// the encoder under test.
QByteArray prefsBytes(const QByteArray& folder, qint16 port, const QByteArray& receiver,
                      const QByteArray& text20, bool remote, bool metric, bool runDir, qint32 baud,
                      const QByteArray& spare = QByteArray(82, '\0'))
{
    QByteArray b;
    b += folder.leftJustified(78, ' ');
    b += char(port & 0xFF);
    b += char((port >> 8) & 0xFF);
    b += receiver.leftJustified(64, ' ');
    b += text20.leftJustified(20, ' ');
    for (bool flag : {remote, metric, runDir}) {
        b += flag ? QByteArray("\xFF\xFF", 2) : QByteArray(2, '\0');
    }
    for (int i = 0; i < 4; ++i) {
        b += char((baud >> (8 * i)) & 0xFF);
    }
    b += spare;
    return b;
}

} // namespace

class TstPrefs : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString prefsPath() const { return dir_.filePath(QStringLiteral("Veltrip.bin")); }

private slots:
    void init() { QFile::remove(prefsPath()); }

    void firstStartCreatesDefaults()
    {
        TestPlatform t;
        t.m.PrefsFile = prefsPath();
        LoadPrefs(t.m);

        const QString folder =
            ProgramFolder() + QDir::separator() + "Data Files" + QDir::separator();
        QCOMPARE(t.m.DataFolder, folder);
        QCOMPARE(t.m.CommPort, qint16(1));
        QCOMPARE(t.m.GPSName, QString("Standard USB"));
        QCOMPARE(t.m.BaudRate, 4800);
        QCOMPARE(t.m.TriggerSentence, QString("GGA"));
        QVERIFY(t.messages.shown.isEmpty());
        QVERIFY(sameBytes(readAll(prefsPath()), prefsBytes(folder.toLatin1(), 1, "Standard USB", "",
                                                           false, false, false, 4800)));
    }

    // Every field differs from its default, so a field that is never read back fails.
    void everyFieldReadBack()
    {
        QByteArray spare(82, '\0');
        for (int i = 0; i < spare.size(); ++i) {
            spare[i] = char(i * 7 + 1);
        }
        writeAll(prefsPath(),
                 prefsBytes("  /data/studies/  ", 7, " GeoExplorer 3", QByteArray("carried\0", 8),
                            true, true, true, 19200, spare));
        TestPlatform t;
        t.m.PrefsFile = prefsPath();
        LoadPrefs(t.m);

        QCOMPARE(t.m.DataFolder, QString("/data/studies/"));
        QCOMPARE(t.m.CommPort, qint16(7));
        QCOMPARE(t.m.GPSName, QString("GeoExplorer 3"));
        QCOMPARE(t.m.PrefsText, QString("carried") + QChar(0)); // only spaces are trimmed
        QVERIFY(t.m.RemoteEnabled);
        QVERIFY(t.m.MetricView);
        QVERIFY(t.m.RunDirInput);
        QCOMPARE(t.m.BaudRate, 19200);
        QCOMPARE(t.m.TriggerSentence, QString("VTG"));
        // The record keeps its padded form, left-aligned after trimming.
        QCOMPARE(t.m.Prefs.Folder, QByteArray("/data/studies/").leftJustified(78, ' '));

        QVERIFY(SavePrefs(t.m));
        QVERIFY(sameBytes(readAll(prefsPath()),
                          prefsBytes("/data/studies/", 7, "GeoExplorer 3",
                                     QByteArray("carried\0", 8), true, true, true, 19200, spare)));
    }

    void savedUnchangedIsByteIdentical()
    {
        QByteArray spare(82, '\0');
        spare[0] = '\x81'; // a byte with no character in the code page
        spare[81] = 'z';
        const QByteArray original =
            prefsBytes("/d/\x80\xE9/", 3, "Holux 210", "note", false, true, false, 9600, spare);
        writeAll(prefsPath(), original);
        TestPlatform t;
        t.m.PrefsFile = prefsPath();
        LoadPrefs(t.m);
        QCOMPARE(t.m.DataFolder, QString::fromUtf8("/d/\u20AC\u00E9/"));
        QVERIFY(SavePrefs(t.m));
        QVERIFY(sameBytes(readAll(prefsPath()), original));
    }

    void longTextsAreCut()
    {
        TestPlatform t;
        t.m.PrefsFile = prefsPath();
        LoadPrefs(t.m);
        t.m.DataFolder = QString(100, u'f');
        t.m.GPSName = QString(70, u'r');
        QVERIFY(SavePrefs(t.m));
        const QByteArray bytes = readAll(prefsPath());
        QCOMPARE(bytes.size(), 256);
        QCOMPARE(bytes.mid(0, 78), QByteArray(78, 'f'));
        QCOMPARE(bytes.mid(78, 2), QByteArray("\x01\x00", 2));
        QCOMPARE(bytes.mid(80, 64), QByteArray(64, 'r'));
    }

    // A cut-off file is read as far as it holds whole fields; the rest take
    // their defaults, so folder and port are always usable.
    void shortFile_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("folderRead");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<int>("baud");
        QTest::newRow("empty") << 0 << false << 1 << "Standard USB" << 4800;
        QTest::newRow("inside the folder") << 40 << false << 1 << "Standard USB" << 4800;
        QTest::newRow("half the port") << 79 << true << 1 << "Standard USB" << 4800;
        QTest::newRow("through the port") << 80 << true << 5 << "Standard USB" << 4800;
        QTest::newRow("through the receiver") << 144 << true << 5 << "Holux 210" << 4800;
        QTest::newRow("through the baud") << 174 << true << 5 << "Holux 210" << 38400;
        QTest::newRow("spare cut short") << 200 << true << 5 << "Holux 210" << 38400;
    }
    void shortFile()
    {
        QFETCH(int, length);
        writeAll(
            prefsPath(),
            prefsBytes("/srv/gd/", 5, "Holux 210", "", false, false, false, 38400).left(length));
        TestPlatform t;
        t.m.PrefsFile = prefsPath();
        LoadPrefs(t.m);
        QFETCH(bool, folderRead);
        QCOMPARE(t.m.DataFolder == "/srv/gd/", folderRead);
        QVERIFY(t.m.DataFolder.endsWith(QDir::separator()));
        QTEST(int(t.m.CommPort), "port");
        QTEST(t.m.GPSName, "receiver");
        QTEST(int(t.m.BaudRate), "baud");
        QVERIFY(t.messages.shown.isEmpty());
        QCOMPARE(t.m.Prefs.Spare.size(), 82);
    }

    void unwritableFileIsReported()
    {
        TestPlatform t;
        t.m.PrefsFile = dir_.filePath(QStringLiteral("no such folder/Veltrip.bin"));
        LoadPrefs(t.m);
        QCOMPARE(t.messages.shown.size(), 1);
        QVERIFY(t.messages.shown[0].contains(t.m.PrefsFile));
        QCOMPARE(t.m.CommPort, qint16(1)); // still running on the defaults
        QVERIFY(!SavePrefs(t.m));
        QCOMPARE(t.messages.shown.size(), 2);
    }

    void folderInPlaceOfFileGivesDefaults()
    {
        TestPlatform t;
        QVERIFY(QDir(dir_.path()).mkpath("Veltrip.bin"));
        t.m.PrefsFile = prefsPath();
        LoadPrefs(t.m); // not a file: the defaults, and saving them fails
        QCOMPARE(t.m.GPSName, QString("Standard USB"));
        QCOMPARE(t.messages.shown.size(), 1);
        QVERIFY(QDir(dir_.path()).rmdir("Veltrip.bin"));
    }

    void screenCheck_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("is800");
        QTest::newRow("640") << 640 << false;
        QTest::newRow("800") << 800 << true;
        QTest::newRow("1024") << 1024 << false;
    }
    void screenCheck()
    {
        QFETCH(int, width);
        TestPlatform t;
        t.screen = FixedScreen(width);
        t.m.PrefsFile = prefsPath();
        LoadPrefs(t.m);
        QTEST(t.m.ScreenIs800, "is800");
    }

    void fileExists()
    {
        writeAll(dir_.filePath("plain.gd2"), "x");
        writeAll(dir_.filePath(".hidden.gd2"), "x");
        QVERIFY(FileExists(dir_.filePath("plain.gd2")));
        QVERIFY(!FileExists(dir_.filePath(".hidden.gd2")));
        QVERIFY(!FileExists(dir_.path()));
        QVERIFY(!FileExists(dir_.filePath("absent.gd2")));
        QVERIFY(!FileExists(QString()));
    }
};

QTEST_GUILESS_MAIN(TstPrefs)
#include "tst_prefs.moc"
