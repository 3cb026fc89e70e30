#pragma once
// Cutting the serial stream into sentences at "$" and "@".
//
// Receivers send the last sentence of a cycle only when the next one starts,
// so a sentence is complete when the next start character arrives. Until the
// first start character everything is thrown away (the tail of a sentence
// already under way when the port opened); after it there is no way back.

#include <QString>
#include <optional>

class SentenceFramer
{
public:
    // Far beyond the 82 characters of a real sentence: a stream without start
    // characters cannot grow the sentence past this.
    static constexpr qsizetype kMaxSentence = 4096;

    // Handles one character; returns the completed sentence when c starts the
    // next one. The returned text starts with its start character and runs
    // up to, not including, c.
    std::optional<QString> feed(QChar c);

    bool synchronised() const { return synchronised_; }
    const QString& current() const { return current_; }

private:
    bool synchronised_ = false;
    QString current_;
};

inline bool isStartCharacter(QChar c)
{
    return c == u'$' || c == u'@';
}
