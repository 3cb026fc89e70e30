// Where an installed program keeps its files, as the XDG rules say, and a
// portable copy's data folder made at its first start.

#include "FileLocations.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

class TstFileLocations : public QObject
{
    Q_OBJECT

private slots:
    // "-" leaves a variable unset; "~" in a result is the account's home.
    void installed_data()
    {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QByteArray>("userDirs"); // ~/.config/user-dirs.dirs, "" for none
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("data");
        QTest::newRow("plain") << "/home/ann"
                               << "-" << QByteArray() << "/home/ann/.config/gps-collector"
                               << "/home/ann/Documents/GPS Studies/";
        QTest::newRow("XDG_CONFIG_HOME") << "/home/ann"
                                         << "/etc/ann/" << QByteArray() << "/etc/ann/gps-collector"
                                         << "/home/ann/Documents/GPS Studies/";
        QTest::newRow("relative XDG_CONFIG_HOME ignored")
            << "/home/ann"
            << "cfg" << QByteArray() << "/home/ann/.config/gps-collector"
            << "/home/ann/Documents/GPS Studies/";
        QTest::newRow("documents named") << "/home/ann"
                                         << "-"
                                         << QByteArray("# written by xdg-user-dirs-update\n"
                                                       "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n")
                                         << "/home/ann/.config/gps-collector"
                                         << "/home/ann/Dokumente/GPS Studies/";
        QTest::newRow("relative documents ignored")
            << "/home/ann"
            << "-" << QByteArray("XDG_DOCUMENTS_DIR=\"Docs\"\n")
            << "/home/ann/.config/gps-collector"
            << "/home/ann/Documents/GPS Studies/";
        QTest::newRow("home is the root") << "/"
                                          << "-" << QByteArray() << "/.config/gps-collector"
                                          << "/Documents/GPS Studies/";
        QTest::newRow("HOME unset") << "-"
                                    << "-" << QByteArray() << "~/.config/gps-collector"
                                    << "~/Documents/GPS Studies/";
    }
    void installed()
    {
        QFETCH(QString, home);
        QFETCH(QString, configHome);
        QFETCH(QByteArray, userDirs);
        QFETCH(QString, settings);
        QFETCH(QString, data);
        QTemporaryDir fakeRoot; // user-dirs.dirs is read from the home given
        if (!userDirs.isEmpty()) {
            home = fakeRoot.path() + home;
            settings.replace("/home/ann", home);
            data.replace("/home/ann", home);
            QVERIFY(QDir().mkpath(home + "/.config"));
            QFile f(home + "/.config/user-dirs.dirs");
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(userDirs) == userDirs.size());
        }
        const auto set = [](const char* name, const QString& value) {
            value == "-" ? qunsetenv(name) : qputenv(name, value.toLocal8Bit());
        };
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        set("HOME", home);
        set("XDG_CONFIG_HOME", configHome);
        const locations::Locations got = locations::installed("/usr/bin");
        qputenv("HOME", savedHome);
        savedConfig.isEmpty() ? qunsetenv("XDG_CONFIG_HOME")
                              : qputenv("XDG_CONFIG_HOME", savedConfig);
        const QString account = QFile::decodeName(::getpwuid(::getuid())->pw_dir);
        QCOMPARE(got.settingsFolder, QString(settings).replace(u'~', account));
        QCOMPARE(got.dataFolder, QString(data).replace(u'~', account));
        QCOMPARE(got.prefsFile(), got.settingsFolder + "/Veltrip.bin");
    }

    // Unpacked without its empty Data Files/: made at the first start.
    void portableDataFolderMade()
    {
        QTemporaryDir program;
        const locations::Locations where = locations::portable(program.path());
        QCOMPARE(where.dataFolder, program.path() + "/Data Files/");
        QString why;
        QVERIFY2(locations::makeFolders(where, &why), qPrintable(why));
        QVERIFY(QFileInfo(where.dataFolder).isDir());
        QCOMPARE(locations::portable("/").dataFolder, QString("/Data Files/"));
    }
};

QTEST_APPLESS_MAIN(TstFileLocations)
#include "tst_filelocations.moc"
