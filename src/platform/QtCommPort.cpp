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
}

QtCommPort::~QtCommPort()
{
    port_.close();
}

bool QtCommPort::openDevice()
{
    const QString device = ports::devicePath(commPort(), programFolder_);
    if (device.isEmpty()) {
        return false;
    }
    port_.setPortName(device);
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
    port_.close();
}

bool QtCommPort::applyRts(bool enable)
{
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
