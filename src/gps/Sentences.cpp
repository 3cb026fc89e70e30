// The sentence table and its lookup.

#include "Sentences.h"

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
// receiver puts there: "#" a digit, "_" a digit or the no-value underscore,
// "H" and "E" a hemisphere letter (or "_"), "L" the status letter, "?" any
// printable character.
bool hasTextShape(QByteArrayView s)
{
    // clang-format off
    //                                  date time   lat     lon      status   velocities
    static constexpr char kColumns[] = "@############H_______E________L?????????E____H____?????";
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
        const bool digit = c >= '0' && c <= '9';
        bool ok = false;
        switch (kColumns[i]) {
        case '@':
            ok = c == '@';
            break;
        case '#':
            ok = digit;
            break;
        case '_':
            ok = digit || c == '_';
            break;
        case 'H': // north or south
            ok = c == 'N' || c == 'S' || c == '_';
            break;
        case 'E': // east or west
            ok = c == 'E' || c == 'W' || c == '_';
            break;
        case 'L': // the position status letter
            ok = isCapital(c) || c == '_';
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
