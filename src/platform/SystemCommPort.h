#pragma once
// The serial port of the system the program was built for: QtCommPort on
// Linux, WinCommPort on Windows. Each defines this in its own source file.

#include "CommPort.h"

#include <QString>
#include <memory>

// settingsFolder holds the "ports/comN" entries (FileLocations.h).
std::unique_ptr<CommPort> makeCommPort(const QString& settingsFolder);
