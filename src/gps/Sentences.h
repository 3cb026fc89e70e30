#pragma once
// Which decoder a completed sentence goes to: one table of sentence tags and
// their decoders, looked up by the sentence's first six characters.

#include "Decoders.h"

#include <QByteArrayView>

using SentenceDecoder = GpsLabels (*)(QByteArrayView sentence, DecodeContext& ctx);

struct SentenceRule
{
    const char* tag; // "RMC", "GGA", "VTG" after "$" and a talker; "@" for the text sentence
    SentenceDecoder decode;
};

// The rule for a sentence, or nothing for one that is only shown. Exact and
// case-sensitive: "$GPRMC", "$GPGGA", "$GPVTG", then "@". With anyTalker, "$"
// and any two capital letters may stand before RMC, GGA and VTG.
const SentenceRule* FindSentence(QByteArrayView sentence, bool anyTalker);

// The rule of a tag ("RMC", "GGA", "VTG" or "@"), for naming the sentence
// that closes a fix; nothing for any other tag.
const SentenceRule* SentenceRuleFor(QByteArrayView tag);
