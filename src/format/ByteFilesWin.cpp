// What the system does for files (Windows): flushing to the disk, a file's
// identity across its names (the volume's serial number and the file's
// index, as the inode on POSIX), and opening only a regular file to read.

#include "ByteFiles.h"
#include "SystemFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <iterator>

#include <io.h>
#include <windows.h>

namespace {

HANDLE osHandle(const QFile* f)
{
    return f ? reinterpret_cast<HANDLE>(::_get_osfhandle(f->handle())) : INVALID_HANDLE_VALUE;
}

std::optional<FileIdentity> identity(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (h == INVALID_HANDLE_VALUE || ::GetFileInformationByHandle(h, &info) == 0) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

} // namespace

std::optional<FileIdentity> fileIdentity(const QString& path)
{
    // Opened for no access at all, sharing everything: only to ask who it is.
    const HANDLE named =
        ::CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), 0,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const std::optional<FileIdentity> id = identity(named);
    if (named != INVALID_HANDLE_VALUE) {
        ::CloseHandle(named);
    }
    return id;
}

std::optional<OpenFileIdentity> openFileIdentity(const QFile& file)
{
    const HANDLE h = osHandle(&file);
    if (h == INVALID_HANDLE_VALUE || ::GetFileType(h) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    const std::optional<FileIdentity> id = identity(h);
    if (!id) {
        return std::nullopt;
    }
    wchar_t name[4096];
    const DWORD n = ::GetFinalPathNameByHandleW(h, name, DWORD(std::size(name)),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    QString readable =
        n > 0 && n < std::size(name) ? QString::fromWCharArray(name, int(n)) : QString();
    if (readable.startsWith(QStringLiteral("\\\\?\\")) && readable.mid(5, 1) == u":") {
        readable = readable.mid(4); // \\?\C:\... is C:\...
    }
    return OpenFileIdentity{*id, readable};
}

bool ByteFiles::sync(int fileNum)
{
    const HANDLE h = osHandle(file(fileNum));
    return h != INVALID_HANDLE_VALUE && ::FlushFileBuffers(h) != 0;
}

bool ByteFiles::isAt(int fileNum, const QString& path) const
{
    const std::optional<FileIdentity> open = identity(osHandle(file(fileNum)));
    return open && fileIdentity(path) == open;
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
