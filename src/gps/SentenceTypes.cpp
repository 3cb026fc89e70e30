#include "SentenceTypes.h"

#include <array>

namespace {

struct Tag
{
    const char* type; // the three letters after the talker
    SentenceType sentence;
};

constexpr std::array<Tag, 3> kTags = {{
    {"RMC", SentenceType::RMC},
    {"GGA", SentenceType::GGA},
    {"VTG", SentenceType::VTG},
}};

bool isCapital(char c)
{
    return c >= 'A' && c <= 'Z';
}

} // namespace

SentenceType ClassifySentence(QByteArrayView s, bool anyTalker)
{
    if (s.size() >= 6 && s[0] == '$') {
        const bool gp = s[1] == 'G' && s[2] == 'P';
        if (gp || (anyTalker && isCapital(s[1]) && isCapital(s[2]))) {
            const QByteArrayView type = s.sliced(3, 3);
            for (const Tag& t : kTags) {
                if (type == t.type) {
                    return t.sentence;
                }
            }
        }
    }
    return s.startsWith('@') ? SentenceType::Text : SentenceType::Other;
}

QLatin1StringView TypeName(SentenceType type)
{
    for (const Tag& t : kTags) {
        if (t.sentence == type) {
            return QLatin1StringView(t.type);
        }
    }
    return {};
}
