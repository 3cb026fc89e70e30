// Tolerant number, time and position conversions.

#include "Conversions.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Received fields are short; a longer text is copied to the heap, which only
// hostile input ever needs.
class Chars
{
public:
    explicit Chars(QByteArrayView text) : view_(text.data(), std::size_t(text.size())) {}
    explicit Chars(QStringView text)
    {
        char* out = text.size() <= qsizetype(sizeof small_) ? small_ : nullptr;
        if (!out) {
            heap_.resize(std::size_t(text.size()));
            out = heap_.data();
        }
        for (qsizetype i = 0; i < text.size(); ++i) {
            // Only ASCII can be part of a number; anything else stops the reading.
            const char16_t c = text[i].unicode();
            out[i] = c < 128 ? char(c) : '\x7f';
        }
        view_ = std::string_view(out, std::size_t(text.size()));
    }
    Chars(const Chars&) = delete;
    Chars& operator=(const Chars&) = delete;

    std::string_view view() const { return view_; }

private:
    char small_[64];
    std::string heap_;
    std::string_view view_;
};

std::string_view trimBlanks(std::string_view t)
{
    while (!t.empty() && isBlank(t.front())) {
        t.remove_prefix(1);
    }
    while (!t.empty() && isBlank(t.back())) {
        t.remove_suffix(1);
    }
    return t;
}

std::optional<double> plainDecimal(std::string_view t, std::size_t sign)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::int64_t digits = 0;
    int count = 0;
    int decimals = -1;
    for (std::size_t i = sign; i < t.size(); ++i) {
        const char c = t[i];
        if (isDigit(c)) {
            if (++count > 15) {
                return std::nullopt;
            }
            digits = digits * 10 + (c - '0');
            if (decimals >= 0) {
                ++decimals;
            }
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return std::nullopt; // an exponent: the general reading
        }
    }
    const double value = decimals > 0 ? double(digits) / kPowers[decimals] : double(digits);
    return sign == 1 && t[0] == '-' ? -value : value;
}

// Checks the text against the number grammar (so that from_chars never sees
// "inf", "nan", hex or a bare sign) and reads it.
template <typename T> std::optional<T> scan(std::string_view text)
{
    const std::string_view t = trimBlanks(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    const std::size_t sign = i;
    std::size_t mantissaDigits = 0;
    while (i < t.size() && isDigit(t[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < t.size() && isDigit(t[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (i != t.size()) {
        return std::nullopt;
    }
    if constexpr (std::is_same_v<T, double>) {
        // Receiver fields are short plain decimals: read exactly from their
        // digits (at most 15, an exact integer divided by an exact power of
        // ten is correctly rounded), the general reading only for the rest.
        if (std::optional<double> v = plainDecimal(t, sign)) {
            return v;
        }
    }
    // from_chars takes no "+".
    const char* first = t.data() + (sign == 1 && t[0] == '+' ? 1 : 0);
    T value{};
    const auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

qint16 toInteger(std::optional<double> v)
{
    if (!v || *v < -32768.5 || *v > 32767.5) {
        return sentinel::kInteger;
    }
    const double rounded = std::nearbyint(*v); // the default rounding mode: halves to even
    if (rounded < -32768.0 || rounded > 32767.0) {
        return sentinel::kInteger;
    }
    return qint16(rounded);
}

// One or two digits, 0..max.
std::optional<int> clockPart(std::string_view part, int max)
{
    if (part.empty() || part.size() > 2 || !isDigit(part[0]) ||
        (part.size() == 2 && !isDigit(part[1]))) {
        return std::nullopt;
    }
    const int v = part.size() == 1 ? part[0] - '0' : (part[0] - '0') * 10 + (part[1] - '0');
    if (v > max) {
        return std::nullopt;
    }
    return v;
}

double dateOf(std::string_view text)
{
    const std::string_view t = trimBlanks(text);
    const std::size_t c1 = t.find(':');
    if (c1 == std::string_view::npos) {
        return sentinel::kDate;
    }
    const std::size_t c2 = t.find(':', c1 + 1);
    const std::string_view minutes =
        c2 == std::string_view::npos ? t.substr(c1 + 1) : t.substr(c1 + 1, c2 - c1 - 1);
    const std::optional<int> h = clockPart(t.substr(0, c1), 23);
    const std::optional<int> m = clockPart(minutes, 59);
    const std::optional<int> s =
        c2 == std::string_view::npos ? std::optional<int>(0) : clockPart(t.substr(c2 + 1), 59);
    if (!h || !m || !s) {
        return sentinel::kDate;
    }
    return (*h * 3600 + *m * 60 + *s) / 86400.0;
}

double leadingNumberOf(std::string_view t)
{
    std::size_t i = 0;
    while (i < t.size() && isBlank(t[i])) {
        ++i;
    }
    const std::size_t start = i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    while (i < t.size() && isDigit(t[i])) {
        ++i;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            ++i;
        }
    }
    return scan<double>(t.substr(start, i - start)).value_or(0.0);
}

// ddmm.mmmm read straight from its digits: the minutes rounded to four
// decimals half away from zero, as the five-digit form rounds them. Only
// for plain digits with at most 15 significant; anything else goes the
// long way, through the rewritten text.
std::optional<double> plainDegrees(std::string_view t)
{
    if (t.empty() || t.size() > 24) {
        return std::nullopt;
    }
    std::size_t i = 0;
    long long whole = 0;
    std::size_t wholeDigits = 0;
    while (i < t.size() && isDigit(t[i])) {
        if (++wholeDigits > 5) {
            return std::nullopt;
        }
        whole = whole * 10 + (t[i++] - '0');
    }
    long long fraction = 0; // in units of 1e-4
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            if (fractionDigits < 4) {
                fraction = fraction * 10 + (t[i] - '0');
            } else if (fractionDigits == 4) {
                roundUp = t[i] >= '5';
            }
            ++fractionDigits;
            ++i;
        }
    }
    if (i != t.size() || wholeDigits == 0 || wholeDigits > 5 ||
        wholeDigits + std::size_t(fractionDigits) > 15) {
        return std::nullopt;
    }
    for (int k = fractionDigits; k < 4; ++k) {
        fraction *= 10;
    }
    long long scaled = whole * 10000 + fraction + (roundUp ? 1 : 0);
    if (scaled >= 1000000000LL) {
        return std::nullopt; // six integer digits: the degrees slot moves
    }
    const long long degrees = scaled / 1000000;
    const double minutes = double(scaled % 1000000) / 10000.0;
    return minutes / 60.0 + double(degrees);
}

} // namespace

double SafeDouble(QByteArrayView text)
{
    return scan<double>(Chars(text).view()).value_or(sentinel::kDouble);
}

double SafeDouble(QStringView text)
{
    return ReadNumber(text).value_or(sentinel::kDouble);
}

std::optional<double> ReadNumber(QStringView text)
{
    return scan<double>(Chars(text).view());
}

// Read straight into single precision, so the value is rounded only once.
float SafeSingle(QByteArrayView text)
{
    return scan<float>(Chars(text).view()).value_or(sentinel::kSingle);
}

float SafeSingle(QStringView text)
{
    return scan<float>(Chars(text).view()).value_or(sentinel::kSingle);
}

qint16 SafeInteger(QByteArrayView text)
{
    return toInteger(scan<double>(Chars(text).view()));
}

qint16 SafeInteger(QStringView text)
{
    return toInteger(scan<double>(Chars(text).view()));
}

double SafeDate(QByteArrayView text)
{
    return dateOf(Chars(text).view());
}

double SafeDate(QStringView text)
{
    return dateOf(Chars(text).view());
}

double LeadingNumber(QByteArrayView text)
{
    return leadingNumberOf(Chars(text).view());
}

double LeadingNumber(QStringView text)
{
    return leadingNumberOf(Chars(text).view());
}

double NmeaToDegrees(QString& text)
{
    if (std::optional<double> v = scan<double>(Chars(QStringView(text)).view())) {
        text = FormatFixed(*v, 5, 4);
    }
    const qsizetype p = text.indexOf(u'.') + 1; // 1-based, 0 when absent
    const qsizetype start = p - 5;
    if (p == 0 || start < 1) {
        return sentinel::kDegrees;
    }
    const QStringView degreesText = QStringView(text).sliced(start - 1).first(
        qMin<qsizetype>(p - 3, text.size() - (start - 1)));
    const std::optional<double> degrees = scan<double>(Chars(degreesText).view());
    const std::optional<double> minutes =
        scan<double>(Chars(QStringView(text).sliced(p - 3)).view());
    if (!degrees || !minutes) {
        return sentinel::kDegrees;
    }
    // Each part is read back from its display form, as the position format defines it.
    return SafeDouble(FormatFixed(*minutes, 1, 4)) / 60.0 +
           SafeInteger(FormatFixed(*degrees, 1, 0));
}

double NmeaDegrees(QByteArrayView text)
{
    if (std::optional<double> fast =
            plainDegrees(std::string_view(text.data(), std::size_t(text.size())))) {
        return *fast;
    }
    QString copy = QString::fromLatin1(text.data(), text.size());
    return NmeaToDegrees(copy);
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
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view sci(buf, std::size_t(res.ptr - buf));
    const std::size_t ePos = sci.find('e');
    char mantissa[16];
    mantissa[0] = sci[0];
    sci.copy(mantissa + 1, ePos - 2, 2);
    const int mantissaSize = int(ePos) - 1;
    int exponent = 0;
    std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                    exponent);
    const int pointIndex = exponent + 1; // digits before the point

    // The digits of round(|value| * 10^decimals), rounding half away from zero.
    const int keep = pointIndex + decimals;
    std::string digits;
    bool roundUp = false;
    if (keep == 0) {
        roundUp = mantissa[0] >= '5';
    } else if (keep > 0) {
        digits.assign(mantissa, std::size_t(std::min(keep, mantissaSize)));
        if (keep > mantissaSize) {
            digits.append(std::size_t(keep - mantissaSize), '0');
        } else if (keep < mantissaSize) {
            roundUp = mantissa[keep] >= '5';
        }
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
    // Leading zeros beyond the minimum integer digits go.
    std::size_t integerDigits = digits.size() - std::size_t(decimals);
    std::size_t skip = 0;
    while (integerDigits - skip > std::size_t(minIntegerDigits) && digits[skip] == '0') {
        ++skip;
    }
    QString out;
    out.reserve(qsizetype(digits.size() - skip + 2));
    if (value < 0 && !isZero) {
        out.append(u'-');
    }
    out.append(QLatin1StringView(digits.data() + skip, qsizetype(integerDigits - skip)));
    if (decimals > 0) {
        out.append(u'.');
        out.append(QLatin1StringView(digits.data() + integerDigits, decimals));
    }
    return out;
}
