#include "Fields.h"

#include <limits>

QString GetNextField(const QString& sentence, qint16& cursor)
{
    constexpr int kMaxCursor = std::numeric_limits<qint16>::max();
    const int length = int(qMin<qsizetype>(sentence.size(), kMaxCursor - 1));
    int pos = cursor;
    if (pos < 1 || pos > length) {
        cursor = qint16(qMin(qMax(pos, 0) + 1, kMaxCursor));
        return {};
    }
    int end = pos;
    while (end <= length && sentence[end - 1] != u',') {
        ++end;
    }
    QString field = sentence.mid(pos - 1, end - pos);
    // Past a comma the cursor stands after it; at the end it stands at length + 1.
    cursor = qint16(end <= length ? end + 1 : length + 1);
    return field;
}
