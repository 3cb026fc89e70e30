// Where the program keeps its files, portable or installed.

#include "FileLocations.h"

#include "AnsiText.h"
#include "SystemFolders.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace locations {

namespace {

QString withoutEndSeparator(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QDir::separator())) {
        folder.chop(1);
    }
    return folder;
}

bool canWrite(const QString& folder)
{
    QTemporaryFile probe(folder + QDir::separator() + QStringLiteral(".write-test-XXXXXX"));
    return probe.open(); // and gone again with probe
}

Locations installed(const QString& programFolder, const QString& configHome,
                    const QString& documents)
{
    const QString sep = QDir::separator();
    Locations l;
    l.installed = true;
    l.programFolder = programFolder;
    l.settingsFolder =
        withoutEndSeparator(QDir::toNativeSeparators(configHome)) + sep + kProgramName;
    l.dataFolder = withoutEndSeparator(QDir::toNativeSeparators(documents)) + sep +
                   QStringLiteral("GPS Studies") + sep;
    return l;
}

} // namespace

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
    l.dataFolder = ansi::trimSpaces(programFolder) + sep + QStringLiteral("Data Files") + sep;
    return l;
}

Locations forProgramIn(const QString& programFolder)
{
    if (!system::isInstallFolder(programFolder) && canWrite(programFolder)) {
        return portable(programFolder);
    }
    return installed(programFolder, system::settingsHome(),
                     QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

bool makeFolders(const Locations& where, QString* why)
{
    if (!where.installed) {
        return true;
    }
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
