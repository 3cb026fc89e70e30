// Where the program keeps its files, portable or installed.

#include "FileLocations.h"

#include "AnsiText.h"
#include "SystemFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace locations {

namespace {

bool canWrite(const QString& folder)
{
    QTemporaryFile probe(folder + QDir::separator() + QStringLiteral(".write-test-XXXXXX"));
    return probe.open(); // and gone again with probe
}

} // namespace

Locations installed(const QString& programFolder)
{
    Locations l;
    l.installed = true;
    l.programFolder = programFolder;
    l.settingsFolder =
        QDir::toNativeSeparators(QDir::cleanPath(system::settingsHome() + u'/' + kProgramName));
    l.dataFolder = QDir::toNativeSeparators(QDir::cleanPath(system::documentsFolder() +
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
    if (!system::isInstallFolder(programFolder) && canWrite(programFolder)) {
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
