#pragma once
// Cutting the serial stream into sentences at "$" and "@".
//
// Receivers send the last sentence of a cycle only when the next one starts,
// so a sentence is complete when the next start character arrives. Until the
// first start character everything is thrown away (the tail of a sentence
// already under way when the port opened); after it there is no way back.

#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <string>

class SentenceFramer
{
public:
    // Far beyond the 82 characters of a real sentence: a stream without start
    // characters cannot grow the sentence past this.
    static constexpr std::size_t kMaxSentence = 4096;

    SentenceFramer()
    {
        current_.reserve(kMaxSentence);
        completed_.reserve(kMaxSentence);
    }

    // Handles one character; true when c has completed the sentence before
    // it, which completed() then holds.
    bool feed(char c)
    {
        if (c != '$' && c != '@') {
            if (synchronised_ && current_.size() < kMaxSentence) {
                current_.push_back(c);
            }
            return false;
        }
        if (!synchronised_) {
            synchronised_ = true;
            current_.assign(1, c);
            return false;
        }
        // Both buffers keep their room, so framing allocates nothing.
        current_.swap(completed_);
        current_.assign(1, c);
        return true;
    }

    // The same rules over a block of characters, for the reception loop:
    // onSentence(completed()) for every sentence a start character completes.
    // Characters between start characters are taken a run at a time.
    template <typename OnSentence>
    void feed(const char* data, qsizetype size, OnSentence&& onSentence)
    {
        const char* const end = data + size;
        const char* at = data;
        // The next "@" is looked for once and kept: most streams have none.
        const char* nextAt = nullptr;
        bool atSearched = false;
        while (at < end) {
            const char* dollar =
                static_cast<const char*>(std::memchr(at, '$', std::size_t(end - at)));
            if (!atSearched || (nextAt && nextAt < at)) {
                nextAt = static_cast<const char*>(std::memchr(at, '@', std::size_t(end - at)));
                atSearched = true;
            }
            const char* start = dollar ? dollar : end;
            if (nextAt && nextAt < start) {
                start = nextAt;
            }
            if (synchronised_) {
                const std::size_t room = kMaxSentence - std::min(kMaxSentence, current_.size());
                current_.append(at, std::min(room, std::size_t(start - at)));
            }
            if (start == end) {
                return;
            }
            if (feed(*start)) {
                onSentence(completed());
            }
            at = start + 1;
        }
    }

    // The sentence the last start character completed: its start character
    // and everything up to, not including, that start character. Valid until
    // the next call of feed().
    QByteArrayView completed() const
    {
        return QByteArrayView(completed_.data(), qsizetype(completed_.size()));
    }
    QByteArrayView current() const
    {
        return QByteArrayView(current_.data(), qsizetype(current_.size()));
    }
    bool synchronised() const { return synchronised_; }

private:
    bool synchronised_ = false;
    std::string current_;
    std::string completed_;
};
