// Port numbers to serial devices.

#include "PortDirectory.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <tuple>

namespace ports {

namespace {

int group(const QString& location)
{
    const QString name = QFileInfo(location).fileName();
    if (name.startsWith(u"ttyUSB")) {
        return 0;
    }
    if (name.startsWith(u"ttyACM")) {
        return 1;
    }
    return 2;
}

// Group, then the name without its trailing number, then that number, so
// that ttyUSB2 comes before ttyUSB10.
std::tuple<int, QString, qlonglong> sortKey(const QString& location)
{
    qsizetype digits = location.size();
    while (digits > 0 && location[digits - 1].isDigit()) {
        --digits;
    }
    return {group(location), location.left(digits), location.mid(digits).toLongLong()};
}

} // namespace

QStringList orderedDevices(const QStringList& systemLocations)
{
    QStringList sorted = systemLocations;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
    return sorted;
}

QString devicePath(int n, const QString& programFolder)
{
    if (n < 1) {
        return {};
    }
    const QString link = programFolder + QDir::separator() + QStringLiteral("ports") +
                         QDir::separator() + QStringLiteral("com%1").arg(n);
    const QFileInfo info(link);
    if (info.isSymLink() || info.exists()) {
        return link;
    }
    QStringList locations;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        locations.append(port.systemLocation());
    }
    locations = orderedDevices(locations);
    return n <= locations.size() ? locations[n - 1] : QString();
}

} // namespace ports
