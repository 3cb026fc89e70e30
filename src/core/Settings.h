#pragma once
// The study and receiver the operator chose: one value, written only by the
// set-up window and the preferences file code, read by everyone else.

#include "CheckpointFile.h"
#include "PrefsRecord.h"
#include "StudyLayout.h"

#include <QString>

struct StudySettings
{
    QString DataFolder; // ends with the path separator
    QString StudyNamePrefix;
    qint16 StudyNum = 0;
    QString GPSName;
    qint16 CommPort = 1;
    qint32 BaudRate = 4800;
    bool RemoteEnabled = false;
    bool MetricView = false;
    bool RunDirInput = false;
    QString PrefsText;
    // The route's checkpoint file, empty for none. It is remembered beside
    // the preferences, not in them: their 256 bytes stay as they are.
    QString CheckpointFile;
    // Its checkpoints in driving order, as read when the set-up was accepted.
    QList<route::Checkpoint> Checkpoints;
    // The record as the preferences file last held it; its bytes that no
    // setting covers are carried through unchanged.
    PrefsRecord Prefs;
};

// Data folder, prefix, "-", the study number in decimal, extension.
inline QString StudyFilePath(const StudySettings& s)
{
    return s.DataFolder + s.StudyNamePrefix + u'-' + QString::number(s.StudyNum) + DataFileExt;
}
