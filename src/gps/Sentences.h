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
// case-sensitive: "$GPRMC", "$GPGGA", "$GPVTG"; with anyTalker, "$" and any
// two capital letters may stand before RMC, GGA and VTG. An "@" line is the
// text sentence only when it has that sentence's fixed columns and length:
// line noise holds "@" bytes too.
const SentenceRule* FindSentence(QByteArrayView sentence, bool anyTalker);

// A "$" sentence may end in "*" and two hexadecimal digits before its line
// end: the exclusive or of every character between "$" and "*". A sentence
// without one is taken as it is; the text sentence never has one.
enum class Checksum
{
    Absent,
    Matches,
    Wrong, // a wrong sum, or a "*" anywhere but before the two digits
};
Checksum SentenceChecksum(QByteArrayView sentence);

// The rule of a tag ("RMC", "GGA", "VTG" or "@"), for naming the sentence
// that closes a fix; nothing for any other tag.
const SentenceRule* SentenceRuleFor(QByteArrayView tag);
