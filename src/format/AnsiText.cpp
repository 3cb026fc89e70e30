// Windows-1252 text fields.

#include "AnsiText.h"

#include <array>

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes it leaves undefined.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return c;
    }
    for (int i = 0; i < int(kHigh.size()); ++i) {
        if (kHigh[i] != 0 && kHigh[i] == c) {
            return 0x80 + i;
        }
    }
    // The five undefined bytes decode to themselves, so they must encode back.
    if (c >= 0x80 && c <= 0x9F && kHigh[c - 0x80] == 0) {
        return c;
    }
    return -1;
}

} // namespace

namespace ansi {

QByteArray encode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) {
        int b = byteFor(ch.unicode());
        out.append(char(b < 0 ? '?' : b));
    }
    return out;
}

QString decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char byte : bytes) {
        auto b = static_cast<unsigned char>(byte);
        char16_t c = b;
        if (b >= 0x80 && b <= 0x9F) {
            c = kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : char16_t(b);
        }
        out.append(QChar(c));
    }
    return out;
}

bool canEncode(const QString& text)
{
    for (QChar ch : text) {
        if (byteFor(ch.unicode()) < 0) {
            return false;
        }
    }
    return true;
}

QByteArray fixedField(const QString& text, int length)
{
    QByteArray bytes = encode(text).left(length);
    bytes.append(QByteArray(length - bytes.size(), ' '));
    return bytes;
}

QString trimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') {
        ++first;
    }
    while (last > first && text[last - 1] == u' ') {
        --last;
    }
    return text.mid(first, last - first);
}

} // namespace ansi
