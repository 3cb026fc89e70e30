// The system's own folders on Windows: the known folders, as Explorer names them.

#include "SystemFolders.h"

#include <QDir>
#include <QFileInfo>

#include <shlobj.h>
#include <windows.h>

namespace locations::system {

namespace {

QString knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    QString folder;
    if (::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK) {
        folder = QString::fromWCharArray(path);
    }
    ::CoTaskMemFree(path);
    return folder;
}

bool isUnder(const QString& folder, const QString& parent)
{
    if (parent.isEmpty()) {
        return false;
    }
    const QString canonicalParent = QFileInfo(parent).canonicalFilePath();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return !canonicalParent.isEmpty() &&
           (canonical.compare(canonicalParent, Qt::CaseInsensitive) == 0 ||
            canonical.startsWith(canonicalParent + u'/', Qt::CaseInsensitive));
}

} // namespace

QString settingsHome()
{
    return QDir::toNativeSeparators(knownFolder(FOLDERID_RoamingAppData));
}

QString documentsFolder()
{
    return QDir::toNativeSeparators(knownFolder(FOLDERID_Documents));
}

bool isInstallFolder(const QString& programFolder)
{
    // Administrators may write there, and Wine lets anyone: the installer
    // owns it all the same.
    return isUnder(programFolder, knownFolder(FOLDERID_ProgramFiles)) ||
           isUnder(programFolder, knownFolder(FOLDERID_ProgramFilesX86));
}

QString portEntryName(int n)
{
    return QStringLiteral("port%1").arg(n);
}

} // namespace locations::system
