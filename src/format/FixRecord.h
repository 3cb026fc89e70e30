#pragma once
// The current fix as the decoders fill it, and as the study file stores it:
// 48 bytes, little-endian, packed.

#include <QByteArray>

namespace missing {
constexpr qint16 kInteger = -1;
constexpr float kSingle = -1.0f;
constexpr double kDouble = -1.0;
constexpr float kCourse = 9999.0f;
} // namespace missing

struct FixRecord
{
    static constexpr int kSize = 48;

    // A new record holds the missing values, so that a field no sentence
    // supplied is never stored as a false zero.
    qint16 RunNum = 0;                     //  0-1
    qint16 FixQuality = missing::kInteger; //  2-3
    float SpeedMph = missing::kSingle;     //  4-7
    float Course = missing::kCourse;       //  8-11
    double FixTime = missing::kDouble;     // 12-19  Date
    double Latitude = missing::kDouble;    // 20-27
    double Longitude = missing::kDouble;   // 28-35
    qint16 NumSats = missing::kInteger;    // 36-37
    float HDOP = missing::kSingle;         // 38-41
    qint16 NodeNum = 0;                    // 42-43
    qint16 DelayNum = missing::kInteger;   // 44-45
    qint16 RunDir = 0;                     // 46-47

    QByteArray encode() const;
    // The first kSize bytes; missing bytes read as zero.
    static FixRecord decode(const QByteArray& bytes);

    // After a write: every fix field back to missing; the node number follows
    // the run's current node; run number and direction carry on.
    void resetAfterWrite(qint16 curNodeNum);

    bool operator==(const FixRecord&) const = default;
};
