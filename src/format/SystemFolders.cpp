// The system's own folders on Linux and other XDG desktops.

#include "SystemFolders.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace locations::system {

QString settingsHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
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
