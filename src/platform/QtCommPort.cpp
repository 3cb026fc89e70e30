// The serial port over QSerialPort.

#include "QtCommPort.h"

#include "PortDirectory.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

bool readCounters(int fd, std::array<int, 4>& out)
{
    serial_icounter_struct icount{};
    if (fd < 0 || ::ioctl(fd, TIOCGICOUNT, &icount) != 0) {
        return false;
    }
    out = {icount.brk, icount.frame, icount.overrun + icount.buf_overrun, icount.parity};
    return true;
}

} // namespace

QtCommPort::QtCommPort(QString programFolder, QObject* parent)
    : CommPort(parent), programFolder_(std::move(programFolder))
{
    connect(&port_, &QSerialPort::readyRead, this, &QtCommPort::onReadyRead);
    // Queued: the device is closed after QSerialPort has finished reporting.
    connect(&port_, &QSerialPort::errorOccurred, this, &QtCommPort::onError, Qt::QueuedConnection);
    reconnect_.setInterval(1000);
    connect(&reconnect_, &QTimer::timeout, this, &QtCommPort::reconnect);
}

QtCommPort::~QtCommPort()
{
    port_.close();
}

bool QtCommPort::openDevice()
{
    device_ = ports::devicePath(commPort(), programFolder_);
    return !device_.isEmpty() && openPath();
}

bool QtCommPort::openPath()
{
    port_.setPortName(device_);
    if (!port_.open(QIODevice::ReadOnly)) {
        return false;
    }
    const LineSettings s = lineSettings();
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (s.parity) {
    case 'E':
        parity = QSerialPort::EvenParity;
        break;
    case 'O':
        parity = QSerialPort::OddParity;
        break;
    case 'M':
        parity = QSerialPort::MarkParity;
        break;
    case 'S':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    const QSerialPort::StopBits stop = s.stopBitsTimesTwo == 4   ? QSerialPort::TwoStop
                                       : s.stopBitsTimesTwo == 3 ? QSerialPort::OneAndHalfStop
                                                                 : QSerialPort::OneStop;
    // A pseudo-terminal takes any speed; a real port refuses one it cannot do.
    const bool configured = port_.setBaudRate(s.baud) &&
                            port_.setDataBits(QSerialPort::DataBits(s.dataBits)) &&
                            port_.setParity(parity) && port_.setStopBits(stop) &&
                            port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        port_.close();
        return false;
    }
    countersReadable_ = readCounters(int(port_.handle()), counters_);
    return true;
}

void QtCommPort::closeDevice()
{
    reconnect_.stop();
    port_.close();
}

void QtCommPort::onError(QSerialPort::SerialPortError error)
{
    // A hung-up device reads nothing for ever; left open, it keeps a core busy.
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (lost && port_.isOpen()) {
        port_.close();
        reconnect_.start();
    }
}

void QtCommPort::reconnect()
{
    // The same device again: with the adapter gone, the port number would
    // count another one, and the adapter plugged back in would not be seen.
    if (openPath()) {
        reconnect_.stop();
        applyRts(rtsWanted_);
    }
}

bool QtCommPort::applyRts(bool enable)
{
    rtsWanted_ = enable;
    // Devices without modem lines (pseudo-terminals) have no RTS to raise.
    return port_.setRequestToSend(enable) ||
           port_.error() == QSerialPort::UnsupportedOperationError;
}

void QtCommPort::onReadyRead()
{
    checkLineConditions();
    received(port_.readAll());
}

void QtCommPort::checkLineConditions()
{
    std::array<int, 4> now{};
    if (!countersReadable_ || !readCounters(int(port_.handle()), now)) {
        return;
    }
    const std::array<Event, 4> codes = {comEventBreak, comEventFrame, comEventOverrun,
                                        comEventRxParity};
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i] != counters_[i]) {
            counters_[i] = now[i];
            lineCondition(codes[i]);
        }
    }
}
