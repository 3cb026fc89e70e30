// Where the program keeps its files, portable or installed.

#include "FileLocations.h"

#include "AnsiText.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace locations {

namespace {

bool canWrite(const QString& folder)
{
    QTemporaryFile probe(folder + QDir::separator() + QStringLiteral(".write-test-XXXXXX"));
    return probe.open(); // and gone again with probe
}

// $HOME when it is a whole path, else the account's home; never empty.
QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home)) {
        return QDir::cleanPath(home);
    }
#ifdef Q_OS_UNIX
    if (const passwd* account = ::getpwuid(::getuid());
        account && account->pw_dir && QDir::isAbsolutePath(QFile::decodeName(account->pw_dir))) {
        return QDir::cleanPath(QFile::decodeName(account->pw_dir));
    }
#endif
    return QDir::rootPath();
}

// The XDG rules: a path that is not whole is ignored, as if it were unset.
QString configHome(const QString& home)
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(xdg) ? QDir::cleanPath(xdg) : QDir::cleanPath(home + "/.config");
}

// XDG_DOCUMENTS_DIR of user-dirs.dirs ("$HOME/..." or a whole path), else
// ~/Documents.
QString documentsFolder(const QString& config, const QString& home)
{
    QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
    if (QFileInfo(dirs.fileName()).isFile() && dirs.open(QIODevice::ReadOnly)) {
        const QByteArray key = "XDG_DOCUMENTS_DIR=";
        for (const QByteArray& raw : dirs.read(64 * 1024).split('\n')) {
            const QByteArray line = raw.trimmed();
            if (!line.startsWith(key)) {
                continue;
            }
            QString value = QFile::decodeName(line.mid(key.size()));
            if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
                value = value.mid(1, value.size() - 2);
            }
            if (value.startsWith(QStringLiteral("$HOME"))) {
                value = home + value.mid(5);
            }
            if (QDir::isAbsolutePath(value)) {
                return QDir::cleanPath(value);
            }
        }
    }
    return QDir::cleanPath(home + QStringLiteral("/Documents"));
}

} // namespace

Locations installed(const QString& programFolder)
{
    const QString home = homeFolder();
    const QString config = configHome(home);
    Locations l;
    l.installed = true;
    l.programFolder = programFolder;
    l.settingsFolder = QDir::toNativeSeparators(QDir::cleanPath(config + u'/' + kProgramName));
    l.dataFolder = QDir::toNativeSeparators(QDir::cleanPath(documentsFolder(config, home) +
                                                            QStringLiteral("/GPS Studies"))) +
                   QDir::separator();
    return l;
}

QString Locations::prefsFile() const
{
    return settingsFolder + QDir::separator() + QStringLiteral("Veltrip.bin");
}

Locations portable(const QString& programFolder)
{
    const QString sep = QDir::separator();
    Locations l;
    l.programFolder = programFolder;
    l.settingsFolder = programFolder;
    // A program at the root of a drive or a file system gets no doubled separator.
    QString folder = ansi::trimSpaces(programFolder);
    if (!folder.endsWith(sep)) {
        folder += sep;
    }
    l.dataFolder = folder + QStringLiteral("Data Files") + sep;
    return l;
}

Locations forProgramIn(const QString& programFolder)
{
    const QString installDir = QFileInfo(QStringLiteral(VT_INSTALL_BINDIR)).canonicalFilePath();
    const bool isInstallDir =
        !installDir.isEmpty() && QFileInfo(programFolder).canonicalFilePath() == installDir;
    if (!isInstallDir && canWrite(programFolder)) {
        return portable(programFolder);
    }
    return installed(programFolder);
}

bool makeFolders(const Locations& where, QString* why)
{
    // A portable copy unpacked without its empty data folder gets it too.
    for (const QString& folder : {where.settingsFolder, where.dataFolder}) {
        if (!QDir().mkpath(folder)) {
            if (why) {
                *why = QStringLiteral("The folder %1 cannot be made.").arg(folder);
            }
            return false;
        }
    }
    return true;
}

} // namespace locations
