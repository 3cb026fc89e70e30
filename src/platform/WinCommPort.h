#pragma once
// The serial port on Windows, over the Win32 communications functions:
// COMn opened for overlapped reads, each read's completion signalled through
// a QWinEventNotifier, so that the event loop never waits on the port (Wine's
// WaitCommEvent cancels itself, so reads are what is waited on). The
// line errors the driver reports after each read (break, frame, overrun,
// parity) become the CommEvent codes.
//
// A device that goes away during a study is closed and tried again
// (DevicePort).

#include "DevicePort.h"

#include <QByteArray>
#include <QWinEventNotifier>

#include <windows.h>

class WinCommPort final : public DevicePort
{
    Q_OBJECT

public:
    explicit WinCommPort(QString settingsFolder, QObject* parent = nullptr);
    ~WinCommPort() override;

private:
    bool openSerial() override;
    bool reopenSerial() override { return openSerial(); }
    void closeSerial() override;
    bool setSerialRts(bool enable) override;
    void startRead();
    void onReadDone();
    void lost();
    void checkLineConditions();

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped_{};
    QWinEventNotifier readDone_;
    bool reading_ = false;
    QByteArray buffer_;
};
