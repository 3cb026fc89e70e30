#pragma once
// The serial port over QSerialPort. Qt does not report line errors, so they
// are read from the driver's interrupt counters after each arrival, where the
// driver keeps them (real UARTs and most USB adapters; not pseudo-terminals).
//
// A receiver unplugged during a study (a USB adapter knocked out) hangs the
// device up: the port then closes the device and stays open as far as the
// program is concerned (DevicePort). The set-up window tests network ports
// without opening them: QtPortProbe.

#include "DevicePort.h"

#include <QSerialPort>
#include <array>

class QtCommPort final : public DevicePort
{
    Q_OBJECT

public:
    explicit QtCommPort(QString settingsFolder, QObject* parent = nullptr);
    ~QtCommPort() override;

private:
    bool openSerial() override;
    bool reopenSerial() override;
    void closeSerial() override;
    bool setSerialRts(bool enable) override;
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void checkLineConditions();

    QSerialPort port_;
    bool countersReadable_ = false;
    // break, frame, overrun, parity counts as last seen
    std::array<int, 4> counters_{};
};
