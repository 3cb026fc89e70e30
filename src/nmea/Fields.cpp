// Walking the comma-separated fields of a sentence.

#include "Fields.h"

#include <limits>

namespace {

// Where the field at the cursor begins and ends (0-based, end exclusive),
// and where the cursor goes next.
template <typename Text, typename Comma>
std::pair<qsizetype, qsizetype> nextField(const Text& sentence, Comma comma, qint16& cursor)
{
    constexpr int kMaxCursor = std::numeric_limits<qint16>::max();
    const int length = int(qMin<qsizetype>(sentence.size(), kMaxCursor - 1));
    const int pos = cursor;
    if (pos < 1 || pos > length) {
        cursor = qint16(qMin(qMax(pos, 0) + 1, kMaxCursor));
        return {0, 0};
    }
    int end = pos;
    while (end <= length && sentence[end - 1] != comma) {
        ++end;
    }
    // Past a comma the cursor stands after it; at the end it stands at length + 1.
    cursor = qint16(end <= length ? end + 1 : length + 1);
    return {pos - 1, end - 1};
}

} // namespace

QByteArrayView GetNextField(QByteArrayView sentence, qint16& cursor)
{
    const auto [from, to] = nextField(sentence, ',', cursor);
    return sentence.sliced(from, to - from);
}

QString GetNextField(const QString& sentence, qint16& cursor)
{
    const auto [from, to] = nextField(sentence, QChar(u','), cursor);
    return sentence.mid(from, to - from);
}
