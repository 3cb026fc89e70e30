#pragma once
// Fixed-layout values in the preferences and study files: every field is
// little-endian and stands at an explicit byte offset of its record.

#include <QByteArray>
#include <QtEndian>
#include <bit>
#include <cstdint>

namespace le {

inline void putI16(QByteArray& rec, int offset, qint16 v)
{
    qToLittleEndian<qint16>(v, rec.data() + offset);
}
inline void putI32(QByteArray& rec, int offset, qint32 v)
{
    qToLittleEndian<qint32>(v, rec.data() + offset);
}
inline void putF32(QByteArray& rec, int offset, float v)
{
    qToLittleEndian<quint32>(std::bit_cast<quint32>(v), rec.data() + offset);
}
inline void putF64(QByteArray& rec, int offset, double v)
{
    qToLittleEndian<quint64>(std::bit_cast<quint64>(v), rec.data() + offset);
}
inline void putBytes(QByteArray& rec, int offset, const QByteArray& bytes)
{
    rec.replace(offset, bytes.size(), bytes);
}

inline qint16 getI16(const QByteArray& rec, int offset)
{
    return qFromLittleEndian<qint16>(rec.constData() + offset);
}
inline qint32 getI32(const QByteArray& rec, int offset)
{
    return qFromLittleEndian<qint32>(rec.constData() + offset);
}
inline float getF32(const QByteArray& rec, int offset)
{
    return std::bit_cast<float>(qFromLittleEndian<quint32>(rec.constData() + offset));
}
inline double getF64(const QByteArray& rec, int offset)
{
    return std::bit_cast<double>(qFromLittleEndian<quint64>(rec.constData() + offset));
}

} // namespace le
