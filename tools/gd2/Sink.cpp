// Text written out in pieces.

#include "Sink.h"

#include <QIODevice>

namespace gd2 {

namespace {

// Large enough that the writes cost little, small enough to be no matter.
constexpr qsizetype kPiece = 64 * 1024;

} // namespace

Sink::Sink(QByteArray& buffer) : text_(buffer) {}

Sink::Sink(QIODevice& device) : text_(pending_), device_(&device)
{
    pending_.reserve(kPiece + kPiece / 4);
}

Sink& Sink::operator<<(QStringView text)
{
    text_ += text.toUtf8();
    spill();
    return *this;
}

Sink& Sink::operator<<(QByteArrayView bytes)
{
    text_ += bytes;
    spill();
    return *this;
}

Sink& Sink::operator<<(char c)
{
    text_ += c;
    spill();
    return *this;
}

void Sink::spill()
{
    if (device_ && pending_.size() >= kPiece) {
        flush();
    }
}

bool Sink::flush()
{
    if (!device_ || pending_.isEmpty()) {
        return !failed_;
    }
    if (!failed_ && device_->write(pending_) != pending_.size()) {
        failed_ = true;
        error_ = device_->errorString();
    }
    pending_.resize(0); // keeps its capacity
    return !failed_;
}

} // namespace gd2
