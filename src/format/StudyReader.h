#pragma once
// A study file as read from disk: the header, the whole records, and what
// is known of the bytes around them; the readings of each record field that
// the analyses rely on; and the runs the records form.

#include "FixRecord.h"
#include "StudyLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace gd2 {

// Time stamps are milliseconds since 1899-12-30 00:00 local time, the study
// file's Date in whole milliseconds.
constexpr qint64 kMsPerDay = 86'400'000;

// Larger files are refused rather than read whole: even a day of fixes at
// one a second is only 4 MB.
constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;

struct Study
{
    StudyHeader header;
    QList<FixRecord> records;
    qint64 fileSize = 0;
    // Bytes after the last whole record: a record cut short.
    int trailingBytes = 0;
};

// Fills `study` from the bytes of a file, or says why they are no study file.
bool parseStudy(const QByteArray& bytes, Study& study, QString& error);
bool readStudyFile(const QString& path, Study& study, QString& error);

bool isKnownVersion(const StudyHeader& header);
QString versionText(const StudyHeader& header);
// The study date, when the header holds a usable one.
std::optional<qint64> studyDateStamp(const StudyHeader& header);

// The fields as analyses read them: nothing for the missing values and for
// values no receiver could have produced.
std::optional<qint64> stampOf(const FixRecord& r); // FixTime in ms
std::optional<double> speedOf(const FixRecord& r);
std::optional<double> courseOf(const FixRecord& r);
std::optional<double> latitudeOf(const FixRecord& r);
std::optional<double> longitudeOf(const FixRecord& r);
std::optional<double> hdopOf(const FixRecord& r);
// A usable latitude and longitude, neither of them 0.
bool hasPosition(const FixRecord& r);
// Speed, time, position, quality, satellites or HDOP missing.
bool isIncomplete(const FixRecord& r);

// "SB", "NB", "WB", "EB"; empty for none; the number for anything else.
QString directionCode(qint16 runDir);

// Consecutive records with one run number.
struct Run
{
    qint16 number = 0;
    qsizetype first = 0; // index into Study::records
    qsizetype count = 0;
    // Per record of the run, its time. The collector stamps each fix with the
    // study date and the time of day, so a run past midnight steps back a
    // day: from there on, a day is added.
    QList<std::optional<qint64>> stamps;
    QList<qsizetype> midnights; // records where a day was added
    QList<qsizetype> backwards; // records earlier than the one before them
    // The last direction chosen in the run (the first records may still
    // carry the previous run's).
    qint16 direction = 0;
};

QList<Run> splitRuns(const QList<FixRecord>& records);

} // namespace gd2
