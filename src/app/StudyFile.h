#pragma once
// The study data file: a 272-byte header, then one 48-byte record per fix.

#include "PrefsRecord.h"

#include <QByteArray>
#include <QString>

struct modVeltripMain;

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

// Data folder, prefix, "-", the study number in decimal, extension.
QString StudyFilePath(const modVeltripMain& m);

// Opens the study file under a free file number (an absent file is created).
// With WriteHeader the file is started anew: emptied, given today's header
// and NextWritePos set after it. On failure the data-file message is shown
// and StudyFileOpen is false.
void OpenStudyFile(modVeltripMain& m, const bool& WriteHeader);

// Reopens the study file without a header and without a message; false when
// it cannot be opened. For retrying while a run goes on.
bool ReopenStudyFile(modVeltripMain& m);

// True while the study file is open under StudyFileNum.
bool StudyFileIsOpen(const modVeltripMain& m);

// Writes one record at NextWritePos and moves NextWritePos on by one record.
// False, with NextWritePos unchanged, when the file is not open or the write
// fails; the next write then goes to the same place, so the file never holds
// a gap or a partial record between whole ones.
bool WriteRecord(modVeltripMain& m, const QByteArray& record);
