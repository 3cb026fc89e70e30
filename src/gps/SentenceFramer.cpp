#include "SentenceFramer.h"

std::optional<QString> SentenceFramer::feed(QChar c)
{
    if (!isStartCharacter(c)) {
        if (synchronised_ && current_.size() < kMaxSentence) {
            current_.append(c);
        }
        return std::nullopt;
    }
    if (!synchronised_) {
        synchronised_ = true;
        current_ = c;
        return std::nullopt;
    }
    QString completed = std::exchange(current_, QString(c));
    current_.reserve(96);
    return completed;
}
