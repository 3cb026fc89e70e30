#include "SentenceTypes.h"

#include <array>

namespace {

struct Tag
{
    const char16_t* tag;
    SentenceType type;
};

constexpr std::array<Tag, 3> kTags = {{
    {u"$GPRMC", SentenceType::RMC},
    {u"$GPGGA", SentenceType::GGA},
    {u"$GPVTG", SentenceType::VTG},
}};

bool isCapital(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

} // namespace

SentenceType ClassifySentence(const QString& sentence, bool anyTalker)
{
    for (const Tag& t : kTags) {
        if (sentence.startsWith(QStringView(t.tag))) {
            return t.type;
        }
    }
    if (anyTalker && sentence.size() >= 6 && sentence[0] == u'$' && isCapital(sentence[1]) &&
        isCapital(sentence[2])) {
        const QStringView type = QStringView(sentence).sliced(3, 3);
        for (const Tag& t : kTags) {
            if (type == QStringView(t.tag).sliced(3)) {
                return t.type;
            }
        }
    }
    return sentence.startsWith(u'@') ? SentenceType::Text : SentenceType::Other;
}

QString TypeName(SentenceType type)
{
    switch (type) {
    case SentenceType::RMC:
        return QStringLiteral("RMC");
    case SentenceType::GGA:
        return QStringLiteral("GGA");
    case SentenceType::VTG:
        return QStringLiteral("VTG");
    default:
        return {};
    }
}
