// Byte-addressed files under file numbers, over QFile.

#include "ByteFiles.h"

#include <QFile>
#include <QFileInfo>

ByteFiles::ByteFiles() = default;

ByteFiles::~ByteFiles()
{
    closeAll();
}

QFile* ByteFiles::file(int fileNum) const
{
    if (fileNum < 1 || fileNum > kMaxFiles) {
        return nullptr;
    }
    return files_[fileNum].get();
}

int ByteFiles::freeFileNumber() const
{
    for (int n = 1; n <= kMaxFiles; ++n) {
        if (!files_[n]) {
            return n;
        }
    }
    return 0;
}

bool ByteFiles::open(int fileNum, const QString& path, Access access)
{
    if (fileNum < 1 || fileNum > kMaxFiles || files_[fileNum]) {
        lastOpenError_ = QStringLiteral("file number %1 is not free").arg(fileNum);
        return false;
    }
    auto f = std::make_unique<QFile>(path);
    // Unbuffered: a record handed to writeAt is in the operating system's
    // hands when the call returns, so a killed program loses nothing written.
    const QIODevice::OpenMode mode =
        access == Access::Read ? QIODevice::ReadOnly : QIODevice::ReadWrite;
    if (!f->open(mode | QIODevice::Unbuffered)) {
        lastOpenError_ = f->errorString();
        return false;
    }
    files_[fileNum] = std::move(f);
    return true;
}

bool ByteFiles::isOpen(int fileNum) const
{
    return file(fileNum) != nullptr;
}

bool ByteFiles::writeAt(int fileNum, qint64 position, const QByteArray& bytes)
{
    QFile* f = file(fileNum);
    if (!f || position < 1 || !f->seek(position - 1)) {
        return false;
    }
    return f->write(bytes) == bytes.size();
}

QByteArray ByteFiles::readAt(int fileNum, qint64 position, qint64 count)
{
    QFile* f = file(fileNum);
    if (!f || position < 1 || count <= 0 || !f->seek(position - 1)) {
        return {};
    }
    return f->read(count);
}

qint64 ByteFiles::length(int fileNum) const
{
    QFile* f = file(fileNum);
    return f ? f->size() : -1;
}

bool ByteFiles::setLength(int fileNum, qint64 length)
{
    QFile* f = file(fileNum);
    return f && length >= 0 && f->resize(length);
}

void ByteFiles::close(int fileNum)
{
    if (QFile* f = file(fileNum)) {
        f->close();
        files_[fileNum].reset();
    }
}

void ByteFiles::closeAll()
{
    for (int n = 1; n <= kMaxFiles; ++n) {
        close(n);
    }
}

QString ByteFiles::errorString(int fileNum) const
{
    QFile* f = file(fileNum);
    return f ? f->errorString() : lastOpenError_;
}

bool FileExists(const QString& path)
{
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}
