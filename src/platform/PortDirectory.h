#pragma once
// Which device a port number names.
//
// A link (or file) "ports/comN" in the program folder names the device for
// port N; the simulated receiver and the end-to-end tests attach themselves
// that way. Without such a link, N counts the serial devices present: first
// USB serial adapters (ttyUSB*), then USB modem-class devices (ttyACM*), then
// all others (ttyS* and the rest), each group in numeric order. A single USB
// receiver is therefore port 1, the default.

#include <QString>
#include <QStringList>

namespace ports {

// The device for port number n (1-based), or "" when there is none.
QString devicePath(int n, const QString& programFolder);

// Device paths in the order port numbers count them.
QStringList orderedDevices(const QStringList& systemLocations);

} // namespace ports
