#pragma once
// The one owner of the study file: its file number, whether it is open, the
// position of the next record, the records that have not reached the medium
// yet, the sync each second and at Stop, the reopen and rewrite after the
// medium fails, and the rebuild of a file deleted, moved or replaced under
// the running study. The set-up and the collector ask it; nothing else
// touches the file.

#include "PrefsRecord.h"

#include <QByteArray>
#include <QList>
#include <QLockFile>
#include <QString>

#include <memory>
#include <optional>

class ByteFiles;
class PcClock;
struct FixRecord;

class StudyWriter
{
public:
    StudyWriter(ByteFiles& files, const PcClock& clock);
    ~StudyWriter();

    // One running program per study file: claims the study at path for this
    // program until another is claimed or the program ends. Nothing when it
    // is claimed; otherwise the process that holds it (0 when it cannot be
    // told). A claim left by a program that was killed is taken over.
    std::optional<qint64> claim(const QString& path);

    // The study the set-up accepted: the file's path, and the preferences
    // record its header copies.
    void setStudy(const QString& path, const PrefsRecord& prefs);
    QString path() const { return path_; }
    // The date of the header written in this program run: the date part of
    // every fix time.
    double StudyDate() const { return StudyDate_; }

    // Opens the study file under a free file number (an absent file is
    // created). With WriteHeader the file is started anew: emptied, given
    // today's header, and the next record goes after it. False when the
    // file cannot be opened: the caller tells the operator, in a way that
    // suits the moment. Records that wait from an earlier run are written
    // first.
    bool OpenStudyFile(bool WriteHeader);
    bool isOpen() const;

    // Hands one record to the file at the next position. A record the file
    // cannot take now is kept, in order, and written as soon as the file can
    // be opened again.
    void WriteFixRecord(const FixRecord& fix);
    // Writes what waits, then forces the file onto the medium. A study file
    // that is no longer the one at its path is rebuilt there first.
    void sync();
    // Stop: what can be saved is saved, and the file closed.
    void close();
    // The end of the study: closed for good.
    void shutdown();

    // Records not yet in the file at the study's path; 0 once all are saved.
    int unsavedRecords() const;
    // How often the file was found deleted, moved or replaced and rebuilt
    // from what this program had written, in this program run.
    int rebuilds() const { return rebuilds_; }
    // Found so, and still waiting for its path to take the new file.
    bool rebuildWaiting() const { return !rebuild_.isEmpty(); }

private:
    bool open(bool writeHeader);
    void holdKeeper();
    void flush();
    void checkStillAtPath();
    bool rebuild();
    bool syncOnce();
    void mediumFailed();

    ByteFiles& files_;
    const PcClock& clock_;
    QString path_;
    PrefsRecord prefs_;
    std::unique_ptr<QLockFile> claim_;

    qint16 StudyFileNum = 0;
    // The study file as this program made it, held open (read only) for the
    // whole study: a file deleted or moved under the running study can still
    // be read back from it.
    qint16 keeperNum_ = 0;
    // Header and records read back from the keeper, for a rebuild that waits
    // for the path to take a new file.
    QByteArray rebuild_;
    int rebuilds_ = 0;
    bool StudyFileOpen = false;
    qint32 NextWritePos = 0; // 1-based position of the next fix record
    double StudyDate_ = 0.0; // Date, no time part
    QList<QByteArray> unsaved_;
    // Records written since the last sync that reached the medium.
    QList<QByteArray> sinceSync_;
};
