// The 256-byte preferences file: defaults, every field read back, trimming,
// the spare bytes carried through, short and unwritable files.

#include "TestSupport.h"

#include <QDir>

namespace {

// The preferences file loaded as the set-up window loads it.
struct Loaded : TestPlatform
{
    Preferences prefs;
    StudySettings s;
    explicit Loaded(const QString& path)
        : prefs(path, locations::portable(native("/opt/gtt")).dataFolder, files, messages)
    {
        prefs.LoadPrefs(s);
    }
};

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
        Loaded t(prefsPath()); // the defaults as loaded: shortFile's "empty"
        QVERIFY(t.messages.shown.isEmpty());
        QVERIFY(sameBytes(readAll(prefsPath()),
                          prefsBytes(native("/opt/gtt/Data Files/").toLatin1(), 1, "Standard USB",
                                     "", false, false, false, 4800)));
    }

    // Every field differs from its default, so a field that is never read
    // back fails; what is saved unchanged comes back byte for byte, the spare
    // bytes and bytes with no character in the code page included.
    void everyFieldReadBack()
    {
        QByteArray spare(82, '\0');
        for (int i = 0; i < spare.size(); ++i) {
            spare[i] = char(i * 7 + 1);
        }
        spare[0] = '\x81';
        writeAll(prefsPath(),
                 prefsBytes("  /d/\x80\xE9/  ", 7, " GeoExplorer 3", QByteArray("carried\0", 8),
                            true, true, true, 19200, spare));
        Loaded t(prefsPath());
        QCOMPARE(t.s.DataFolder, QString::fromUtf8("/d/\u20AC\u00E9/"));
        QCOMPARE(t.s.CommPort, qint16(7));
        QCOMPARE(t.s.GPSName, QString("GeoExplorer 3"));
        QCOMPARE(t.s.PrefsText, QString("carried") + QChar(0)); // only spaces are trimmed
        QVERIFY(t.s.RemoteEnabled && t.s.MetricView && t.s.RunDirInput);
        QCOMPARE(t.s.BaudRate, 19200);

        QVERIFY(t.prefs.SavePrefs(t.s));
        QVERIFY(sameBytes(readAll(prefsPath()),
                          prefsBytes("/d/\x80\xE9/", 7, "GeoExplorer 3", QByteArray("carried\0", 8),
                                     true, true, true, 19200, spare)));
    }

    void longTextsAreCut()
    {
        Loaded t(prefsPath());
        t.s.DataFolder = QString(100, u'f');
        t.s.GPSName = QString(70, u'r');
        QVERIFY(t.prefs.SavePrefs(t.s));
        const QByteArray bytes = readAll(prefsPath());
        QCOMPARE(bytes.size(), 256);
        QCOMPARE(bytes.mid(0, 80), QByteArray(78, 'f') + QByteArray("\x01\x00", 2));
        QCOMPARE(bytes.mid(80, 64), QByteArray(64, 'r'));
    }

    // A cut-off file is read as far as it holds whole fields; the rest take
    // their defaults, so folder and port are always usable.
    void shortFile_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<int>("baud");
        const QString none = native("/opt/gtt/Data Files/");
        QTest::newRow("empty") << 0 << none << 1 << "Standard USB" << 4800;
        QTest::newRow("inside the folder") << 40 << none << 1 << "Standard USB" << 4800;
        QTest::newRow("half the port") << 79 << "/srv/gd/" << 1 << "Standard USB" << 4800;
        QTest::newRow("through the receiver") << 144 << "/srv/gd/" << 5 << "Holux 210" << 4800;
        QTest::newRow("spare cut short") << 200 << "/srv/gd/" << 5 << "Holux 210" << 38400;
    }
    void shortFile()
    {
        QFETCH(int, length);
        writeAll(
            prefsPath(),
            prefsBytes("/srv/gd/", 5, "Holux 210", "", false, false, false, 38400).left(length));
        Loaded t(prefsPath());
        QTEST(t.s.DataFolder, "folder");
        QTEST(int(t.s.CommPort), "port");
        QTEST(t.s.GPSName, "receiver");
        QTEST(int(t.s.BaudRate), "baud");
        QVERIFY(t.messages.shown.isEmpty());
        QCOMPARE(t.s.Prefs.Spare.size(), 82);
    }

    // Reported, and the program runs on the defaults; an unreadable file is
    // never overwritten.
    void unusableFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("no folder") << "no such folder/Veltrip.bin";
        QTest::newRow("a folder in its place") << "Veltrip.bin";
    }
    void unusableFile()
    {
        QFETCH(QString, path);
        QDir(dir_.path()).mkpath(QStringLiteral("Veltrip.bin"));
        Loaded t(dir_.filePath(path));
        QCOMPARE(t.messages.shown.size(), 1);
        QVERIFY(t.messages.shown[0].contains(dir_.filePath(path)));
        QCOMPARE(t.s.GPSName, QString("Standard USB"));
        QVERIFY(!t.prefs.SavePrefs(t.s));
        QCOMPARE(t.messages.shown.size(), 2);
        QVERIFY(QDir(dir_.path()).rmdir(QStringLiteral("Veltrip.bin")));
    }

    void fileExists()
    {
        writeAll(dir_.filePath("plain.gd2"), "x");
        writeAll(dir_.filePath(".hidden.gd2"), "x");
        QVERIFY(FileExists(dir_.filePath("plain.gd2")));
        QVERIFY(!FileExists(dir_.filePath(".hidden.gd2")));
        QVERIFY(!FileExists(dir_.path()));
        QVERIFY(!FileExists(QString()));
    }
};

QTEST_GUILESS_MAIN(TstPrefs)
#include "tst_prefs.moc"
