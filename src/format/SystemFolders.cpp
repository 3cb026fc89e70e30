// The system's own folders on Linux and other XDG desktops.

#include "SystemFolders.h"

#include "SystemFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace locations::system {

namespace {

// $HOME when it is a whole path, else the account's home; never empty.
QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home)) {
        return QDir::cleanPath(home);
    }
    if (const passwd* account = ::getpwuid(::getuid());
        account && account->pw_dir && QDir::isAbsolutePath(QFile::decodeName(account->pw_dir))) {
        return QDir::cleanPath(QFile::decodeName(account->pw_dir));
    }
    return QDir::rootPath();
}

} // namespace

// The XDG rules: a path that is not whole is ignored, as if it were unset.
QString settingsHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(xdg) ? QDir::cleanPath(xdg)
                                     : QDir::cleanPath(homeFolder() + "/.config");
}

// XDG_DOCUMENTS_DIR of user-dirs.dirs ("$HOME/..." or a whole path).
QString documentsFolder()
{
    const QString home = homeFolder();
    QFile dirs;
    if (openRegularFile(dirs, settingsHome() + QStringLiteral("/user-dirs.dirs")) ==
        RegularFile::Opened) {
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

bool isInstallFolder(const QString& programFolder)
{
    // root may write there, but the package manager owns it.
    const QString installDir = QFileInfo(QStringLiteral(VT_INSTALL_BINDIR)).canonicalFilePath();
    return !installDir.isEmpty() && QFileInfo(programFolder).canonicalFilePath() == installDir;
}

QString portEntryName(int n)
{
    return QStringLiteral("com%1").arg(n);
}

} // namespace locations::system
