// Writing the study file, and keeping every record through a failing medium.

#include "StudyWriter.h"

#include "ByteFiles.h"
#include "FixRecord.h"
#include "PcClock.h"
#include "StudyLayout.h"
#include "Version.h"

#include <QDir>
#include <QFileInfo>

StudyWriter::StudyWriter(ByteFiles& files, const PcClock& clock) : files_(files), clock_(clock) {}

StudyWriter::~StudyWriter() = default;

std::optional<qint64> StudyWriter::claim(const QString& path)
{
    if (claim_ && claim_->isLocked() && path == path_) {
        return std::nullopt;
    }
    // Hidden beside the study file, so that a second copy of the program on
    // another path to the same folder finds it too.
    const QFileInfo study(path);
    auto lock = std::make_unique<QLockFile>(
        study.dir().filePath(u'.' + study.fileName() + QStringLiteral(".lock")));
    // Only a running holder counts: a killed program's claim is stale at once.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) {
            // A folder that takes no lock file cannot take the study file
            // either; opening it says so.
            claim_.reset();
            return std::nullopt;
        }
        qint64 pid = 0;
        QString host, app;
        lock->getLockInfo(&pid, &host, &app);
        return pid;
    }
    claim_ = std::move(lock);
    return std::nullopt;
}

void StudyWriter::setStudy(const QString& path, const PrefsRecord& prefs)
{
    path_ = path;
    prefs_ = prefs;
}

bool StudyWriter::open(bool writeHeader)
{
    const int num = files_.freeFileNumber();
    if (num == 0 || !files_.open(num, path_)) {
        return false;
    }
    StudyFileNum = qint16(num);
    StudyFileOpen = true;
    if (!writeHeader) {
        return true;
    }
    StudyHeader header;
    header.VersionMajor = version::kMajor;
    header.VersionMinor = version::kMinor;
    header.VersionRevision = version::kRevision;
    header.StudyDate = clock_.today();
    header.Prefs = prefs_;
    // A header starts a new study: whatever the file held before (a file the
    // existence test could not see) must not trail behind it.
    if (!files_.setLength(num, 0) || !files_.writeAt(num, 1, header.encode())) {
        files_.close(num);
        StudyFileOpen = false;
        return false;
    }
    StudyDate_ = header.StudyDate;
    NextWritePos = qint32(files_.length(num) + 1);
    holdKeeper();
    return true;
}

void StudyWriter::holdKeeper()
{
    if (keeperNum_ != 0) {
        files_.close(keeperNum_);
    }
    const int num = files_.freeFileNumber();
    keeperNum_ = qint16(num != 0 && files_.open(num, path_, ByteFiles::Access::Read) ? num : 0);
}

// Called each second and at Start: a study file deleted, moved away or
// replaced (a second program, a folder removed and made again) must not
// take further records without the header and the records before them.
void StudyWriter::checkStillAtPath()
{
    if (keeperNum_ == 0 || !rebuild_.isEmpty() || files_.isAt(keeperNum_, path_)) {
        return;
    }
    // All that went to the old file, read back through the handle still open on it.
    const qint64 written = NextWritePos - 1;
    rebuild_ = files_.readAt(keeperNum_, 1, written);
    if (rebuild_.size() != written) {
        rebuild_.clear(); // the old file cannot be read back: nothing better to write
        return;
    }
    if (isOpen()) {
        files_.close(StudyFileNum);
    }
    StudyFileOpen = false;
    // What is in rebuild_ is on no medium at its path yet; the sync log starts afresh.
    sinceSync_.clear();
}

// Writes the study read back from the old file to a new file at the path.
// False while the path cannot take it (its folder is gone).
bool StudyWriter::rebuild()
{
    if (files_.isAt(keeperNum_, path_)) {
        rebuild_.clear(); // the very file came back (a folder renamed and back)
        return true;
    }
    const int num = files_.freeFileNumber();
    if (num == 0 || !files_.open(num, path_)) {
        return false;
    }
    if (!files_.setLength(num, 0) || !files_.writeAt(num, 1, rebuild_) || !files_.sync(num)) {
        files_.close(num);
        return false;
    }
    StudyFileNum = qint16(num);
    StudyFileOpen = true;
    rebuild_.clear();
    ++rebuilds_;
    holdKeeper();
    return true;
}

int StudyWriter::unsavedRecords() const
{
    const qsizetype readBack =
        rebuild_.isEmpty() ? 0 : (rebuild_.size() - StudyHeader::kSize) / FixRecord::kSize;
    return int(unsaved_.size() + readBack);
}

bool StudyWriter::OpenStudyFile(bool WriteHeader)
{
    if (!WriteHeader) {
        checkStillAtPath();
    }
    if (!rebuild_.isEmpty()) {
        rebuild();
    } else if (!open(WriteHeader)) {
        StudyFileOpen = false;
    }
    // Records a previous run could not save come first.
    flush();
    return isOpen();
}

bool StudyWriter::isOpen() const
{
    return StudyFileOpen && files_.isOpen(StudyFileNum);
}

void StudyWriter::WriteFixRecord(const FixRecord& fix)
{
    unsaved_.append(fix.encode());
    flush();
}

void StudyWriter::flush()
{
    // Records never go into a file without its header and the records before them.
    if (!rebuild_.isEmpty() && !rebuild()) {
        return;
    }
    // Reopened quietly: the operator already sees the records waiting.
    if (!unsaved_.isEmpty() && !isOpen()) {
        open(false);
    }
    while (!unsaved_.isEmpty() && isOpen()) {
        if (!files_.writeAt(StudyFileNum, NextWritePos, unsaved_.front())) {
            // Take back any part of the record that did reach the file, so the
            // file never holds a partial record between whole ones.
            files_.setLength(StudyFileNum, NextWritePos - 1);
            mediumFailed();
            break;
        }
        NextWritePos += FixRecord::kSize;
        sinceSync_.append(unsaved_.takeFirst());
    }
}

// A file whose medium failed (a card pulled out and put back) only works
// again when opened afresh, and what went to it since the last good sync may
// never have reached the medium: those records go back in the queue, ahead
// of the rest, to be written again where they were.
void StudyWriter::mediumFailed()
{
    if (isOpen()) {
        files_.close(StudyFileNum);
    }
    StudyFileOpen = false;
    // They lie just before the next write position, one after the other.
    NextWritePos -= qint32(FixRecord::kSize * sinceSync_.size());
    unsaved_ = sinceSync_ + unsaved_;
    sinceSync_.clear();
}

bool StudyWriter::syncOnce()
{
    if (files_.sync(StudyFileNum)) {
        sinceSync_.clear();
        return true;
    }
    mediumFailed();
    return false;
}

void StudyWriter::sync()
{
    checkStillAtPath();
    flush();
    if (!isOpen() || syncOnce()) {
        return;
    }
    flush(); // once more, to a file opened afresh
    if (isOpen()) {
        syncOnce(); // the next attempt comes with the next tick or run
    }
}

void StudyWriter::close()
{
    sync();
    if (isOpen()) {
        files_.close(StudyFileNum);
    }
    StudyFileOpen = false;
}

void StudyWriter::shutdown()
{
    close();
    files_.closeAll();
    keeperNum_ = 0;
    claim_.reset();
}
