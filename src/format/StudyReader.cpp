// Reading a study file back: its header, its records and the runs they form.

#include "StudyReader.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>

namespace gd2 {

namespace {

// Days since 1899-12-30 of 10000-01-01, the first day a Date cannot hold.
constexpr double kDateLimit = 2958466.0;
constexpr qint64 kHalfDayMs = kMsPerDay / 2;

std::optional<qint64> dateStamp(double date)
{
    // 0 is what a record of zero bytes holds, never a receiver's time.
    if (!std::isfinite(date) || date <= 0.0 || date >= kDateLimit) {
        return std::nullopt;
    }
    return std::llround(date * double(kMsPerDay));
}

std::optional<double> within(double v, double low, double high)
{
    if (std::isfinite(v) && v >= low && v <= high) {
        return v;
    }
    return std::nullopt;
}

} // namespace

bool parseStudy(const QByteArray& bytes, Study& study, QString& error)
{
    if (bytes.isEmpty()) {
        error = QStringLiteral("the file is empty");
        return false;
    }
    if (bytes.size() < StudyHeader::kSize) {
        error = QStringLiteral("the file is %1 bytes long, too short for the %2-byte header of a "
                               "study file")
                    .arg(bytes.size())
                    .arg(StudyHeader::kSize);
        return false;
    }
    if (bytes.mid(14, 2) != "XX") {
        error = QStringLiteral("not a study file: bytes 14-15 hold %1, a study file has \"XX\" "
                               "there")
                    .arg(QString::fromLatin1(bytes.mid(14, 2).toHex(' ')));
        return false;
    }
    study = Study();
    study.header = StudyHeader::decode(bytes.left(StudyHeader::kSize));
    study.fileSize = bytes.size();
    const qsizetype body = bytes.size() - StudyHeader::kSize;
    study.trailingBytes = int(body % FixRecord::kSize);
    const qsizetype count = body / FixRecord::kSize;
    study.records.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        study.records.append(FixRecord::decode(
            bytes.mid(StudyHeader::kSize + i * FixRecord::kSize, FixRecord::kSize)));
    }
    return true;
}

bool readStudyFile(const QString& path, Study& study, QString& error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        error = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    if (info.isDir()) {
        error = QStringLiteral("%1: is a folder, not a study file").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: cannot be opened: %2").arg(path, file.errorString());
        return false;
    }
    // A device or pipe may report no size; read one byte past the limit to know.
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize) {
        error = QStringLiteral("%1: larger than %2 bytes, too large for a study file")
                    .arg(path)
                    .arg(kMaxFileSize);
        return false;
    }
    if (!parseStudy(bytes, study, error)) {
        error = path + QStringLiteral(": ") + error;
        return false;
    }
    return true;
}

bool isKnownVersion(const StudyHeader& header)
{
    return header.VersionMajor == 2 && header.VersionMinor == 1 && header.VersionRevision == 2;
}

QString versionText(const StudyHeader& header)
{
    return QStringLiteral("%1.%2.%3")
        .arg(header.VersionMajor)
        .arg(header.VersionMinor)
        .arg(header.VersionRevision);
}

std::optional<qint64> studyDateStamp(const StudyHeader& header)
{
    return dateStamp(header.StudyDate);
}

std::optional<qint64> stampOf(const FixRecord& r)
{
    return dateStamp(r.FixTime);
}

std::optional<double> speedOf(const FixRecord& r)
{
    return within(double(r.SpeedMph), 0.0, HUGE_VAL);
}

std::optional<double> courseOf(const FixRecord& r)
{
    return within(double(r.Course), 0.0, 360.0);
}

std::optional<double> latitudeOf(const FixRecord& r)
{
    return within(r.Latitude, 0.0, 90.0);
}

std::optional<double> longitudeOf(const FixRecord& r)
{
    // 180 itself is left to the other sign, as GPX wants it.
    const auto lon = within(r.Longitude, 0.0, 180.0);
    return lon && *lon < 180.0 ? lon : std::nullopt;
}

std::optional<double> hdopOf(const FixRecord& r)
{
    return within(double(r.HDOP), 0.0, HUGE_VAL);
}

bool hasPosition(const FixRecord& r)
{
    const auto lat = latitudeOf(r);
    const auto lon = longitudeOf(r);
    return lat && lon && *lat != 0.0 && *lon != 0.0;
}

bool isIncomplete(const FixRecord& r)
{
    return !speedOf(r) || !stampOf(r) || !hasPosition(r) || r.FixQuality < 0 || r.NumSats < 0 ||
           !hdopOf(r);
}

QString directionCode(qint16 runDir)
{
    switch (runDir) {
    case 0:
        return {};
    case 1:
        return QStringLiteral("SB");
    case 2:
        return QStringLiteral("NB");
    case 3:
        return QStringLiteral("WB");
    case 4:
        return QStringLiteral("EB");
    default:
        return QString::number(runDir);
    }
}

QList<Run> splitRuns(const QList<FixRecord>& records)
{
    QList<Run> runs;
    // The last time stamp of the run so far; a plain pair, which optimising
    // compilers follow better than an optional through this loop.
    bool havePrevious = false;
    qint64 previous = 0;
    qint64 carry = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const FixRecord& r = records[i];
        if (runs.isEmpty() || runs.last().number != r.RunNum) {
            runs.append(Run{r.RunNum, i, 0, {}, {}, {}, 0});
            havePrevious = false;
            carry = 0;
        }
        Run& run = runs.last();
        ++run.count;
        if (r.RunDir != 0) {
            run.direction = r.RunDir;
        }
        std::optional<qint64> stamp = stampOf(r);
        if (stamp) {
            *stamp += carry;
            if (havePrevious && *stamp < previous) {
                // Back by most of a day: the clock passed midnight.
                const qint64 ahead = *stamp + kMsPerDay - previous;
                if (ahead >= 0 && ahead <= kHalfDayMs) {
                    carry += kMsPerDay;
                    *stamp += kMsPerDay;
                    run.midnights.append(i);
                } else {
                    run.backwards.append(i);
                }
            }
            previous = *stamp;
            havePrevious = true;
        }
        run.stamps.append(stamp);
    }
    return runs;
}

} // namespace gd2
