#pragma once
// Where the program keeps its files. A program folder the user can write
// keeps everything, as the build folder or a copy unpacked anywhere does:
// the preferences, the port entries in ports/ and the data folder "Data
// Files". An installed program, whose folder belongs to root, keeps the
// preferences and ports/ in the user's configuration folder and its studies
// in the user's documents.

#include <QString>

namespace locations {

// The name of the configuration folder, the installed collector's name.
inline const QString kProgramName = QStringLiteral("gps-collector");

struct Locations
{
    bool installed = false;
    QString programFolder;  // without a separator at its end
    QString settingsFolder; // holds Veltrip.bin and ports/
    QString dataFolder;     // the default data folder, ending with the separator

    QString prefsFile() const; // settingsFolder/Veltrip.bin
};

// The locations for the program in programFolder: installed when the folder
// cannot be written (tried for real: permission bits do not tell for root, a
// read-only mount or an access list) or is the one the build installs
// programs into (root may write there, but the package manager owns it).
Locations forProgramIn(const QString& programFolder);

// An installed program's folders: its own in the system's settings folder
// (XDG_CONFIG_HOME as the XDG rules say; on Windows AppData\Roaming), and
// "GPS Studies" in the user's documents folder.
Locations installed(const QString& programFolder);

// Everything in programFolder.
Locations portable(const QString& programFolder);

// Makes the folders the program keeps its files in (a portable copy's data
// folder included); false, with the reason in why, naming the folder, when
// one cannot be made.
bool makeFolders(const Locations& where, QString* why);

} // namespace locations
