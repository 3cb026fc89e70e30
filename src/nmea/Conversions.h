#pragma once
// Tolerant conversions of received text. None of them ever fails: text that
// does not convert gives the routine's sentinel, and that is the one place
// these sentinels are decided. "." is the decimal point in every locale.

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace sentinel {
constexpr qint16 kInteger = -1;
constexpr float kSingle = -1.0f;
constexpr double kDouble = -1.0;
constexpr double kDate = -1.0; // 29 December 1899 00:00:00
constexpr double kDegrees = -999.0;
} // namespace sentinel

// A decimal number: blanks, optional sign, digits with an optional "." and
// fraction, an optional exponent, blanks. Anything else, the empty text, or a
// value out of range gives the sentinel.
// Received text comes as bytes (QByteArrayView, one character a byte); text
// from the windows as QStringView. Both read the same way.
double SafeDouble(QByteArrayView text);
double SafeDouble(QStringView text);
// The same reading, for callers that must tell a genuine -1 from no number.
std::optional<double> ReadNumber(QStringView text);
float SafeSingle(QByteArrayView text);
float SafeSingle(QStringView text);
// Rounded to the nearest integer, halves to even; outside -32768..32767 gives -1.
qint16 SafeInteger(QByteArrayView text);
qint16 SafeInteger(QStringView text);
// A time of day H:MM or H:MM:SS (hours 0 to 23) as a Date fraction.
double SafeDate(QByteArrayView text);
double SafeDate(QStringView text);

// The number a text starts with, read as far as it goes: blanks, an optional
// sign, digits, "." and digits. 0 when the text starts with anything else.
double LeadingNumber(QByteArrayView text);
double LeadingNumber(QStringView text);

// ddmm.mmmm or dddmm.mmmm to unsigned decimal degrees. A numeric text is
// rewritten in place to the five-digit form with four decimals ("4807.038"
// becomes "04807.0380"), so minutes keep four decimals; -999.0 when the text
// cannot be split into degrees and minutes.
double NmeaToDegrees(QString& text);
// The same degrees, without rewriting the text: what the decoders use.
double NmeaDegrees(QByteArrayView text);

// Six decimals, at least one integer digit.
QString FormatLatitude(double degrees);
QString FormatLongitude(double degrees);

// A number with at least minIntegerDigits integer digits (zero-filled) and
// exactly `decimals` decimals, rounded half away from zero on the value's
// 15-significant-digit decimal form, as a reader of that value would round it.
// "#0.0" is (1, 1), "##0" is (1, 0), "00000.0000" is (5, 4).
QString FormatFixed(double value, int minIntegerDigits, int decimals);
