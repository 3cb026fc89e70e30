#pragma once
// Byte-addressed files under file numbers: the only way the program touches
// its preferences and study files. Positions are 1-based, as the record
// bookkeeping counts them; every write goes straight to the operating system.
// The operations are virtual so that a fuzzer or a test can keep the files in
// memory behind the very same interface.

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>

class QFile;

class ByteFiles
{
public:
    static constexpr int kMaxFiles = 255;

    ByteFiles();
    virtual ~ByteFiles();
    ByteFiles(const ByteFiles&) = delete;
    ByteFiles& operator=(const ByteFiles&) = delete;

    // The lowest file number not in use, or 0 when all are taken.
    virtual int freeFileNumber() const;

    enum class Access
    {
        ReadWrite, // an absent file is created, an existing one kept as it is
        Read,      // the file must exist; nothing can be written
    };
    // Fails if the number is out of range or in use, or the file cannot be opened.
    virtual bool open(int fileNum, const QString& path, Access access = Access::ReadWrite);
    virtual bool isOpen(int fileNum) const;

    // Writes all of bytes at 1-based position; false unless every byte went out.
    virtual bool writeAt(int fileNum, qint64 position, const QByteArray& bytes);
    // Up to count bytes from 1-based position; fewer at the end of the file.
    virtual QByteArray readAt(int fileNum, qint64 position, qint64 count);
    // Length in bytes, or -1 when the number is not open.
    virtual qint64 length(int fileNum) const;
    virtual bool setLength(int fileNum, qint64 length);
    // Forces what was written onto the storage device.
    virtual bool sync(int fileNum);
    // True while path names the very file open under fileNum: false once
    // that file is deleted, moved away or replaced by another.
    virtual bool isAt(int fileNum, const QString& path) const;

    virtual void close(int fileNum);
    void closeAll();

    // The last error of an operation on fileNum, or of the last failed open.
    virtual QString errorString(int fileNum) const;

private:
    QFile* file(int fileNum) const;

    std::array<std::unique_ptr<QFile>, kMaxFiles + 1> files_;
    QString lastOpenError_;
};

// True for an existing plain file that is not hidden; folders and hidden
// files count as absent, as a directory search for normal files sees them.
bool FileExists(const QString& path);
