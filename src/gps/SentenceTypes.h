#pragma once
// Which decoder a completed sentence goes to, by its first six characters.

#include <QByteArrayView>
#include <QLatin1StringView>

enum class SentenceType
{
    Other, // shown in the status line, nothing more
    RMC,
    GGA,
    VTG,
    Text, // the fixed-column "@" sentence
};

// Exact and case-sensitive: "$GPRMC", "$GPGGA", "$GPVTG", then "@". With
// anyTalker, "$" and any two capital letters may stand before RMC, GGA and VTG.
SentenceType ClassifySentence(QByteArrayView sentence, bool anyTalker = false);

// "RMC", "GGA" or "VTG", as trigger sentences are named; "" for the others.
QLatin1StringView TypeName(SentenceType type);
