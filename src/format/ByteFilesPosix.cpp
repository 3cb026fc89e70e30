// The parts of ByteFiles the system does: flushing to the disk, and telling
// whether an open file is still the one a path names (POSIX).

#include "ByteFiles.h"

#include <QFile>

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
