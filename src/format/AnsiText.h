#pragma once
// Text fields of the binary files hold one byte per character in the ANSI
// code page of the Windows machines the analysis software runs on
// (Windows-1252), whatever this machine's own encoding is.

#include <QByteArray>
#include <QString>

namespace ansi {

// Characters Windows-1252 cannot hold become "?", as Windows itself does.
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);

// True when every character has a byte of its own in Windows-1252.
bool canEncode(const QString& text);

// A fixed-length field: a shorter text is padded with spaces, a longer one cut.
QByteArray fixedField(const QString& text, int length);
// Leading and trailing spaces removed; other characters, NUL included, stay.
QString trimSpaces(const QString& text);

} // namespace ansi
