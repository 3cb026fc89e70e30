#pragma once
// A study file as read from disk: the header, the whole records, and what
// is known of the bytes around them; the readings of each record field that
// the analyses rely on; and the runs the records form.

#include "FixRecord.h"
#include "StudyLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
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
    // A digest of the header and the whole records, so that a study given
    // twice under two names is known; equal digests are confirmed byte by byte.
    std::size_t digest = 0;
};

// Fills `study` from the bytes of a file, or says why they are no study file.
bool parseStudy(const QByteArray& bytes, Study& study, QString& error);
bool readStudyFile(const QString& path, Study& study, QString& error);
// The same without holding the records: `study` gets the header and sizes,
// and each whole record goes to `each` in file order as it is read, so that
// an archive of studies is read in the memory of one piece.
bool streamStudyFile(const QString& path, Study& study,
                     const std::function<void(const FixRecord&)>& each, QString& error);

// Whether the first bytes of a file of `size` bytes begin a study file.
bool beginsStudy(const QByteArray& head, qint64 size);

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

// The time of each record of a study, taken in file order. The collector
// stamps every fix with the study date and its time of day, so the clock
// seems to step back a day at midnight: within a run, a step back of most of
// a day adds a day from there on, and a run that starts earlier in the day
// than the run before it ended is on the next day.
class RunDating
{
public:
    struct Dated
    {
        bool runStarts = false;
        std::optional<qint64> stamp;
        bool midnight = false;  // a day added here, within the run
        bool backwards = false; // earlier than the fix before it in the run
    };
    Dated next(const FixRecord& r);
    // Whole days the current run's times lie after the dates stored.
    int daysAdded() const { return int(carry_ / kMsPerDay); }

private:
    bool inRun_ = false;
    qint16 number_ = 0;
    // Plain values: optimising compilers follow them better than optionals
    // through this loop.
    bool timedInRun_ = false;
    qint64 previous_ = 0; // the run's last time so far
    bool timedBefore_ = false;
    qint64 lastEnd_ = 0; // the last time of the runs before
    qint64 carry_ = 0;
};

// Consecutive records with one run number.
struct Run
{
    qint16 number = 0;
    qsizetype first = 0; // index into Study::records
    qsizetype count = 0;
    // Per record of the run, its time as RunDating gives it.
    QList<std::optional<qint64>> stamps;
    QList<qsizetype> midnights; // records where a day was added
    QList<qsizetype> backwards; // records earlier than the one before them
    int daysAdded = 0;          // at the run's start, to the dates stored
    // The last direction chosen in the run (the first records may still
    // carry the previous run's).
    qint16 direction = 0;
};

QList<Run> splitRuns(const QList<FixRecord>& records);

} // namespace gd2
