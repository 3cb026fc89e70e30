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
    return s.startsWith('@') ? &kText : nullptr;
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
