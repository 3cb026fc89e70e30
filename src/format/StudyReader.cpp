// Reading a study file back: its header, its records and the runs they form.

#include "StudyReader.h"

#include "SystemFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
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

namespace {

// Records are read and digested this many at a time.
constexpr qsizetype kPieceRecords = 4096;

// Why the first bytes of a file of `size` bytes are no study file; empty
// when they begin one.
QString headerError(const QByteArray& head, qint64 size)
{
    if (size == 0) {
        return QStringLiteral("the file is empty");
    }
    if (size < StudyHeader::kSize) {
        return QStringLiteral("the file is %1 bytes long, too short for the %2-byte header of a "
                              "study file")
            .arg(size)
            .arg(StudyHeader::kSize);
    }
    if (head.mid(14, 2) != "XX") {
        return QStringLiteral("not a study file: bytes 14-15 hold %1, a study file has \"XX\" "
                              "there")
            .arg(QString::fromLatin1(head.mid(14, 2).toHex(' ')));
    }
    return {};
}

void startStudy(const QByteArray& head, qint64 size, Study& study)
{
    study = Study();
    study.header = StudyHeader::decode(head.left(StudyHeader::kSize));
    study.fileSize = size;
    const qint64 body = size - StudyHeader::kSize;
    study.trailingBytes = int(body % FixRecord::kSize);
}

void appendRecords(const char* data, qsizetype count, QList<FixRecord>& records)
{
    for (qsizetype i = 0; i < count; ++i) {
        records.append(FixRecord::decode(
            QByteArray::fromRawData(data + i * FixRecord::kSize, FixRecord::kSize)));
    }
}

} // namespace

bool parseStudy(const QByteArray& bytes, Study& study, QString& error)
{
    error = headerError(bytes, bytes.size());
    if (!error.isEmpty()) {
        return false;
    }
    startStudy(bytes, bytes.size(), study);
    const qsizetype whole = (bytes.size() - StudyHeader::kSize) / FixRecord::kSize;
    study.digest = qHash(QByteArrayView(bytes).first(StudyHeader::kSize));
    for (qsizetype k = 0; k < whole; k += kPieceRecords) {
        study.digest =
            qHash(QByteArrayView(bytes).sliced(StudyHeader::kSize + k * FixRecord::kSize,
                                               qMin(kPieceRecords, whole - k) * FixRecord::kSize),
                  study.digest);
    }
    study.records.reserve((bytes.size() - StudyHeader::kSize) / FixRecord::kSize);
    appendRecords(bytes.constData() + StudyHeader::kSize,
                  (bytes.size() - StudyHeader::kSize) / FixRecord::kSize, study.records);
    return true;
}

bool readStudyFile(const QString& path, Study& study, QString& error)
{
    QList<FixRecord> records;
    const bool read = streamStudyFile(
        path, study, [&records](const FixRecord& r) { records.append(r); }, error);
    study.records = std::move(records);
    return read;
}

bool streamStudyFile(const QString& path, Study& study,
                     const std::function<void(const FixRecord&)>& each, QString& error)
{
    QFile file;
    QString why;
    switch (openRegularFile(file, path, &why)) {
    case RegularFile::Opened:
        break;
    case RegularFile::Missing:
        error = QStringLiteral("%1: no such file").arg(path);
        return false;
    case RegularFile::Folder:
        error = QStringLiteral("%1: is a folder, not a study file").arg(path);
        return false;
    case RegularFile::NotRegular:
        error = QStringLiteral("%1: not a regular file (a pipe, device or socket)").arg(path);
        return false;
    case RegularFile::Failed:
        error = QStringLiteral("%1: cannot be opened: %2").arg(path, why);
        return false;
    }
    // The size as the file was opened: records a collector appends meanwhile
    // are left for the next reading.
    const qint64 size = file.size();
    if (size > kMaxFileSize) {
        error = QStringLiteral("%1: larger than %2 bytes, too large for a study file")
                    .arg(path)
                    .arg(kMaxFileSize);
        return false;
    }
    const QByteArray head = file.read(StudyHeader::kSize);
    error = headerError(head, size);
    if (error.isEmpty()) {
        startStudy(head, size, study);
        study.digest = qHash(QByteArrayView(head));
        // Decoded a piece at a time, so that the bytes never stand whole
        // beside the records.
        qsizetype left = qsizetype((size - StudyHeader::kSize) / FixRecord::kSize);
        while (left > 0 && error.isEmpty()) {
            const qsizetype count = qMin(left, kPieceRecords);
            const QByteArray piece = file.read(count * FixRecord::kSize);
            if (piece.size() != count * FixRecord::kSize) {
                error = QStringLiteral("cannot be read to its end: %1").arg(file.errorString());
            }
            study.digest = qHash(QByteArrayView(piece), study.digest);
            for (qsizetype i = 0; i < piece.size() / FixRecord::kSize; ++i) {
                each(FixRecord::decode(QByteArray::fromRawData(
                    piece.constData() + i * FixRecord::kSize, FixRecord::kSize)));
            }
            left -= count;
        }
    }
    if (!error.isEmpty()) {
        error = path + QStringLiteral(": ") + error;
        return false;
    }
    return true;
}

bool beginsStudy(const QByteArray& head, qint64 size)
{
    return headerError(head, size).isEmpty();
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

RunDating::Dated RunDating::next(const FixRecord& r)
{
    Dated d;
    if (!inRun_ || r.RunNum != number_) {
        if (timedInRun_) {
            lastEnd_ = previous_;
            timedBefore_ = true;
        }
        inRun_ = true;
        number_ = r.RunNum;
        timedInRun_ = false;
        d.runStarts = true;
    }
    d.stamp = stampOf(r);
    if (!d.stamp) {
        return d;
    }
    if (!timedInRun_ && timedBefore_ && *d.stamp + carry_ < lastEnd_) {
        carry_ += kMsPerDay;
    }
    *d.stamp += carry_;
    if (timedInRun_ && *d.stamp < previous_) {
        // Back by most of a day: the clock passed midnight.
        const qint64 ahead = *d.stamp + kMsPerDay - previous_;
        if (ahead >= 0 && ahead <= kHalfDayMs) {
            carry_ += kMsPerDay;
            *d.stamp += kMsPerDay;
            d.midnight = true;
        } else {
            d.backwards = true;
        }
    }
    previous_ = *d.stamp;
    timedInRun_ = true;
    return d;
}

QList<Run> splitRuns(const QList<FixRecord>& records)
{
    QList<Run> runs;
    RunDating dating;
    bool timed = false; // the run so far
    for (qsizetype i = 0; i < records.size(); ++i) {
        const FixRecord& r = records[i];
        const RunDating::Dated d = dating.next(r);
        if (d.runStarts) {
            runs.append(Run{r.RunNum, i, 0, {}, {}, {}, 0, 0});
            timed = false;
        }
        Run& run = runs.last();
        if (d.stamp && !timed) {
            run.daysAdded = dating.daysAdded();
            timed = true;
        }
        ++run.count;
        if (r.RunDir != 0) {
            run.direction = r.RunDir;
        }
        if (d.midnight) {
            run.midnights.append(i);
        }
        if (d.backwards) {
            run.backwards.append(i);
        }
        run.stamps.append(d.stamp);
    }
    return runs;
}

} // namespace gd2
