#pragma once
// The serial port on Windows, over the Win32 communications functions:
// COMn opened for overlapped reads, each read's completion signalled through
// a QWinEventNotifier, so that the event loop never waits on the port (Wine's
// WaitCommEvent cancels itself, so reads are what is waited on). The
// line errors the driver reports after each read (break, frame, overrun,
// parity) become the CommEvent codes.
//
// A port whose device goes away during a study (a USB adapter knocked out)
// is closed and tried again every second, and data flows again once the
// receiver is back. A port whose entry names a receiver on the network is
// read through a NetworkLink, as on Linux.

#include "CommPort.h"
#include "NetworkLink.h"

#include <QByteArray>
#include <QTimer>
#include <QWinEventNotifier>

#include <windows.h>

class WinCommPort final : public CommPort
{
    Q_OBJECT

public:
    explicit WinCommPort(QString settingsFolder, QObject* parent = nullptr);
    ~WinCommPort() override;

protected:
    bool openDevice() override;
    void closeDevice() override;
    bool applyRts(bool enable) override;

private:
    bool openSerial();
    void closeSerial();
    void startRead();
    void onReadDone();
    void lost();
    void reconnect();
    void checkLineConditions();

    QString settingsFolder_;
    QString device_; // as the port number resolved at opening
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped_{};
    QWinEventNotifier readDone_;
    bool reading_ = false;
    QByteArray buffer_;
    NetworkLink network_;
    bool onNetwork_ = false;
    QTimer reconnect_;
    bool rtsWanted_ = false;
};
