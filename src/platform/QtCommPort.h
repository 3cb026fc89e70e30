#pragma once
// The serial port over QSerialPort. Qt does not report line errors, so they
// are read from the driver's interrupt counters after each arrival, where the
// driver keeps them (real UARTs and most USB adapters; not pseudo-terminals).
//
// A receiver unplugged during a study (a USB adapter knocked out) hangs the
// device up: the port then closes the device, stays open as far as the
// program is concerned, and tries the same device again every second, so
// that data flows again once the receiver is plugged back in.

#include "CommPort.h"

#include <QSerialPort>
#include <QTimer>
#include <array>

class QtCommPort final : public CommPort
{
    Q_OBJECT

public:
    // programFolder is where "ports/comN" links are looked for.
    explicit QtCommPort(QString programFolder, QObject* parent = nullptr);
    ~QtCommPort() override;

protected:
    bool openDevice() override;
    void closeDevice() override;
    bool applyRts(bool enable) override;

private:
    bool openPath();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void reconnect();
    void checkLineConditions();

    QString programFolder_;
    QString device_; // as the port number resolved at opening
    QSerialPort port_;
    QTimer reconnect_;
    bool rtsWanted_ = false;
    bool countersReadable_ = false;
    // break, frame, overrun, parity counts as last seen
    std::array<int, 4> counters_{};
};
