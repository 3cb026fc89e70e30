// What the system does for files (Windows): flushing to the disk, telling
// whether an open file is still the one a path names (the volume's serial
// number and the file's index, as the inode on POSIX), and opening only a
// regular file to read.

#include "ByteFiles.h"
#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <io.h>
#include <windows.h>

namespace {

HANDLE osHandle(const QFile* f)
{
    return f ? reinterpret_cast<HANDLE>(::_get_osfhandle(f->handle())) : INVALID_HANDLE_VALUE;
}

bool identity(HANDLE h, BY_HANDLE_FILE_INFORMATION* out)
{
    return h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, out) != 0;
}

} // namespace

bool ByteFiles::sync(int fileNum)
{
    const HANDLE h = osHandle(file(fileNum));
    return h != INVALID_HANDLE_VALUE && ::FlushFileBuffers(h) != 0;
}

bool ByteFiles::isAt(int fileNum, const QString& path) const
{
    BY_HANDLE_FILE_INFORMATION open{};
    if (!identity(osHandle(file(fileNum)), &open)) {
        return false;
    }
    // Opened for no access at all, sharing everything: only to ask who it is.
    const HANDLE named = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = identity(named, &info);
    if (named != INVALID_HANDLE_VALUE) {
        ::CloseHandle(named);
    }
    return known && info.dwVolumeSerialNumber == open.dwVolumeSerialNumber &&
           info.nFileIndexHigh == open.nFileIndexHigh && info.nFileIndexLow == open.nFileIndexLow;
}

RegularFile openRegularFile(QFile& file, const QString& path, QString* why)
{
    // Pipes and devices go by names of their own (\\.\pipe\..., COM1, NUL),
    // which QFileInfo does not take for files, and no file on a disk turns
    // into one: the look by name is enough here.
    const QFileInfo info(path);
    if (!info.exists()) {
        return RegularFile::Missing;
    }
    if (info.isDir()) {
        return RegularFile::Folder;
    }
    if (!info.isFile()) {
        return RegularFile::NotRegular;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (why) {
            *why = file.errorString();
        }
        return RegularFile::Failed;
    }
    return RegularFile::Opened;
}
