#pragma once
// Files kept in memory behind the program's own file interface: as fast as
// a fuzzer needs, with nothing left on a disk.

#include "ByteFiles.h"

#include <QHash>

#include <map>
#include <memory>

class MemoryFiles final : public ByteFiles
{
public:
    int freeFileNumber() const override
    {
        for (int n = 1; n <= kMaxFiles; ++n) {
            if (!open_.contains(n)) {
                return n;
            }
        }
        return 0;
    }
    bool open(int fileNum, const QString& path, Access access = Access::ReadWrite) override
    {
        if (fileNum < 1 || fileNum > kMaxFiles || open_.contains(fileNum) ||
            (access == Access::Read && !disk_.contains(path))) {
            return false;
        }
        auto& file = disk_[path];
        if (!file) {
            file = std::make_shared<QByteArray>();
        }
        open_[fileNum] = file;
        return true;
    }
    bool isOpen(int fileNum) const override { return open_.contains(fileNum); }
    bool writeAt(int fileNum, qint64 position, const QByteArray& bytes) override
    {
        QByteArray* f = file(fileNum);
        if (!f || position < 1) {
            return false;
        }
        if (f->size() < position - 1 + bytes.size()) {
            f->resize(position - 1 + bytes.size(), '\0');
        }
        f->replace(position - 1, bytes.size(), bytes);
        return true;
    }
    QByteArray readAt(int fileNum, qint64 position, qint64 count) override
    {
        const QByteArray* f = file(fileNum);
        return f && position >= 1 && count > 0 ? f->mid(position - 1, count) : QByteArray();
    }
    qint64 length(int fileNum) const override
    {
        const QByteArray* f = file(fileNum);
        return f ? f->size() : -1;
    }
    bool setLength(int fileNum, qint64 length) override
    {
        QByteArray* f = file(fileNum);
        if (f && length >= 0) {
            f->resize(length, '\0');
        }
        return f && length >= 0;
    }
    bool sync(int fileNum) override { return isOpen(fileNum); }
    bool isAt(int fileNum, const QString& path) const override
    {
        return open_.contains(fileNum) && disk_.value(path) == open_.at(fileNum);
    }
    void close(int fileNum) override { open_.erase(fileNum); }
    QString errorString(int) const override { return QStringLiteral("no such file in memory"); }

    // What a path holds, empty for none.
    QByteArray contents(const QString& path) const
    {
        const auto f = disk_.value(path);
        return f ? *f : QByteArray();
    }

private:
    QByteArray* file(int fileNum) const
    {
        const auto it = open_.find(fileNum);
        return it == open_.end() ? nullptr : it->second.get();
    }

    QHash<QString, std::shared_ptr<QByteArray>> disk_;
    std::map<int, std::shared_ptr<QByteArray>> open_;
};
