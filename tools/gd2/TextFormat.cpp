// Numbers and times as gd2 writes them.

#include "TextFormat.h"

#include "Conversions.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace gd2 {

namespace {

const QDate kEpoch(1899, 12, 30);

template <typename T> QString shortestFixed(T value)
{
    if (!std::isfinite(value)) {
        return std::isnan(value) ? QStringLiteral("nan")
                                 : (value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf"));
    }
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return QString::fromLatin1(buf, res.ptr - buf);
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

struct Parts
{
    QDate date;
    qint64 msOfDay;
};

Parts split(qint64 ms)
{
    const qint64 days = floorDiv(ms, kMsPerDay);
    return {kEpoch.addDays(days), ms - days * kMsPerDay};
}

// `v` (not negative) in at least `width` digits, as "%0*lld" gives it; a
// format string per field made exports of long studies slow.
void appendDigits(QString& text, qint64 v, int width)
{
    char digits[20];
    int n = 0;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v > 0);
    for (int k = n; k < width; ++k) {
        text += u'0';
    }
    while (n > 0) {
        text += QLatin1Char(digits[--n]);
    }
}

void appendClock(QString& text, qint64 msOfDay, bool withMs)
{
    const qint64 s = msOfDay / 1000;
    appendDigits(text, s / 3600, 2);
    text += u':';
    appendDigits(text, s / 60 % 60, 2);
    text += u':';
    appendDigits(text, s % 60, 2);
    if (withMs && msOfDay % 1000 != 0) {
        text += u'.';
        appendDigits(text, msOfDay % 1000, 3);
    }
}

void appendDate(QString& text, QDate d)
{
    appendDigits(text, d.year(), 4);
    text += u'-';
    appendDigits(text, d.month(), 2);
    text += u'-';
    appendDigits(text, d.day(), 2);
}

} // namespace

QString fixed(double value, int decimals)
{
    return FormatFixed(value, 1, decimals);
}

QString svgNumber(double value)
{
    QString text = fixed(value, 1);
    if (text.endsWith(QStringLiteral(".0"))) {
        text.chop(2);
    }
    return text;
}

double niceStep(double raw)
{
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw) {
            return m * power;
        }
    }
    return 10.0 * power;
}

QString plain(double value)
{
    return shortestFixed(value);
}

QString plain(float value)
{
    return shortestFixed(value);
}

QString isoLocal(qint64 ms)
{
    const Parts p = split(ms);
    QString text;
    text.reserve(23);
    appendDate(text, p.date);
    text += u'T';
    appendClock(text, p.msOfDay, true);
    return text;
}

QString isoUtc(qint64 localMs, int offsetSeconds)
{
    QString text = isoLocal(localMs - qint64(offsetSeconds) * 1000);
    text += u'Z';
    return text;
}

QString isoUtcMs(qint64 localMs, int offsetSeconds)
{
    QString text = isoLocal(localMs - qint64(offsetSeconds) * 1000);
    if (text.size() == 19) {
        text += QStringLiteral(".000");
    }
    text += u'Z';
    return text;
}

QString dateText(qint64 ms)
{
    QString text;
    appendDate(text, split(ms).date);
    return text;
}

QString clockText(qint64 ms)
{
    QString text;
    appendClock(text, split(ms).msOfDay, false);
    return text;
}

QString durationText(qint64 ms)
{
    const qint64 s = (ms < 0 ? -ms + 500 : ms + 500) / 1000;
    return QString::asprintf("%s%lld:%02lld:%02lld", ms <= -500 ? "-" : "", s / 3600, s / 60 % 60,
                             s % 60);
}

int machineUtcOffset(qint64 localMs)
{
    const Parts p = split(localMs);
    return QDateTime(p.date, QTime::fromMSecsSinceStartOfDay(int(p.msOfDay)), Qt::LocalTime)
        .offsetFromUtc();
}

std::optional<int> parseUtcOffset(const QString& text)
{
    const QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty()) {
        return std::nullopt;
    }
    const char* begin = t.constData();
    const char* end = begin + t.size();
    bool negative = false;
    if (*begin == '+' || *begin == '-') {
        negative = *begin == '-';
        ++begin;
    }
    double minutes = 0;
    if (const char* colon = std::find(begin, end, ':'); colon != end) {
        int h = 0;
        int m = 0;
        const auto rh = std::from_chars(begin, colon, h);
        const auto rm = std::from_chars(colon + 1, end, m);
        if (rh.ec != std::errc() || rh.ptr != colon || rm.ec != std::errc() || rm.ptr != end ||
            colon == begin || end - colon != 3 || m >= 60) {
            return std::nullopt;
        }
        minutes = h * 60.0 + m;
    } else {
        double h = 0;
        const auto r = std::from_chars(begin, end, h, std::chars_format::fixed);
        if (r.ec != std::errc() || r.ptr != end || begin == end) {
            return std::nullopt;
        }
        minutes = std::round(h * 60.0);
    }
    if (!(minutes <= 14 * 60.0)) {
        return std::nullopt;
    }
    const int seconds = int(minutes) * 60;
    return negative ? -seconds : seconds;
}

} // namespace gd2
