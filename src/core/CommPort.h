#pragma once
// The serial port as the collector uses it: properties set before opening,
// one event for every receive and line condition, and a receive buffer read
// a few characters at a time. Subclasses supply the device.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class CommPort : public QObject
{
    Q_OBJECT

public:
    // The codes CommEvent reports.
    enum Event : qint16
    {
        comEvReceive = 2,
        comEventBreak = 1001,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxParity = 1009,
    };

    explicit CommPort(QObject* parent = nullptr) : QObject(parent) {}

    // Each setter returns false where the property cannot take the value.
    bool setCommPort(qint16 port);
    qint16 commPort() const { return commPort_; }
    // "<baud>,<parity N/E/O/M/S>,<data bits 5-8>,<stop bits 1/1.5/2>"
    bool setSettings(const QString& settings);
    QString settings() const { return settings_; }
    bool setInputLen(qint16 chars);
    bool setRThreshold(qint16 chars);
    bool setInBufferSize(qint16 bytes);
    bool setPortOpen(bool open);
    bool portOpen() const { return open_; }
    // Why the last opening failed, in the operator's words; "" when the
    // device could not say.
    QString openFailure() const { return openFailure_; }
    bool setRTSEnable(bool enable);

    qint16 commEvent() const { return commEvent_; }
    int inBufferCount() const { return int(inBuffer_.size() - readPos_); }
    // The next InputLen characters (all of them when InputLen is 0), one
    // character per received byte.
    QString input();
    // The same characters as bytes into out, at most max; how many. Copies
    // nothing else and allocates nothing, for the reception loop. A read
    // stops at a break in the stream.
    qsizetype read(char* out, qsizetype max);
    // True, once, when reading has reached a break in the stream: the link
    // dropped or the device was opened again, so what comes next does not
    // continue what came before.
    bool takeStreamCut();

    struct LineSettings
    {
        qint32 baud = 0;
        char parity = 'N';
        int dataBits = 8;
        int stopBitsTimesTwo = 2; // 1.5 stop bits is 3
    };
    static bool parseSettings(const QString& text, LineSettings* out);

signals:
    void OnComm();
    // How the link to a receiver that is not on a wire is doing (connection
    // lost, trying again), for the status line.
    void linkStatus(const QString& text);

protected:
    // For subclasses: what arrived from the device, and line conditions.
    void received(const QByteArray& bytes);
    void lineCondition(Event code);
    // The device's stream broke: a link dropped, a device hung up.
    void streamCut();
    void setOpenFailure(const QString& why) { openFailure_ = why; }

    LineSettings lineSettings() const { return line_; }
    qint16 inBufferSize() const { return inBufferSize_; }

    virtual bool openDevice() = 0;
    virtual void closeDevice() = 0;
    virtual bool applyRts(bool enable) = 0;

private:
    void raise(qint16 code);
    // What the next read may take: InputLen characters at most (all when 0),
    // and none past a break in the stream.
    qsizetype readable() const;
    void consumed(qsizetype n);

    qint16 commPort_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    LineSettings line_{9600, 'N', 8, 2};
    qint16 inputLen_ = 0;
    qint16 rThreshold_ = 0;
    qint16 inBufferSize_ = 1024;
    bool open_ = false;
    QString openFailure_;
    bool rts_ = false;
    qint16 commEvent_ = 0;
    QByteArray inBuffer_;
    qsizetype readPos_ = 0; // what was read stays until the buffer is drained
    QList<qsizetype> cuts_; // where the stream broke, as positions in inBuffer_
};
