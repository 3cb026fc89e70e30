// What the system does for files (POSIX): flushing to the disk, a file's
// identity across its names, and opening only a regular file to read.

#include "ByteFiles.h"
#include "SystemFiles.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileIdentity identityOf(const struct stat& s)
{
    return {quint64(s.st_dev), quint64(s.st_ino)};
}

} // namespace

std::optional<FileIdentity> fileIdentity(const QString& path)
{
    struct stat s = {};
    if (::stat(QFile::encodeName(path).constData(), &s) != 0) {
        return std::nullopt;
    }
    return identityOf(s);
}

std::optional<OpenFileIdentity> openFileIdentity(const QFile& file)
{
    struct stat s = {};
    if (file.handle() < 0 || ::fstat(file.handle(), &s) != 0 || !S_ISREG(s.st_mode)) {
        return std::nullopt;
    }
    // Opened for writing or appending, it is read again through a name of its own.
    return OpenFileIdentity{identityOf(s), QStringLiteral("/proc/self/fd/%1").arg(file.handle())};
}

bool ByteFiles::sync(int fileNum)
{
    QFile* f = file(fileNum);
    return f && ::fsync(f->handle()) == 0;
}

bool ByteFiles::isAt(int fileNum, const QString& path) const
{
    QFile* f = file(fileNum);
    struct stat open = {};
    const auto named = fileIdentity(path);
    return f && named && ::fstat(f->handle(), &open) == 0 && identityOf(open) == *named;
}

RegularFile openRegularFile(QFile& file, const QString& path, QString* why)
{
    // Non-blocking, so that neither a FIFO without a writer nor a line
    // without carrier holds the open; never our controlling terminal.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (why) {
            *why = QString::fromLocal8Bit(std::strerror(error));
        }
        return error == ENOENT || error == ENOTDIR ? RegularFile::Missing : RegularFile::Failed;
    }
    struct stat s = {};
    const bool known = ::fstat(fd, &s) == 0;
    const RegularFile kind = !known               ? RegularFile::Failed
                             : S_ISDIR(s.st_mode) ? RegularFile::Folder
                             : S_ISREG(s.st_mode) ? RegularFile::Opened
                                                  : RegularFile::NotRegular;
    if (kind == RegularFile::Opened) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            return kind;
        }
        if (why) {
            *why = file.errorString();
        }
        ::close(fd);
        return RegularFile::Failed;
    }
    if (!known && why) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(fd);
    return kind;
}
