// The port number resolved to a device or a network receiver, and a lost
// device tried again.

#include "DevicePort.h"

#include "PortDirectory.h"

DevicePort::DevicePort(QString settingsFolder, QObject* parent)
    : CommPort(parent), settingsFolder_(std::move(settingsFolder))
{
    connect(&network_, &NetworkLink::received, this, &DevicePort::received);
    connect(&network_, &NetworkLink::status, this, &CommPort::linkStatus);
    connect(&network_, &NetworkLink::streamEnded, this, &DevicePort::streamCut);
    reconnect_.setInterval(1000);
    connect(&reconnect_, &QTimer::timeout, this, &DevicePort::reconnect);
}

bool DevicePort::openDevice()
{
    using Kind = ports::PortEntry::Kind;
    const ports::PortEntry entry = ports::portEntry(commPort(), settingsFolder_);
    onNetwork_ = false;
    switch (entry.kind) {
    case Kind::None:
        setOpenFailure(QStringLiteral("no device is port %1").arg(commPort()));
        return false;
    case Kind::Invalid:
        setOpenFailure(entry.problem);
        return false;
    case Kind::Device:
        device_ = entry.device;
        return openSerial();
    case Kind::Gpsd:
    case Kind::Tcp:
        break;
    }
    onNetwork_ = true;
    network_.start(entry);
    return true;
}

void DevicePort::closeDevice()
{
    network_.stop();
    onNetwork_ = false;
    reconnect_.stop();
    closeSerial();
}

bool DevicePort::applyRts(bool enable)
{
    rtsWanted_ = enable;
    return onNetwork_ || setSerialRts(enable); // no modem lines on the network
}

void DevicePort::deviceLost()
{
    streamCut();
    reconnect_.start();
}

void DevicePort::reconnect()
{
    // The same device again: with the adapter gone, the port number would
    // count another one, and the adapter plugged back in would not be seen.
    if (reopenSerial()) {
        reconnect_.stop();
        setSerialRts(rtsWanted_);
    }
}
