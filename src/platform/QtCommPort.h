#pragma once
// The serial port over QSerialPort. Qt does not report line errors, so they
// are read from the driver's interrupt counters after each arrival, where the
// driver keeps them (real UARTs and most USB adapters; not pseudo-terminals).

#include "CommPort.h"

#include <QSerialPort>
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
    void onReadyRead();
    void checkLineConditions();

    QString programFolder_;
    QSerialPort port_;
    bool countersReadable_ = false;
    // break, frame, overrun, parity counts as last seen
    std::array<int, 4> counters_{};
};
