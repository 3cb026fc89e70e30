#pragma once
// The collector's signal colours, as the program has always given them:
// &HBBGGRR, blue in the high byte.

#include <QtGlobal>

namespace colours {
constexpr quint32 kLightRed = 0xC0C0FF;    // no run in progress
constexpr quint32 kLightGreen = 0xC0FFC0;  // recording, data arriving
constexpr quint32 kLightYellow = 0xC0FFFF; // data missing or incomplete
} // namespace colours
