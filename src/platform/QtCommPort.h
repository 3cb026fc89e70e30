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
// read through a NetworkLink instead; the speed then plays no part. To the
// set-up window's port test such a port is there when a connection opens
// within a second; for the main window it is open from the start and the
// link is kept up in the background.

#include "CommPort.h"
#include "NetworkLink.h"

#include <QSerialPort>
#include <QTimer>
#include <array>

class QtCommPort final : public CommPort
{
    Q_OBJECT

public:
    enum class Use
    {
        Receive,
        Test, // only opened to see whether the port is there
    };

    // settingsFolder holds the "ports/comN" entries (FileLocations.h).
    explicit QtCommPort(QString settingsFolder, Use use = Use::Receive, QObject* parent = nullptr);
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
    Use use_;
    QString device_; // as the port number resolved at opening
    QSerialPort port_;
    NetworkLink network_;
    bool onNetwork_ = false;
    bool testing_ = false;
    QTimer reconnect_;
    bool rtsWanted_ = false;
    bool countersReadable_ = false;
    // break, frame, overrun, parity counts as last seen
    std::array<int, 4> counters_{};
};
