// Readers of a device, from the open files the system lists for each process.

#include "DeviceHolders.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <unistd.h>

namespace ports {

namespace {

QByteArray linkTarget(const QByteArray& link)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.constData(), target, sizeof target);
    return n > 0 ? QByteArray(target, n) : QByteArray();
}

// Whether fd of process pid is the master of the pseudo-terminal numbered index.
bool isMasterOf(const QByteArray& pid, const QByteArray& fd, const QByteArray& index)
{
    QFile info(QByteArray("/proc/" + pid + "/fdinfo/" + fd));
    if (!info.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : info.readAll().split('\n')) {
        if (line.startsWith("tty-index:")) {
            return line.mid(10).trimmed() == index;
        }
    }
    return false;
}

} // namespace

std::vector<Holder> holdersOf(const QString& device)
{
    std::vector<Holder> holders;
    const QByteArray target = QFileInfo(device).canonicalFilePath().toLocal8Bit();
    if (target.isEmpty()) {
        return holders;
    }
    const QByteArray ptyIndex =
        target.startsWith("/dev/pts/") ? target.mid(9) : QByteArray(); // its master's index
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pidText : pids) {
        const QByteArray pid = pidText.toLatin1();
        bool number = false;
        pid.toLongLong(&number);
        if (!number || pid == self) {
            continue;
        }
        const QByteArray fdDir = "/proc/" + pid + "/fd/";
        bool holds = false;
        bool feeds = false;
        // Unreadable for another user's processes: those stay unseen.
        const QStringList fds = QDir(QString::fromLatin1(fdDir)).entryList(QDir::System);
        for (const QString& fdText : fds) {
            const QByteArray fd = fdText.toLatin1();
            const QByteArray open = linkTarget(fdDir + fd);
            if (open == target) {
                holds = true;
            } else if (!ptyIndex.isEmpty() && open.endsWith("ptmx") &&
                       isMasterOf(pid, fd, ptyIndex)) {
                feeds = true;
            }
        }
        if (holds && !feeds) {
            QFile comm(QString::fromLatin1("/proc/" + pid + "/comm"));
            const QString name = comm.open(QIODevice::ReadOnly)
                                     ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                     : QStringLiteral("another program");
            holders.push_back({pid.toLongLong(), name});
        }
    }
    return holders;
}

} // namespace ports
