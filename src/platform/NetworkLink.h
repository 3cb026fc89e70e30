#pragma once
// A receiver on the network: gpsd relaying a device's sentences, or a plain
// NMEA stream over TCP (a phone app, a serial server). What arrives is handed
// on as bytes, as a serial device hands them on, so that framing and decoding
// are the same; gpsd's own JSON reports are left out, its errors go to the
// status line.
//
// The link is kept up without blocking anything: a connection refused or
// lost is tried again after a pause that grows to a few seconds, and the
// status line says so meanwhile.

#include "PortDirectory.h"

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

class NetworkLink final : public QObject
{
    Q_OBJECT

public:
    explicit NetworkLink(QObject* parent = nullptr);

    void start(const ports::PortEntry& entry);
    void stop();

    // Whether a connection to entry opens within timeoutMs, without waiting:
    // done(opened, why) is called once, within timeoutMs, unless context is
    // deleted first; why tells what went wrong. Any number may be under way.
    static void probeLater(const ports::PortEntry& entry, int timeoutMs, QObject* context,
                           std::function<void(bool opened, const QString& why)> done);

    static QString name(const ports::PortEntry& entry); // "gpsd://host:port"

signals:
    void received(const QByteArray& bytes);
    void status(const QString& text);
    // A connection that delivered data has ended: what comes over the next
    // one does not continue it.
    void streamEnded();

private:
    void connectNow();
    void onConnected();
    void onReadyRead();
    void onFailure();
    QByteArray withoutReports(const QByteArray& bytes);
    void readReport(QByteArray line);

    ports::PortEntry entry_;
    QTcpSocket socket_;
    QTimer retry_;
    QTimer connectTimeout_; // a host that never answers takes minutes to refuse
    int pauseMs_ = 0;
    bool running_ = false;
    bool connected_ = false;
    bool heard_ = false; // data came over this connection
    bool atLineStart_ = true;
    bool inReport_ = false;
    QByteArray report_; // the report line so far
};
