#pragma once
// Which device a port number names.
//
// A link (or file) "ports/comN" in the settings folder (the program folder,
// or an installed program's configuration folder: FileLocations.h) names
// the device for port N; the simulated receiver and the end-to-end tests
// attach themselves that way. Without such a link, N counts the serial devices present: first
// USB serial adapters (ttyUSB*), then USB modem-class devices (ttyACM*), then
// all others (ttyS* and the rest), each group in numeric order. A single USB
// receiver is therefore port 1, the default. On Windows, N is COMN, as the
// system numbers its ports.
//
// "ports/comN" may instead be a small text file naming a receiver on the
// network: "gpsd://HOST[:PORT][/DEVICE]" (the sentences gpsd relays, from
// DEVICE or from all its devices) or "tcp://HOST:PORT" (a plain NMEA stream,
// such as a phone app or a serial server).

#include <QString>
#include <QStringList>

namespace ports {

struct PortEntry
{
    enum class Kind
    {
        None,    // no device is that port
        Device,  // a serial device
        Gpsd,    // gpsd on the network
        Tcp,     // NMEA over a TCP stream
        Invalid, // a text entry that names nothing usable
    };
    Kind kind = Kind::None;
    QString device; // Device: its path; Gpsd: the device to watch, "" for all
    QString host;
    quint16 port = 0;
    QString problem; // Invalid: what is wrong, for the operator

    bool network() const { return kind == Kind::Gpsd || kind == Kind::Tcp; }
    QString address() const; // "host:port"
};

inline constexpr quint16 kGpsdPort = 2947;

// One line of a text entry.
PortEntry parseEntry(const QString& line);

// What port number n (1-based) names.
PortEntry portEntry(int n, const QString& settingsFolder);

// Device paths in the order port numbers count them.
QStringList orderedDevices(const QStringList& systemLocations);

// The serial device port number n names when no entry does, "" for none:
// the devices present, counted as above; on Windows COMn itself. One source
// file for each system.
QString numberedDevice(int n);

} // namespace ports
