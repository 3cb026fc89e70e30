// Accepting the set-up, without a window: a refusal at any step writes
// nothing; what each box shows, typed text included, reaches the settings and
// the preferences byte for byte; and the route's checkpoint file is
// remembered beside the preferences, which stay as they were.

#include "Messages.h"
#include "SetupRules.h"
#include "StudySetup.h"
#include "TestSupport.h"

#include <QLockFile>

namespace {

using Box = StudySetup::Box;
using Outcome = StudySetup::Answer::Outcome;

const QByteArray kRoute = "name,latitude,longitude\nStart,43.6500,-79.3800\n"
                          "Mid,43.6520,-79.3790\nEnd,43.6540,-79.3780\n";

// Everything the set-up may change, as text, to see that nothing did.
QString dump(const StudySettings& s)
{
    return QStringList({s.DataFolder, s.StudyNamePrefix, QString::number(s.StudyNum), s.GPSName,
                        QString::number(s.CommPort), QString::number(s.BaudRate),
                        QString::number(s.RemoteEnabled), QString::number(s.MetricView),
                        QString::number(s.RunDirInput), s.CheckpointFile,
                        QString::number(s.Checkpoints.size()),
                        QString::fromLatin1(s.Prefs.encode().toHex())})
        .join(u'|');
}

// The boxes of the set-up window by name.
const QHash<QString, QString SetupChoices::*> kBoxes = {
    {"prefix", &SetupChoices::StudyNamePrefix},    {"number", &SetupChoices::StudyNum},
    {"folder", &SetupChoices::DataFolder},         {"port", &SetupChoices::CommPort},
    {"receiver", &SetupChoices::GPSName},          {"baud", &SetupChoices::BaudRate},
    {"checkpoints", &SetupChoices::CheckpointFile}};

// A program started afresh, its preferences in a folder of their own (as an
// installed copy keeps them), apart from the program folder.
struct Start : TestPlatform
{
    Preferences prefs;
    StudySettings settings;
    StudyWriter writer{files, clock};
    StudySetup setup{settings, prefs, writer};
    SetupChoices shown; // the boxes as the window fills them
    QString asked;      // the study the overwrite question was about

    explicit Start(const QString& folder, const QString& commandLineRoute = {})
        : prefs(folder + "/config/Veltrip.bin", QStringLiteral("/opt/gtt"), files, messages)
    {
        QDir(folder).mkpath("config");
        if (!commandLineRoute.isEmpty()) {
            setup.chooseCheckpointFile(commandLineRoute);
        }
        const StudySettings& s = setup.load();
        shown = {"Test",
                 "1",
                 native(folder + "/"),
                 QString::number(s.CommPort),
                 s.GPSName,
                 QString::number(s.BaudRate),
                 s.RemoteEnabled,
                 s.MetricView,
                 s.RunDirInput,
                 s.CheckpointFile};
    }

    // OK, answering the overwrite question, should it come, with replace.
    StudySetup::Answer ok(bool replace = false)
    {
        return setup.accept(shown, [&](const StudySettings& study) {
            asked = StudyFilePath(study);
            return replace;
        });
    }
};

} // namespace

class TstStudySetup : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    QString route(const QByteArray& content)
    {
        const QString path = dir_.filePath("route.csv");
        writeAll(path, content);
        return path;
    }

private slots:
    void cleanup()
    {
        for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden)) {
            QFile::remove(dir_.filePath(name));
        }
        QDir(dir_.filePath("config")).removeRecursively();
    }

    // A box the set-up cannot take is named with its message, and nothing is
    // written: no setting, no study file, no byte of the preferences, no
    // remembered route. "@" stands for the test's folder.
    void refusedWritesNothing_data()
    {
        QTest::addColumn<QString>("field"); // the box typed in
        QTest::addColumn<QString>("text");  // a checkpoint file's content, "" for none there
        QTest::addColumn<int>("box");       // the box the refusal names
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* field, const QString& text, Box box,
                            const QString& message) {
            QTest::newRow(name) << field << text << int(box) << message;
        };
        row("prefix leaves the folder", "prefix", "..Test", Box::StudyNamePrefix,
            "The study name cannot contain \"..\".");
        row("number is a letter", "number", "a", Box::StudyNum, setup::kStudyNumberNotANumber);
        row("port out of range", "port", "70000", Box::CommPort,
            "\"70000\" is not a port number. Choose a port from the list.");
        row("receiver outside the code page", "receiver", "\u0141\u00F3d\u017A 1", Box::GPSName,
            "The receiver name \u0141\u00F3d\u017A 1 has characters");
        row("baud typed as words", "baud", "fast", Box::BaudRate,
            "\"fast\" is not a baud rate. Choose a rate from the list, for example 4800.");
        row("baud zero", "baud", "0", Box::BaudRate, "\"0\" is not a baud rate.");
        row("baud with a fraction", "baud", "4800.5", Box::BaudRate, "\"4800.5\" is not");
        row("baud too large", "baud", "9999999999", Box::BaudRate, "\"9999999999\" is not");
        row("folder not a whole path", "folder", "Data Files/", Box::DataFolder,
            native("The remembered data folder \"Data Files/\" is not a whole folder path."));
        row("checkpoint file with a bad line", "checkpoints",
            "name,latitude,longitude\nA,43.65,-79.38\nB,north,-79.37\n", Box::CheckpointFile,
            "route.csv, line 3");
        row("checkpoint file gone", "checkpoints", "", Box::CheckpointFile,
            "/gone.csv cannot be read");
        // A copy of the program unpacked without its empty Data Files/: named.
        row("data folder gone", "folder", "@/gone/", Box::DataFolder,
            native("/gone/ does not exist. Choose the data folder again."));
    }
    void refusedWritesNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        Start s(dir_.path());
        const QString loaded = dump(s.settings);
        const QByteArray prefsBefore = readAll(s.prefs.PrefsFile());
        // What the other boxes show must not get through either.
        s.shown.GPSName = "Typed receiver";
        s.shown.BaudRate = "38400";
        s.shown.MetricView = true;
        if (field == "checkpoints") {
            text = text.isEmpty() ? dir_.filePath("gone.csv") : route(text.toUtf8());
        }
        s.shown.*kBoxes.value(field) =
            field == "folder" ? native(text.replace('@', dir_.path())) : text;

        const StudySetup::Answer answer = s.ok();
        QCOMPARE(answer.outcome, Outcome::Refused);
        QVERIFY2(answer.message.contains(message), qPrintable(answer.message));
        QTEST(int(answer.box), "box");
        QCOMPARE(dump(s.settings), loaded);
        QVERIFY(sameBytes(readAll(s.prefs.PrefsFile()), prefsBefore));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).filter(".gd2"), QStringList());
        QVERIFY(!QFile::exists(s.prefs.SideFile()));
        QVERIFY(s.messages.shown.isEmpty()); // the window says it
        QCOMPARE(s.asked, QString());        // and asks nothing
    }

    // A folder of the study file's name is no study to replace: nothing is
    // asked or removed, and the study file cannot be created.
    void aFolderOfTheStudysName()
    {
        Start s(dir_.path());
        QVERIFY(QDir(dir_.path()).mkpath("Test-1.gd2/runs"));
        const StudySetup::Answer answer = s.ok(true);
        QCOMPARE(answer.message, msg::kDataFileOpenFailed);
        QCOMPARE(s.asked, QString());
        QVERIFY(QFileInfo(dir_.filePath("Test-1.gd2/runs")).isDir());
        QDir(dir_.filePath("Test-1.gd2")).removeRecursively();
    }

    // What the boxes show is what the preferences get, field by field at
    // its offset; the study's header holds the preferences as they were
    // loaded; the checkpoints are read.
    void acceptedAsShown_data()
    {
        QTest::addColumn<QStringList>("boxes"); // port, receiver, baud
        QTest::addColumn<bool>("withRoute");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArray>("receiver");
        QTest::addColumn<int>("baud");
        QTest::newRow("from the lists") << QStringList({"3", "GeoExplorer 3", "9600"}) << false << 3
                                        << QByteArray("GeoExplorer 3") << 9600;
        QTest::newRow("typed") << QStringList({"2.7", "  Phone app 2 ", " 38400 "}) << true << 2
                               << QByteArray("Phone app 2") << 38400;
    }
    void acceptedAsShown()
    {
        QFETCH(QStringList, boxes);
        QFETCH(bool, withRoute);
        QFETCH(int, port);
        QFETCH(QByteArray, receiver);
        QFETCH(int, baud);
        Start s(dir_.path());
        const QByteArray loaded = readAll(s.prefs.PrefsFile());
        s.shown.CommPort = boxes[0];
        s.shown.GPSName = boxes[1];
        s.shown.BaudRate = boxes[2];
        s.shown.MetricView = true;
        s.shown.StudyNamePrefix = " Main St ";
        s.shown.StudyNum = "7";
        s.shown.CheckpointFile = withRoute ? route(kRoute) : QString();

        QCOMPARE(s.ok().outcome, Outcome::Created);
        const QString folder = native(dir_.path() + "/");
        QVERIFY(sameBytes(
            readAll(s.prefs.PrefsFile()),
            prefsBytes(folder.toUtf8(), qint16(port), receiver, "", false, true, false, baud)));
        const QByteArray study = readAll(dir_.filePath("Main St-7.gd2"));
        QCOMPARE(study.size(), 272);
        QVERIFY(sameBytes(study.mid(16), loaded));
        QCOMPARE(s.settings.GPSName, QString(receiver));
        QCOMPARE(s.settings.BaudRate, baud);
        QCOMPARE(s.settings.StudyNamePrefix, QString("Main St"));
        QCOMPARE(s.settings.Checkpoints.size(), withRoute ? 3 : 0);
        QCOMPARE(s.settings.CheckpointFile, s.shown.CheckpointFile);
        QVERIFY(s.messages.shown.isEmpty());
    }

    // The checkpoint file is remembered beside the preferences, wherever
    // they are, and shown at the next start even when it has gone since;
    // the command line's choice comes first; cleared, it is forgotten. The
    // 256 bytes of the preferences never change for it.
    void checkpointFileRemembered()
    {
        const QString path = route(kRoute);
        QByteArray prefs;
        {
            Start s(dir_.path());
            s.shown.CheckpointFile = path;
            QCOMPARE(s.ok().outcome, Outcome::Created);
            QCOMPARE(s.prefs.SideFile(), dir_.filePath("config/Veltrip.ini"));
            prefs = readAll(s.prefs.PrefsFile());
        }
        QFile::remove(path);
        Start again(dir_.path());
        QCOMPARE(again.settings.CheckpointFile, path); // gone since, and still shown

        const QString other = dir_.filePath("other.csv");
        QCOMPARE(Start(dir_.path(), other).settings.CheckpointFile, other);
        again.shown.CheckpointFile.clear();
        QCOMPARE(again.ok(true).outcome, Outcome::Created);
        QVERIFY(sameBytes(readAll(again.prefs.PrefsFile()), prefs));
        QCOMPARE(Start(dir_.path()).settings.CheckpointFile, QString());
    }

    // One running program per study: the study another copy records is
    // refused, naming the process, and nothing is asked; the claim a killed
    // program left behind is taken over, with the operator's word to replace.
    void studyOfAnotherRunningCopy_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("recorded by a running copy") << true;
        QTest::newRow("left by a killed copy") << false;
    }
    void studyOfAnotherRunningCopy()
    {
        QFETCH(bool, running);
        Start s(dir_.path());
        const QString path = dir_.filePath("Test-1.gd2");
        writeAll(path, QByteArray(272 + 48, 'x'));
        StudyWriter other(s.files, s.clock);
        if (running) {
            QVERIFY(!other.claim(path));
        } else {
            // A claim as this system writes one, its process since gone.
            const QString claim = dir_.filePath(".Test-1.gd2.lock");
            QByteArray written;
            {
                QLockFile lock(claim);
                QVERIFY(lock.tryLock(0));
                written = readAll(claim);
            }
            QList<QByteArray> lines = written.split('\n');
            lines[0] = "2147480000";
            writeAll(claim, lines.join('\n'));
        }
        const StudySetup::Answer answer = s.ok(true);
        QVERIFY2(answer.outcome == (running ? Outcome::Refused : Outcome::Created),
                 qPrintable(answer.message));
        QCOMPARE(s.asked, running ? QString() : native(path));
        QCOMPARE(readAll(path).size(), running ? 272 + 48 : 272);
        if (running) {
            QCOMPARE(answer.message,
                     "The study " + native(path) +
                         " is being recorded by another copy of this program (process " +
                         QString::number(QCoreApplication::applicationPid()) +
                         "). Choose another study name or number, or end that copy first.");
            QCOMPARE(answer.box, Box::StudyNamePrefix);
        }
    }
};

QTEST_GUILESS_MAIN(TstStudySetup)
#include "tst_studysetup.moc"
