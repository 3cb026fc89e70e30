#pragma once
// The serial port over QSerialPort. Qt does not report line errors, so they
// are read from the driver's interrupt counters after each arrival, where the
// driver keeps them (real UARTs and most USB adapters; not pseudo-terminals).
//
// A receiver unplugged during a study (a USB adapter knocked out) hangs the
// device up: the port then closes the device, stays open as far as the
// program is concerned, and tries the same device again every second, so
// that data flows again once the receiver is plugged back in.
//
// A port whose entry names a receiver on the network (gpsd, a TCP stream) is
// read through a NetworkLink instead; the speed then plays no part. It is
// open from the start and the link is kept up in the background. (The
// set-up window tests such ports without opening them: QtPortProbe.)

#include "CommPort.h"
#include "NetworkLink.h"

#include <QSerialPort>
#include <QTimer>
#include <array>

class QtCommPort final : public CommPort
{
    Q_OBJECT

public:
    // settingsFolder holds the "ports/comN" entries (FileLocations.h).
    explicit QtCommPort(QString settingsFolder, QObject* parent = nullptr);
    ~QtCommPort() override;

protected:
    bool openDevice() override;
    void closeDevice() override;
    bool applyRts(bool enable) override;

private:
    bool openSerial(const QString& device);
    bool openPath();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void reconnect();
    void checkLineConditions();

    QString settingsFolder_;
    QString device_; // as the port number resolved at opening
    QSerialPort port_;
    NetworkLink network_;
    bool onNetwork_ = false;
    QTimer reconnect_;
    bool rtsWanted_ = false;
    bool countersReadable_ = false;
    // break, frame, overrun, parity counts as last seen
    std::array<int, 4> counters_{};
};
