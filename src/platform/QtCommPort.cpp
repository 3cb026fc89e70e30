// The serial port over QSerialPort.

#include "QtCommPort.h"

#include "DeviceAccess.h"
#include "DeviceHolders.h"
#include "Messages.h"
#include "SystemCommPort.h"

#include <QFileInfo>
#include <algorithm>

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

std::unique_ptr<CommPort> makeCommPort(const QString& settingsFolder)
{
    return std::make_unique<QtCommPort>(settingsFolder);
}

QtCommPort::QtCommPort(QString settingsFolder, QObject* parent)
    : DevicePort(std::move(settingsFolder), parent)
{
    connect(&port_, &QSerialPort::readyRead, this, &QtCommPort::onReadyRead);
    // Queued: the device is closed after QSerialPort has finished reporting.
    connect(&port_, &QSerialPort::errorOccurred, this, &QtCommPort::onError, Qt::QueuedConnection);
}

QtCommPort::~QtCommPort()
{
    port_.close();
}

bool QtCommPort::openSerial()
{
    const QString& device = this->device();
    const QString real = QFileInfo(device).canonicalFilePath(); // the link's target
    const QString shown = real.isEmpty() ? device : real;
    const std::vector<ports::Holder> holders = ports::holdersOf(device);
    if (!holders.empty()) {
        // gpsd and ModemManager first: their messages say what to do.
        const auto named = [&](const char* name) {
            return std::find_if(holders.begin(), holders.end(),
                                [name](const ports::Holder& h) { return h.name == name; });
        };
        auto holder = named("gpsd");
        holder = holder != holders.end() ? holder : named("ModemManager");
        holder = holder != holders.end() ? holder : holders.begin();
        setOpenFailure(msg::deviceHeld(shown, holder->name, holder->pid));
        return false;
    }
    if (reopenSerial()) {
        return true;
    }
    const ports::Access access = ports::accessTo(device);
    switch (access.kind) {
    case ports::Access::Kind::NotInGroup:
        setOpenFailure(msg::deviceNotInGroup(shown, access.group));
        break;
    case ports::Access::Kind::GroupNotActive:
        setOpenFailure(msg::deviceGroupSinceLogin(shown, access.group));
        break;
    case ports::Access::Kind::Denied:
        setOpenFailure(msg::deviceDenied(shown, access.group));
        break;
    case ports::Access::Kind::Permitted:
        setOpenFailure(shown + QStringLiteral(": ") + port_.errorString());
        break;
    }
    return false;
}

bool QtCommPort::reopenSerial()
{
    port_.setPortName(device());
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

void QtCommPort::closeSerial()
{
    port_.close();
}

void QtCommPort::onError(QSerialPort::SerialPortError error)
{
    // A hung-up device reads nothing for ever; left open, it keeps a core busy.
    const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (lost && port_.isOpen()) {
        port_.close();
        deviceLost();
    }
}

bool QtCommPort::setSerialRts(bool enable)
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
