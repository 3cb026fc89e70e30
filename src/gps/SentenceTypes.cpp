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

} // namespace

SentenceType ClassifySentence(const QString& sentence)
{
    for (const Tag& t : kTags) {
        if (sentence.startsWith(QStringView(t.tag))) {
            return t.type;
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
