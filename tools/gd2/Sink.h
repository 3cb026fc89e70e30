#pragma once
// Text written out in pieces as it is made, so that the output for a large
// study never stands whole in memory.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace gd2 {

class Sink
{
public:
    // Everything into `buffer`, for the tests and the functions that return text.
    explicit Sink(QByteArray& buffer);
    // Through `device` a piece at a time; the first failed write is kept and
    // what follows is dropped, so that the command can say so once.
    explicit Sink(QIODevice& device);
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    Sink& operator<<(QStringView text);
    Sink& operator<<(QByteArrayView bytes);
    Sink& operator<<(char c);

    // Writes what is pending; false when any write failed.
    bool flush();
    bool failed() const { return failed_; }
    QString errorString() const { return error_; }

private:
    void spill();

    QByteArray& text_;
    QByteArray pending_;
    QIODevice* device_ = nullptr;
    bool failed_ = false;
    QString error_;
};

} // namespace gd2
