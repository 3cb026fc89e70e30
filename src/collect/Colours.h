#pragma once
// The collector's signal colours, as the program has always given them:
// &HBBGGRR, blue in the high byte.

#include <QColor>

namespace colours {
constexpr quint32 kLightRed = 0xC0C0FF;    // no run in progress
constexpr quint32 kLightGreen = 0xC0FFC0;  // recording, data arriving
constexpr quint32 kLightYellow = 0xC0FFFF; // data missing or incomplete

inline QColor toQColor(quint32 bbggrr)
{
    return QColor(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF), int((bbggrr >> 16) & 0xFF));
}
} // namespace colours
