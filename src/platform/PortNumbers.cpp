// Port numbers counted over the serial devices present (Linux).

#include "PortDirectory.h"

#include <QSerialPortInfo>

namespace ports {

QString numberedDevice(int n)
{
    QStringList locations;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        locations.append(port.systemLocation());
    }
    locations = orderedDevices(locations);
    return n >= 1 && n <= locations.size() ? locations[n - 1] : QString();
}

} // namespace ports
