// Port numbers to serial devices.

#include "PortDirectory.h"

#include "SystemFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString PortEntry::address() const
{
    // An IPv6 address takes brackets before its port.
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return shown + u':' + QString::number(port);
}

PortEntry parseEntry(const QString& line)
{
    const QString text = line.trimmed();
    PortEntry e;
    e.kind = PortEntry::Kind::Invalid;
    const qsizetype schemeEnd = text.indexOf(QStringLiteral("://"));
    const QString scheme = schemeEnd < 0 ? QString() : text.left(schemeEnd).toLower();
    if (scheme != u"gpsd" && scheme != u"tcp") {
        e.problem = QStringLiteral("\"%1\" is neither gpsd://HOST[:PORT][/DEVICE] nor "
                                   "tcp://HOST:PORT")
                        .arg(text.left(80));
        return e;
    }
    const bool gpsd = scheme == u"gpsd";
    QString rest = text.mid(schemeEnd + 3);
    const qsizetype slash = rest.indexOf(u'/');
    if (slash >= 0) {
        if (!gpsd) {
            e.problem = QStringLiteral("tcp:// takes no path: tcp://HOST:PORT");
            return e;
        }
        e.device = rest.mid(slash);
        if (e.device == u"/") {
            e.device.clear();
        }
        rest.truncate(slash);
    }
    QString portText;
    if (rest.startsWith(u'[')) { // [IPv6]:port
        const qsizetype close = rest.indexOf(u']');
        if (close < 0) {
            e.problem = QStringLiteral("no closing \"]\" after the address");
            return e;
        }
        e.host = rest.mid(1, close - 1);
        rest = rest.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':')) {
            e.problem = QStringLiteral("\":PORT\" expected after the address");
            return e;
        }
        portText = rest.mid(1);
        if (!rest.isEmpty() && portText.isEmpty()) {
            portText = QStringLiteral(" "); // "host:" names no port
        }
    } else {
        const qsizetype colon = rest.indexOf(u':');
        e.host = rest.left(colon);
        if (colon >= 0) {
            portText = rest.mid(colon + 1);
            if (portText.isEmpty()) {
                portText = QStringLiteral(" ");
            }
        }
    }
    if (e.host.isEmpty()) {
        e.problem = QStringLiteral("no host in \"%1\"").arg(text.left(80));
        return e;
    }
    if (portText.isEmpty()) {
        if (!gpsd) {
            e.problem = QStringLiteral("tcp:// needs a port: tcp://HOST:PORT");
            return e;
        }
        e.port = kGpsdPort;
    } else {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            e.problem = QStringLiteral("port \"%1\" is not a number from 1 to 65535")
                            .arg(portText.trimmed().left(20));
            return e;
        }
        e.port = quint16(port);
    }
    e.kind = gpsd ? PortEntry::Kind::Gpsd : PortEntry::Kind::Tcp;
    return e;
}

PortEntry portEntry(int n, const QString& settingsFolder)
{
    PortEntry e;
    if (n < 1) {
        return e;
    }
    const QString link = settingsFolder + QDir::separator() + QStringLiteral("ports") +
                         QDir::separator() + locations::system::portEntryName(n);
    const QFileInfo info(link);
    if (info.isSymLink() || (info.exists() && !info.isFile())) {
        e.kind = PortEntry::Kind::Device;
        e.device = link;
        return e;
    }
    if (info.exists()) {
        // A text entry: its first line, read only so far.
        QFile file(link);
        if (!file.open(QIODevice::ReadOnly)) {
            e.kind = PortEntry::Kind::Invalid;
            e.problem = file.errorString();
        } else {
            e = parseEntry(QString::fromUtf8(file.readLine(1024)));
        }
        if (e.kind == PortEntry::Kind::Invalid) {
            e.problem =
                QStringLiteral("ports/%1: %2").arg(locations::system::portEntryName(n), e.problem);
        }
        return e;
    }
    e.device = numberedDevice(n);
    if (!e.device.isEmpty()) {
        e.kind = PortEntry::Kind::Device;
    }
    return e;
}

} // namespace ports
