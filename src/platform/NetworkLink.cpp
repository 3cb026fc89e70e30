// A receiver on the network, over QTcpSocket.

#include "NetworkLink.h"

#include "Messages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr int kFirstPauseMs = 500;
constexpr int kLongestPauseMs = 4000;
constexpr int kConnectTimeoutMs = 3000;
// gpsd's reports are a few hundred bytes; a longer one is not read for errors.
constexpr qsizetype kLongestReport = 16 * 1024;

} // namespace

NetworkLink::NetworkLink(QObject* parent) : QObject(parent)
{
    retry_.setSingleShot(true);
    connectTimeout_.setSingleShot(true);
    connectTimeout_.setInterval(kConnectTimeoutMs);
    connect(&retry_, &QTimer::timeout, this, &NetworkLink::connectNow);
    connect(&connectTimeout_, &QTimer::timeout, this, &NetworkLink::onFailure);
    connect(&socket_, &QTcpSocket::connected, this, &NetworkLink::onConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, &NetworkLink::onReadyRead);
    // Queued: the socket is reset after it has finished reporting.
    connect(&socket_, &QTcpSocket::disconnected, this, &NetworkLink::onFailure,
            Qt::QueuedConnection);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &NetworkLink::onFailure,
            Qt::QueuedConnection);
}

QString NetworkLink::name(const ports::PortEntry& entry)
{
    return (entry.kind == ports::PortEntry::Kind::Gpsd ? QStringLiteral("gpsd://")
                                                       : QStringLiteral("tcp://")) +
           entry.address() + entry.device;
}

void NetworkLink::start(const ports::PortEntry& entry)
{
    entry_ = entry;
    running_ = true;
    pauseMs_ = kFirstPauseMs;
    connectNow();
}

void NetworkLink::stop()
{
    running_ = false;
    retry_.stop();
    connectTimeout_.stop();
    socket_.abort();
}

void NetworkLink::connectNow()
{
    if (!running_) {
        return;
    }
    heard_ = false;
    connected_ = false;
    atLineStart_ = true;
    inReport_ = false;
    report_.clear();
    socket_.abort();
    connectTimeout_.start();
    socket_.connectToHost(entry_.host, entry_.port, QIODevice::ReadWrite);
}

void NetworkLink::onConnected()
{
    connectTimeout_.stop();
    connected_ = true;
    emit status(msg::linkConnected(name(entry_)));
    if (entry_.kind == ports::PortEntry::Kind::Gpsd) {
        // The sentences as the device sent them, not gpsd's reports.
        QJsonObject watch{{QStringLiteral("enable"), true}, {QStringLiteral("raw"), 1}};
        if (!entry_.device.isEmpty()) {
            watch.insert(QStringLiteral("device"), entry_.device);
        }
        socket_.write("?WATCH=" + QJsonDocument(watch).toJson(QJsonDocument::Compact) + "\n");
    }
}

void NetworkLink::onFailure()
{
    // One report per failure: the socket may tell it twice (error, then
    // disconnected), and the retry already waiting covers both.
    if (!running_ || retry_.isActive() ||
        (socket_.state() == QAbstractSocket::ConnectedState && connected_)) {
        return;
    }
    const bool unanswered = socket_.state() == QAbstractSocket::HostLookupState ||
                            socket_.state() == QAbstractSocket::ConnectingState;
    const QString reason = unanswered ? QStringLiteral("no answer") : socket_.errorString();
    if (socket_.bytesAvailable() > 0) {
        onReadyRead(); // what came before the end is kept
    }
    connectTimeout_.stop();
    socket_.abort();
    if (heard_) {
        pauseMs_ = kFirstPauseMs; // it worked for a while: the next attempt comes soon
        heard_ = false;
        emit streamEnded();
    }
    emit status(msg::linkDown(name(entry_), connected_, reason, pauseMs_));
    retry_.start(pauseMs_);
    pauseMs_ = std::min(pauseMs_ * 2, kLongestPauseMs);
}

void NetworkLink::onReadyRead()
{
    const QByteArray bytes = socket_.readAll();
    heard_ = heard_ || !bytes.isEmpty();
    emit received(entry_.kind == ports::PortEntry::Kind::Gpsd ? withoutReports(bytes) : bytes);
}

QByteArray NetworkLink::withoutReports(const QByteArray& bytes)
{
    // gpsd writes whole lines: its reports are those that open with "{".
    // Nothing is kept between arrivals but where the line stands and the
    // report being read.
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (atLineStart_) {
            inReport_ = c == '{';
            atLineStart_ = false;
        }
        if (!inReport_) {
            out += c;
        } else if (report_.size() < kLongestReport) {
            report_ += c;
        }
        if (c == '\n') {
            atLineStart_ = true;
            if (inReport_) {
                readReport(report_);
                report_.clear();
            }
        }
    }
    return out;
}

void NetworkLink::readReport(QByteArray line)
{
    // An error (a device gpsd cannot open, a request it refuses) would
    // otherwise leave the status line waiting for sentences. gpsd repeats a
    // device name in its message unescaped, control characters and all.
    for (char& c : line) {
        if (uchar(c) < 0x20 && c != '\r' && c != '\n') {
            c = '?';
        }
    }
    const QJsonObject report = QJsonDocument::fromJson(line).object();
    if (report.value(QStringLiteral("class")).toString() == u"ERROR") {
        emit status(
            msg::gpsdError(name(entry_), report.value(QStringLiteral("message")).toString()));
    }
}

void NetworkLink::probeLater(const ports::PortEntry& entry, int timeoutMs, QObject* context,
                             std::function<void(bool, const QString&)> done)
{
    // The socket is the context's: with it goes every answer not yet given.
    auto* socket = new QTcpSocket(context);
    auto* timeout = new QTimer(socket);
    // Connected, failed or timed out: the first of the three answers.
    const auto given = std::make_shared<bool>(false);
    const auto finish = [socket, entry, done = std::move(done), given] {
        if (std::exchange(*given, true)) {
            return;
        }
        const bool opened = socket->state() == QAbstractSocket::ConnectedState;
        const QString why = opened ? QString()
                                   : name(entry) + QStringLiteral(": ") +
                                         (socket->error() == QAbstractSocket::UnknownSocketError
                                              ? QStringLiteral("no answer")
                                              : socket->errorString());
        socket->abort();
        socket->deleteLater();
        done(opened, why);
    };
    connect(socket, &QTcpSocket::connected, socket, finish);
    // Queued: a failure may be told inside connectToHost.
    connect(socket, &QTcpSocket::errorOccurred, socket, finish, Qt::QueuedConnection);
    connect(timeout, &QTimer::timeout, socket, finish);
    timeout->setSingleShot(true);
    timeout->start(timeoutMs);
    socket->connectToHost(entry.host, entry.port, QIODevice::ReadOnly);
}
