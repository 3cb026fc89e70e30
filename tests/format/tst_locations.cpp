// Where the program keeps its files: everything in a program folder the user
// can write, and in the user's own folders for an installed program, decided
// by a real attempt to write, made as a user without rights.

#include "FileLocations.h"
#include "TestSupport.h"
#include "Unprivileged.h"

#include <QStandardPaths>

namespace {

// The program's idea of its places, one per line, as the user sees them.
QByteArray placesOf(const locations::Locations& l)
{
    return QByteArray(l.installed ? "installed\n" : "portable\n") + l.prefsFile().toUtf8() + '\n' +
           l.settingsFolder.toUtf8() + '\n' + l.dataFolder.toUtf8();
}

// An environment variable set for one test, restored after it.
struct Env
{
    const char* name;
    QByteArray before;
    bool was;
    Env(const char* n, const QByteArray& value)
        : name(n), before(qgetenv(n)), was(qEnvironmentVariableIsSet(n))
    {
        if (value.isNull()) {
            qunsetenv(n);
        } else {
            qputenv(n, value);
        }
    }
    ~Env() { was ? qputenv(name, before) : qunsetenv(name); }
};

} // namespace

class TstLocations : public QObject
{
    Q_OBJECT

private slots:
    // The places themselves; a program folder with blanks around it keeps
    // today's default data folder, trimmed.
    void places_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("documents");
        QTest::addColumn<QString>("places");
        QTest::newRow("portable") << false << "/opt/gtt"
                                  << ""
                                  << ""
                                  << "portable\n/opt/gtt/Veltrip.bin\n/opt/gtt\n"
                                     "/opt/gtt/Data Files/";
        QTest::newRow("portable, blanks") << false << " /opt/g t "
                                          << ""
                                          << ""
                                          << "portable\n /opt/g t /Veltrip.bin\n /opt/g t \n"
                                             "/opt/g t/Data Files/";
        QTest::newRow("installed") << true << "/usr/bin"
                                   << "/home/ann/.config"
                                   << "/home/ann/Documents"
                                   << "installed\n/home/ann/.config/gps-collector/Veltrip.bin\n"
                                      "/home/ann/.config/gps-collector\n"
                                      "/home/ann/Documents/GPS Studies/";
        QTest::newRow("installed, separators at the end")
            << true << "/usr/bin"
            << "/cfg//"
            << "/home/ann/"
            << "installed\n/cfg/gps-collector/Veltrip.bin\n/cfg/gps-collector\n"
               "/home/ann/GPS Studies/";
    }
    void places()
    {
        QFETCH(bool, installed);
        QFETCH(QString, program);
        QFETCH(QString, configHome);
        QFETCH(QString, documents);
        const locations::Locations l = installed
                                           ? locations::installed(program, configHome, documents)
                                           : locations::portable(program);
        QTEST(QString::fromUtf8(placesOf(l)), "places");
    }

    // A program folder decides by what a user without rights can do there:
    // the folders come from XDG_CONFIG_HOME (else ~/.config) and the user's
    // folders file (else ~/Documents).
    void decidedByWriting_data()
    {
        QTest::addColumn<QByteArray>("configHome"); // null: unset
        QTest::addColumn<QByteArray>("userDirs");   // the documents line of user-dirs.dirs
        QTest::addColumn<QString>("places");        // CFG: the configuration folder given
        QTest::newRow("config home unset") << QByteArray() << QByteArray()
                                           << "installed\n/home/ann/.config/gps-collector/"
                                              "Veltrip.bin\n/home/ann/.config/gps-collector\n"
                                              "/home/ann/Documents/GPS Studies/";
        QTest::newRow("config home given")
            << QByteArray("CFG") << QByteArray()
            << "installed\nCFG/gps-collector/Veltrip.bin\nCFG/gps-collector\n"
               "/home/ann/Documents/GPS Studies/";
        QTest::newRow("documents named by the user's folders")
            << QByteArray("CFG") << QByteArray("XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n")
            << "installed\nCFG/gps-collector/Veltrip.bin\nCFG/gps-collector\n"
               "/home/ann/Dokumente/GPS Studies/";
    }
    void decidedByWriting()
    {
        QFETCH(QByteArray, configHome);
        QFETCH(QByteArray, userDirs);
        QFETCH(QString, places);
        QTemporaryDir program; // root's, or made unwritable for an ordinary user
        QTemporaryDir config;  // readable by all, as a home's is
        QVERIFY(QFile::setPermissions(config.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::ExeOther));
        if (!userDirs.isNull()) {
            writeAll(config.filePath("user-dirs.dirs"), userDirs);
        }
        const Env home("HOME", "/home/ann");
        const Env xdg("XDG_CONFIG_HOME", configHome.isNull() ? configHome : config.path().toUtf8());

        const auto where = [&] { return placesOf(locations::forProgramIn(program.path())); };
        QVERIFY(where().startsWith("portable\n")); // as the owner, in the folder of the build
        QVERIFY(QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner));
        QCOMPARE(QString::fromUtf8(asUnprivileged(where)), places.replace("CFG", config.path()));
    }

    // An installed program makes its folders; a portable one is left as it
    // is, its data folder made by the build or by whoever unpacked it.
    void madeFolders()
    {
        QTemporaryDir home;
        const locations::Locations installed =
            locations::installed("/usr/bin", home.filePath(".config"), home.filePath("Documents"));
        QString why;
        QVERIFY(locations::makeFolders(installed, &why));
        QVERIFY(QFileInfo(home.filePath(".config/gps-collector")).isDir());
        QVERIFY(QFileInfo(home.filePath("Documents/GPS Studies")).isDir());

        QVERIFY(locations::makeFolders(locations::portable(home.filePath("portable")), &why));
        QVERIFY(!QFileInfo::exists(home.filePath("portable")));

        QVERIFY(QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray refused = asUnprivileged([&] {
            QString reason;
            return locations::makeFolders(
                       locations::installed("/usr/bin", home.filePath("c"), home.filePath("d")),
                       &reason)
                       ? QByteArray("made")
                       : reason.toUtf8();
        });
        QCOMPARE(refused,
                 "The folder " + home.filePath("c/gps-collector").toUtf8() + " cannot be made.");
    }
};

QTEST_GUILESS_MAIN(TstLocations)
#include "tst_locations.moc"
