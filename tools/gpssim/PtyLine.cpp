// gpssim's line on Linux: the master side of a pseudo-terminal whose slave,
// in raw mode, the entry links to.

#include "ReceiverLine.h"

#include <QFile>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

struct ReceiverLine::Impl
{
    int master = -1;
    int slave = -1;
    QString slaveName;
    QString entry;
};

ReceiverLine::ReceiverLine() : d_(std::make_unique<Impl>()) {}

ReceiverLine::~ReceiverLine()
{
    close();
}

bool ReceiverLine::open(const QString& entry, QString* why)
{
    d_->master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (d_->master < 0 || ::grantpt(d_->master) != 0 || ::unlockpt(d_->master) != 0) {
        *why = QStringLiteral("no pseudo-terminal");
        return false;
    }
    d_->slaveName = QString::fromLocal8Bit(::ptsname(d_->master));
    // Held open so the line does not hang up between readers.
    d_->slave = ::open(::ptsname(d_->master), O_RDWR | O_NOCTTY);
    if (d_->slave < 0) {
        *why = QStringLiteral("cannot open %1").arg(d_->slaveName);
        return false;
    }
    termios raw{};
    ::tcgetattr(d_->slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(d_->slave, TCSANOW, &raw);
    ::fcntl(d_->master, F_SETFL, ::fcntl(d_->master, F_GETFL) | O_NONBLOCK);
    QFile::remove(entry);
    if (!QFile::link(d_->slaveName, entry)) {
        *why = QStringLiteral("cannot link %1").arg(entry);
        return false;
    }
    d_->entry = entry;
    return true;
}

QString ReceiverLine::name() const
{
    return d_->slaveName;
}

void ReceiverLine::send(const QByteArray& bytes)
{
    qsizetype at = 0;
    int attempts = 0;
    while (at < bytes.size() && attempts < 3) {
        const ssize_t n = ::write(d_->master, bytes.constData() + at, size_t(bytes.size() - at));
        if (n > 0) {
            at += n;
        } else {
            ::tcflush(d_->slave, TCIFLUSH);
            ++attempts;
        }
    }
}

void ReceiverLine::close()
{
    if (!d_->entry.isEmpty()) {
        QFile::remove(d_->entry);
        d_->entry.clear();
    }
    for (int* fd : {&d_->slave, &d_->master}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void onStopSignals(void (*handler)(int))
{
    std::signal(SIGINT, handler);
    std::signal(SIGTERM, handler);
    std::signal(SIGHUP, handler);
}
