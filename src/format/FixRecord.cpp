// The 48-byte fix record.

#include "FixRecord.h"

#include "LittleEndian.h"

QByteArray FixRecord::encode() const
{
    QByteArray r(kSize, '\0');
    le::putI16(r, 0, RunNum);
    le::putI16(r, 2, FixQuality);
    le::putF32(r, 4, SpeedMph);
    le::putF32(r, 8, Course);
    le::putF64(r, 12, FixTime);
    le::putF64(r, 20, Latitude);
    le::putF64(r, 28, Longitude);
    le::putI16(r, 36, NumSats);
    le::putF32(r, 38, HDOP);
    le::putI16(r, 42, NodeNum);
    le::putI16(r, 44, DelayNum);
    le::putI16(r, 46, RunDir);
    return r;
}

FixRecord FixRecord::decode(const QByteArray& bytes)
{
    // A short buffer reads as if zero-filled rather than past its end.
    const QByteArray r = bytes.size() >= kSize ? bytes : bytes.leftJustified(kSize, '\0');
    FixRecord f;
    f.RunNum = le::getI16(r, 0);
    f.FixQuality = le::getI16(r, 2);
    f.SpeedMph = le::getF32(r, 4);
    f.Course = le::getF32(r, 8);
    f.FixTime = le::getF64(r, 12);
    f.Latitude = le::getF64(r, 20);
    f.Longitude = le::getF64(r, 28);
    f.NumSats = le::getI16(r, 36);
    f.HDOP = le::getF32(r, 38);
    f.NodeNum = le::getI16(r, 42);
    f.DelayNum = le::getI16(r, 44);
    f.RunDir = le::getI16(r, 46);
    return f;
}

void FixRecord::resetAfterWrite(qint16 curNodeNum)
{
    NodeNum = curNodeNum;
    DelayNum = missing::kInteger;
    HDOP = missing::kSingle;
    Latitude = missing::kDouble;
    Longitude = missing::kDouble;
    FixQuality = missing::kInteger;
    NumSats = missing::kInteger;
    SpeedMph = missing::kSingle;
    FixTime = missing::kDouble;
    Course = missing::kCourse;
}
