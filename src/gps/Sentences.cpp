// The sentence table and its lookup.

#include "Sentences.h"

#include <cstring>

namespace {

constexpr SentenceRule kSentences[] = {
    {"RMC", DecodeRMC},
    {"GGA", DecodeGGA},
    {"VTG", DecodeVTG},
    {"@", DecodeTextSentence},
};
constexpr const SentenceRule& kText = kSentences[3];

bool isCapital(char c)
{
    return c >= 'A' && c <= 'Z';
}

// The text sentence is a fixed-column line: "@", 55 characters in all, then
// its line end. Line noise completes an "@" sentence too (any "@" byte does),
// so only a line of that shape is taken for one. Each column holds what the
// receiver puts there, and a receiver fills any value it lacks with
// underscores, its clock's included: "_" a digit or the underscore, "H" and
// "E" a hemisphere letter (or "_"), "L" the position status (3-D "G", 2-D "g",
// differential "D" and "d", simulated "S", none "_"), "?" any printable
// character in the columns that are not read.
bool hasTextShape(QByteArrayView s)
{
    // clang-format off
    //                                  date time   lat     lon      status   velocities
    static constexpr char kColumns[] = "@____________H_______E________L?????????E____H____?????";
    // clang-format on
    constexpr qsizetype kLength = sizeof kColumns - 1;
    if (s.size() < kLength + 1) {
        return false;
    }
    for (qsizetype i = kLength; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n') {
            return false;
        }
    }
    for (qsizetype i = 0; i < kLength; ++i) {
        const char c = s[i];
        bool ok = false;
        switch (kColumns[i]) {
        case '@':
            ok = c == '@';
            break;
        case '_':
            ok = (c >= '0' && c <= '9') || c == '_';
            break;
        case 'H': // north or south
            ok = c == 'N' || c == 'S' || c == '_';
            break;
        case 'E': // east or west
            ok = c == 'E' || c == 'W' || c == '_';
            break;
        case 'L':
            ok = std::strchr("GgDdS_", c) != nullptr && c != '\0';
            break;
        default:
            ok = c > ' ' && c < 127;
            break;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

const SentenceRule* FindSentence(QByteArrayView s, bool anyTalker)
{
    if (s.size() >= 6 && s[0] == '$') {
        const bool gp = s[1] == 'G' && s[2] == 'P';
        if (gp || (anyTalker && isCapital(s[1]) && isCapital(s[2]))) {
            // Three letters never match the text sentence's tag.
            if (const SentenceRule* rule = SentenceRuleFor(s.sliced(3, 3))) {
                return rule;
            }
        }
    }
    return hasTextShape(s) ? &kText : nullptr;
}

const SentenceRule* SentenceRuleFor(QByteArrayView tag)
{
    for (const SentenceRule& rule : kSentences) {
        if (tag == rule.tag) {
            return &rule;
        }
    }
    return nullptr;
}

Checksum SentenceChecksum(QByteArrayView s)
{
    if (!s.startsWith('$')) {
        return Checksum::Absent;
    }
    qsizetype end = s.size();
    while (end > 0 && (s[end - 1] == '\n' || s[end - 1] == '\r')) {
        --end;
    }
    const qsizetype star = s.first(end).indexOf('*');
    if (star < 0) {
        return Checksum::Absent;
    }
    // The "*" may stand only right before two hexadecimal digits and the
    // line end: anything else is a checksum that a bit error has reached.
    if (star != end - 3) {
        return Checksum::Wrong;
    }
    const int high = hexDigit(s[star + 1]);
    const int low = hexDigit(s[star + 2]);
    if (high < 0 || low < 0) {
        return Checksum::Wrong;
    }
    unsigned sum = 0;
    for (qsizetype i = 1; i < star; ++i) {
        sum ^= static_cast<unsigned char>(s[i]);
    }
    return sum == unsigned(high * 16 + low) ? Checksum::Matches : Checksum::Wrong;
}
