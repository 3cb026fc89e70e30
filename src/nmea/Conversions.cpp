#include "Conversions.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The number's text without blanks and without a leading "+", checked against
// the grammar so that from_chars never sees "inf", "nan", hex or a bare sign.
std::optional<std::string> numberText(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    std::string out;
    qsizetype i = first;
    if (i < last && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') {
            out.push_back('-');
        }
        ++i;
    }
    int mantissaDigits = 0;
    while (i < last && isDigit(text[i])) {
        out.push_back(char(text[i++].unicode()));
        ++mantissaDigits;
    }
    if (i < last && text[i] == u'.') {
        out.push_back('.');
        ++i;
        while (i < last && isDigit(text[i])) {
            out.push_back(char(text[i++].unicode()));
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (i < last && (text[i] == u'e' || text[i] == u'E')) {
        out.push_back('e');
        ++i;
        if (i < last && (text[i] == u'+' || text[i] == u'-')) {
            out.push_back(char(text[i++].unicode()));
        }
        int exponentDigits = 0;
        while (i < last && isDigit(text[i])) {
            out.push_back(char(text[i++].unicode()));
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (i != last) {
        return std::nullopt;
    }
    return out;
}

template <typename T> std::optional<T> scan(QStringView text)
{
    std::optional<std::string> s = numberText(text);
    if (!s) {
        return std::nullopt;
    }
    T value{};
    auto [ptr, ec] = std::from_chars(s->data(), s->data() + s->size(), value);
    if (ec != std::errc() || ptr != s->data() + s->size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// One or two digits, 0..max.
std::optional<int> clockPart(QStringView part, int max)
{
    if (part.isEmpty() || part.size() > 2 || !isDigit(part[0]) ||
        (part.size() == 2 && !isDigit(part[1]))) {
        return std::nullopt;
    }
    int v = part.toInt();
    if (v > max) {
        return std::nullopt;
    }
    return v;
}

} // namespace

double SafeDouble(QStringView text)
{
    return ReadNumber(text).value_or(sentinel::kDouble);
}

std::optional<double> ReadNumber(QStringView text)
{
    return scan<double>(text);
}

float SafeSingle(QStringView text)
{
    // Read straight into single precision, so the value is rounded only once.
    return scan<float>(text).value_or(sentinel::kSingle);
}

qint16 SafeInteger(QStringView text)
{
    std::optional<double> v = scan<double>(text);
    if (!v || *v < -32768.5 || *v > 32767.5) {
        return sentinel::kInteger;
    }
    double rounded = std::nearbyint(*v); // the default rounding mode: halves to even
    if (rounded < -32768.0 || rounded > 32767.0) {
        return sentinel::kInteger;
    }
    return qint16(rounded);
}

double SafeDate(QStringView text)
{
    QStringView t = text.trimmed();
    qsizetype c1 = t.indexOf(u':');
    if (c1 < 0) {
        return sentinel::kDate;
    }
    qsizetype c2 = t.indexOf(u':', c1 + 1);
    QStringView minutes = c2 < 0 ? t.sliced(c1 + 1) : t.sliced(c1 + 1, c2 - c1 - 1);
    std::optional<int> h = clockPart(t.first(c1), 23);
    std::optional<int> m = clockPart(minutes, 59);
    std::optional<int> s = c2 < 0 ? std::optional<int>(0) : clockPart(t.sliced(c2 + 1), 59);
    if (!h || !m || !s) {
        return sentinel::kDate;
    }
    return (*h * 3600 + *m * 60 + *s) / 86400.0;
}

double LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
        }
    }
    return scan<double>(text.sliced(start, i - start)).value_or(0.0);
}

double NmeaToDegrees(QString& text)
{
    if (std::optional<double> v = scan<double>(text)) {
        text = FormatFixed(*v, 5, 4);
    }
    const qsizetype p = text.indexOf(u'.') + 1; // 1-based, 0 when absent
    const qsizetype start = p - 5;
    if (p == 0 || start < 1) {
        return sentinel::kDegrees;
    }
    std::optional<double> degrees = scan<double>(QStringView(text).sliced(start - 1).first(
        qMin<qsizetype>(p - 3, text.size() - (start - 1))));
    std::optional<double> minutes = scan<double>(QStringView(text).sliced(p - 3));
    if (!degrees || !minutes) {
        return sentinel::kDegrees;
    }
    // Each part is read back from its display form, as the position format defines it.
    return SafeDouble(FormatFixed(*minutes, 1, 4)) / 60.0 +
           SafeInteger(FormatFixed(*degrees, 1, 0));
}

QString FormatLatitude(double degrees)
{
    return FormatFixed(degrees, 1, 6);
}

QString FormatLongitude(double degrees)
{
    return FormatFixed(degrees, 1, 6);
}

QString FormatFixed(double value, int minIntegerDigits, int decimals)
{
    if (!std::isfinite(value)) {
        return QStringLiteral("?");
    }
    // |value| as 15 significant digits and a decimal exponent.
    char buf[64];
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    const auto ePos = sci.find('e');
    const std::string mantissa = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    const int pointIndex = std::stoi(sci.substr(ePos + 1)) + 1; // digits before the point

    // The digits of round(|value| * 10^decimals), rounding half away from zero.
    const int keep = pointIndex + decimals;
    std::string digits;
    bool roundUp = false;
    if (keep < 0) {
        roundUp = false;
    } else if (keep == 0) {
        roundUp = mantissa[0] >= '5';
    } else if (keep >= int(mantissa.size())) {
        digits = mantissa + std::string(std::size_t(keep) - mantissa.size(), '0');
    } else {
        digits = mantissa.substr(0, std::size_t(keep));
        roundUp = mantissa[std::size_t(keep)] >= '5';
    }
    if (roundUp) {
        int i = int(digits.size()) - 1;
        while (i >= 0 && digits[std::size_t(i)] == '9') {
            digits[std::size_t(i--)] = '0';
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[std::size_t(i)];
        }
    }
    const bool isZero = digits.find_first_not_of('0') == std::string::npos;
    const std::size_t width = std::size_t(decimals + minIntegerDigits);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    std::string integer = digits.substr(0, digits.size() - std::size_t(decimals));
    const auto firstSignificant = integer.find_first_not_of('0');
    integer.erase(
        0, std::min(firstSignificant == std::string::npos ? integer.size() : firstSignificant,
                    integer.size() - std::size_t(minIntegerDigits)));
    std::string out = (value < 0 && !isZero) ? "-" : "";
    out += integer;
    if (decimals > 0) {
        out += '.';
        out += digits.substr(digits.size() - std::size_t(decimals));
    }
    return QString::fromLatin1(out);
}
