#pragma once
// What the serial ports of both systems share: the port number resolved
// through its "ports/comN" entry to a device or to a receiver on the network
// (read through a NetworkLink, where the speed plays no part), and a device
// that went away during a study (a USB adapter knocked out) tried again
// every second, so that data flows again once the receiver is back.
// QtCommPort and WinCommPort supply the device itself.

#include "CommPort.h"
#include "NetworkLink.h"

#include <QString>
#include <QTimer>

class DevicePort : public CommPort
{
    Q_OBJECT

public:
    // settingsFolder holds the "ports/comN" entries (FileLocations.h).
    explicit DevicePort(QString settingsFolder, QObject* parent = nullptr);

protected:
    // The device as the port number resolved at opening.
    const QString& device() const { return device_; }
    // RTS as the collector last asked for it, for a device being opened.
    bool rtsWanted() const { return rtsWanted_; }

    // Opens device(), or says why not (setOpenFailure).
    virtual bool openSerial() = 0;
    // The same device again after it went away; quiet when it is still gone.
    virtual bool reopenSerial() = 0;
    virtual void closeSerial() = 0;
    // True where the line has no RTS to raise.
    virtual bool setSerialRts(bool enable) = 0;

    // The device went away and has been closed: the sentence under way is
    // not finished by the first one the receiver sends when it is back.
    void deviceLost();

private:
    bool openDevice() final;
    void closeDevice() final;
    bool applyRts(bool enable) final;
    void reconnect();

    QString settingsFolder_;
    QString device_;
    NetworkLink network_;
    bool onNetwork_ = false;
    QTimer reconnect_;
    bool rtsWanted_ = false;
};
