// The serial port on Windows, over the Win32 communications functions.

#include "WinCommPort.h"

#include "SystemCommPort.h"

#include <QDir>

namespace {

// A read waits for a first byte as long as it takes, then ends once the
// line has been quiet this long: a burst of sentences is handed on whole, at
// once. (The "return at once with what has come" timeouts, MAXDWORD and a
// total, are not kept by Wine, whose reads then wait to fill the buffer.)
constexpr DWORD kQuietMs = 20;

QString systemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message =
        n ? QString::fromWCharArray(text, int(n)).trimmed() : QStringLiteral("error %1").arg(code);
    ::LocalFree(text);
    return message;
}

// "\\.\COM3" is shown as COM3, as Windows' own dialogs name ports.
QString shownName(const QString& device)
{
    const QString prefix = QStringLiteral("\\\\.\\");
    return QDir::toNativeSeparators(device.startsWith(prefix) ? device.mid(prefix.size()) : device);
}

} // namespace

std::unique_ptr<CommPort> makeCommPort(const QString& settingsFolder)
{
    return std::make_unique<WinCommPort>(settingsFolder);
}

WinCommPort::WinCommPort(QString settingsFolder, QObject* parent)
    : DevicePort(std::move(settingsFolder), parent)
{
    overlapped_.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    readDone_.setHandle(overlapped_.hEvent);
    connect(&readDone_, &QWinEventNotifier::activated, this, &WinCommPort::onReadDone);
}

WinCommPort::~WinCommPort()
{
    closeSerial();
    readDone_.setEnabled(false);
    ::CloseHandle(overlapped_.hEvent);
}

bool WinCommPort::openSerial()
{
    // No sharing: Windows lets one program at a time have a port.
    handle_ = ::CreateFileW(reinterpret_cast<const wchar_t*>(device().utf16()), GENERIC_READ, 0,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const QString shown = shownName(device());
        setOpenFailure(error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                           ? QStringLiteral("%1 is in use by another program").arg(shown)
                       : error == ERROR_FILE_NOT_FOUND
                           ? QStringLiteral("%1 is not on this computer").arg(shown)
                           : shown + QStringLiteral(": ") + systemMessage(error));
        return false;
    }
    const LineSettings s = lineSettings();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool configured = ::GetCommState(handle_, &dcb) != 0;
    dcb.BaudRate = DWORD(s.baud);
    dcb.ByteSize = BYTE(s.dataBits);
    dcb.Parity = s.parity == 'E'   ? EVENPARITY
                 : s.parity == 'O' ? ODDPARITY
                 : s.parity == 'M' ? MARKPARITY
                 : s.parity == 'S' ? SPACEPARITY
                                   : NOPARITY;
    dcb.StopBits = s.stopBitsTimesTwo == 4   ? TWOSTOPBITS
                   : s.stopBitsTimesTwo == 3 ? ONE5STOPBITS
                                             : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = s.parity != 'N';
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE; // errors are read after each read, not made to stop reading
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = rtsWanted() ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    configured = configured && ::SetCommState(handle_, &dcb) != 0;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kQuietMs;
    configured = configured && ::SetCommTimeouts(handle_, &timeouts) != 0;
    if (!configured) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        setOpenFailure(QStringLiteral("%1 cannot be set to %2: %3")
                           .arg(shownName(device()), settings(), systemMessage(error)));
        return false;
    }
    ::SetupComm(handle_, DWORD(qMax<qint16>(inBufferSize(), 1024)), 1024);
    ::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_RXABORT);
    DWORD errors = 0;
    ::ClearCommError(handle_, &errors, nullptr); // what happened before opening is not reported
    buffer_.resize(qMax<qint16>(inBufferSize(), 1024));
    readDone_.setEnabled(true);
    startRead();
    return true;
}

void WinCommPort::startRead()
{
    ::ResetEvent(overlapped_.hEvent);
    overlapped_.Offset = 0;
    overlapped_.OffsetHigh = 0;
    // Completed at once or later, the event is set either way: onReadDone
    // takes the result.
    if (!::ReadFile(handle_, buffer_.data(), DWORD(buffer_.size()), nullptr, &overlapped_) &&
        ::GetLastError() != ERROR_IO_PENDING) {
        lost();
        return;
    }
    reading_ = true;
}

void WinCommPort::onReadDone()
{
    if (!reading_) {
        return;
    }
    reading_ = false;
    // A read waits for its first byte: one that ends empty or fails found
    // the device gone.
    DWORD n = 0;
    if (!::GetOverlappedResult(handle_, &overlapped_, &n, FALSE) || n == 0) {
        lost();
        return;
    }
    checkLineConditions();
    received(QByteArray(buffer_.constData(), qsizetype(n)));
    startRead();
}

void WinCommPort::checkLineConditions()
{
    // A line that keeps no error status (a virtual port) has none to report.
    DWORD errors = 0;
    if (!::ClearCommError(handle_, &errors, nullptr)) {
        return;
    }
    const struct
    {
        DWORD flags;
        Event code;
    } conditions[] = {{CE_BREAK, comEventBreak},
                      {CE_FRAME, comEventFrame},
                      {CE_OVERRUN | CE_RXOVER, comEventOverrun},
                      {CE_RXPARITY, comEventRxParity}};
    for (const auto& c : conditions) {
        if (errors & c.flags) {
            lineCondition(c.code);
        }
    }
}

void WinCommPort::lost()
{
    // A device that went away fails every read at once; left open, it would
    // keep a core busy.
    closeSerial();
    deviceLost();
}

void WinCommPort::closeSerial()
{
    if (handle_ == INVALID_HANDLE_VALUE) {
        return;
    }
    if (reading_) {
        // The buffer stays the driver's until the cancelled read has ended.
        DWORD n = 0;
        ::CancelIoEx(handle_, &overlapped_);
        ::GetOverlappedResult(handle_, &overlapped_, &n, TRUE);
        reading_ = false;
    }
    readDone_.setEnabled(false);
    ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool WinCommPort::setSerialRts(bool enable)
{
    if (handle_ == INVALID_HANDLE_VALUE) {
        return true; // a port coming back takes it on opening
    }
    // Lines without modem signals (a virtual port, Wine's pseudo-terminals)
    // have no RTS to raise.
    return ::EscapeCommFunction(handle_, enable ? SETRTS : CLRRTS) != 0 ||
           ::GetLastError() == ERROR_NOT_SUPPORTED || ::GetLastError() == ERROR_INVALID_PARAMETER ||
           ::GetLastError() == ERROR_INVALID_FUNCTION;
}
