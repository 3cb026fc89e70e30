#pragma once
// The preferences record: 256 bytes in the preferences file and, as a copy,
// in the header of every study file.

#include <QByteArray>
#include <QString>

struct PrefsRecord
{
    static constexpr int kSize = 256;
    static constexpr int kFolderLen = 78;
    static constexpr int kReceiverLen = 64;
    static constexpr int kText20Len = 20;
    static constexpr int kSpareLen = 82;

    // Text fields keep their fixed, space-padded bytes, so what was read is
    // written back byte for byte.
    QByteArray Folder = QByteArray(kFolderLen, ' ');     //   0-77
    qint16 Port = 0;                                     //  78-79
    QByteArray Receiver = QByteArray(kReceiverLen, ' '); //  80-143
    QByteArray Text20 = QByteArray(kText20Len, ' ');     // 144-163
    qint16 Remote = 0;                                   // 164-165  Boolean
    qint16 Metric = 0;                                   // 166-167  Boolean
    qint16 RunDirIn = 0;                                 // 168-169  Boolean
    qint32 Baud = 0;                                     // 170-173
    QByteArray Spare = QByteArray(kSpareLen, '\0');      // 174-255  never assigned

    QByteArray encode() const;

    // Which fields a file held in full; a short file leaves the rest absent.
    struct Present
    {
        bool Folder = false, Port = false, Receiver = false, Text20 = false, Remote = false,
             Metric = false, RunDirIn = false, Baud = false;
    };
    // Fields wholly inside bytes are read; the others keep their values here,
    // and Spare takes whatever of its bytes exist, zero beyond.
    static PrefsRecord decode(const QByteArray& bytes, Present* present = nullptr);
};

// The Boolean of both file formats: True is -1 (all bits set), False 0.
constexpr qint16 toVbBool(bool b)
{
    return b ? qint16(-1) : qint16(0);
}
constexpr bool fromVbBool(qint16 v)
{
    return v != 0;
}
