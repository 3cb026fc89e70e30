// What the system does for files (POSIX): flushing to the disk, telling
// whether an open file is still the one a path names, and opening only a
// regular file to read.

#include "ByteFiles.h"
#include "RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ByteFiles::sync(int fileNum)
{
    QFile* f = file(fileNum);
    return f && ::fsync(f->handle()) == 0;
}

bool ByteFiles::isAt(int fileNum, const QString& path) const
{
    QFile* f = file(fileNum);
    struct stat open = {}, named = {};
    return f && ::fstat(f->handle(), &open) == 0 &&
           ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
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
