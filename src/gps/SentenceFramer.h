#pragma once
// Cutting the serial stream into sentences at "$" and "@".
//
// Receivers send the last sentence of a cycle only when the next one starts,
// so a sentence is handed on when the next start character arrives. It is a
// sentence only if its line end (LF, after CR or alone) came first: text that
// the next start character, a dropped link or a reopened port cuts off has
// lost its end and would decode into invented values, and a line far longer
// than any receiver sends is noise. Both are handed on as what they are, never
// as a sentence. Until the first start character everything is thrown away
// (the tail of a sentence already under way when the port opened).

#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <string>

// What the framer hands on.
struct FramedText
{
    enum Kind : quint8
    {
        Sentence, // from its start character through its line end
        CutOff,   // ended by the next start character or a break in the stream
        OverLong, // no line end within SentenceFramer::kMaxSentence characters
    };
    Kind kind = Sentence;
    // Valid until the framer is fed again. An over-long line is given by its
    // first kMaxSentence characters.
    QByteArrayView text;
};

class SentenceFramer
{
public:
    // Twice the 82 characters NMEA allows, line end included: room for the
    // longer proprietary sentences some receivers send, and a bound on what
    // line noise can make the framer keep.
    static constexpr std::size_t kMaxSentence = 164;

    SentenceFramer()
    {
        // One more: the character that marks a line as over-long.
        current_.reserve(kMaxSentence + 1);
        completed_.reserve(kMaxSentence + 1);
    }

    // Handles one character; true when c has ended the text before it, which
    // completed() then holds.
    bool feed(char c)
    {
        if (c != '$' && c != '@') {
            if (synchronised_) {
                append(&c, 1);
            }
            return false;
        }
        const bool ended = complete();
        synchronised_ = true;
        current_.assign(1, c);
        lineEnded_ = false;
        return ended;
    }

    // The same rules over a block of characters, for the reception loop:
    // onText(completed()) for every text a start character ends. Characters
    // between start characters are taken a run at a time.
    template <typename OnText> void feed(const char* data, qsizetype size, OnText&& onText)
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
                append(at, std::size_t(start - at));
            }
            if (start == end) {
                return;
            }
            if (feed(*start)) {
                onText(completed());
            }
            at = start + 1;
        }
    }

    // The stream broke (a link dropped, the port opened again): a sentence
    // with its line end is handed on, anything unfinished as cut off, and the
    // framer waits for a start character as at the beginning.
    template <typename OnText> void restart(OnText&& onText)
    {
        if (synchronised_ && complete()) {
            onText(completed());
        }
        synchronised_ = false;
        lineEnded_ = false;
        current_.clear();
    }

    // The text the last start character (or restart) ended. A lone start
    // character, ended at once by another, is cut off too.
    FramedText completed() const
    {
        return {completedKind_, QByteArrayView(completed_.data(), qsizetype(completed_.size()))};
    }
    // What has come since the last start character, up to its line end.
    QByteArrayView current() const
    {
        return QByteArrayView(current_.data(), qsizetype(current_.size()));
    }
    bool synchronised() const { return synchronised_; }

private:
    // Keeps characters up to the line end; what follows it, before the next
    // start character, belongs to no sentence. Past the bound nothing more is
    // kept, so a line without an end costs no memory.
    void append(const char* chars, std::size_t n)
    {
        if (lineEnded_) {
            return;
        }
        const char* lf = static_cast<const char*>(std::memchr(chars, '\n', n));
        if (lf) {
            n = std::size_t(lf - chars) + 1;
        }
        const std::size_t room = kMaxSentence - std::min(kMaxSentence, current_.size());
        if (n > room) {
            // One character past the bound marks the line as over-long.
            current_.append(chars, room);
            current_.push_back('\0');
            lineEnded_ = true;
            return;
        }
        current_.append(chars, n);
        lineEnded_ = lf != nullptr;
    }

    // Moves the current text to completed(); false when there is none.
    bool complete()
    {
        if (!synchronised_) {
            return false;
        }
        if (current_.size() > kMaxSentence) {
            completedKind_ = FramedText::OverLong;
            current_.resize(kMaxSentence);
        } else {
            completedKind_ = lineEnded_ ? FramedText::Sentence : FramedText::CutOff;
        }
        // Both buffers keep their room, so framing allocates nothing.
        current_.swap(completed_);
        current_.clear();
        return true;
    }

    bool synchronised_ = false;
    bool lineEnded_ = false; // the current text has its line end, or is over-long
    std::string current_;
    std::string completed_;
    FramedText::Kind completedKind_ = FramedText::Sentence;
};
