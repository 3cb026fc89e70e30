// gpssim's line on Windows: a TCP port on this computer, chosen by the
// system, which the entry names as tcp://127.0.0.1:PORT. Any number of
// readers get the same stream. gpssim runs no event loop, so connections
// are taken and writes pushed out at each send.

#include "ReceiverLine.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <vector>

namespace {

// What a reader may fall behind by before its share is dropped.
constexpr qint64 kBacklogBytes = 64 * 1024;

} // namespace

struct ReceiverLine::Impl
{
    QTcpServer server;
    std::vector<std::unique_ptr<QTcpSocket>> readers;
    QString url;
    QString entry;
};

ReceiverLine::ReceiverLine() : d_(std::make_unique<Impl>()) {}

ReceiverLine::~ReceiverLine()
{
    close();
}

bool ReceiverLine::open(const QString& entry, QString* why)
{
    if (!d_->server.listen(QHostAddress::LocalHost)) {
        *why = d_->server.errorString();
        return false;
    }
    d_->url = QStringLiteral("tcp://127.0.0.1:%1").arg(d_->server.serverPort());
    QFile file(entry);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(d_->url.toUtf8() + "\r\n") < 0 || !file.flush()) {
        *why = QStringLiteral("cannot write %1").arg(entry);
        return false;
    }
    d_->entry = entry;
    return true;
}

QString ReceiverLine::name() const
{
    return d_->url;
}

void ReceiverLine::send(const QByteArray& bytes)
{
    while (d_->server.waitForNewConnection(0)) {
        while (QTcpSocket* s = d_->server.nextPendingConnection()) {
            s->setParent(nullptr);
            d_->readers.emplace_back(s);
        }
    }
    for (auto it = d_->readers.begin(); it != d_->readers.end();) {
        QTcpSocket& s = **it;
        if (s.state() != QAbstractSocket::ConnectedState) {
            it = d_->readers.erase(it);
            continue;
        }
        if (s.bytesToWrite() < kBacklogBytes) {
            s.write(bytes);
        }
        s.flush();
        ++it;
    }
}

void ReceiverLine::close()
{
    d_->readers.clear();
    d_->server.close();
    if (!d_->entry.isEmpty()) {
        QFile::remove(d_->entry);
        d_->entry.clear();
    }
}

void onStopSignals(void (*handler)(int))
{
    std::signal(SIGINT, handler);
    std::signal(SIGTERM, handler);
}
