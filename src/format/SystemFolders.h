#pragma once
// The system's own folders: where an installed program keeps its settings,
// and the folders the system installs programs into. One source file for
// each system, chosen by the build.

#include <QString>

namespace locations::system {

// The folder an installed program's settings folder goes in:
// $XDG_CONFIG_HOME when it is a whole path, as the XDG rules say (else
// ~/.config); on Windows the user's AppData\Roaming.
QString settingsHome();

// The user's documents folder: XDG_DOCUMENTS_DIR of user-dirs.dirs when a
// whole path, else ~/Documents; on Windows the known Documents folder.
QString documentsFolder();

// Whether programFolder is one the system's installer owns, even where this
// user could write there: the folder the build installs programs into; on
// Windows, anything under Program Files.
bool isInstallFolder(const QString& programFolder);

// The name of port n's entry in the settings folder's ports/: "comN"; on
// Windows "portN", as COMN (with any extension) names the device itself there.
QString portEntryName(int n);

} // namespace locations::system
