#pragma once
// The study data file's layout: a 272-byte header, then one 48-byte record
// per fix (see FixRecord) from byte 273 on.

#include "PrefsRecord.h"

#include <QByteArray>
#include <QString>

inline const QString DataFileExt = QStringLiteral(".gd2");

struct StudyHeader
{
    static constexpr int kSize = 272;

    qint16 VersionMajor = 0;    //  0-1
    qint16 VersionMinor = 0;    //  2-3
    qint16 VersionRevision = 0; //  4-5
    double StudyDate = 0.0;     //  6-13  Date, no time part
    QByteArray Marker = "XX";   // 14-15
    PrefsRecord Prefs;          // 16-271

    QByteArray encode() const;
    // The first kSize bytes; missing bytes read as zero.
    static StudyHeader decode(const QByteArray& bytes);
};
