#pragma once
// The state every window shares for the whole program run, and the adapters
// through which the core reaches files, clock, screen and message boxes.

#include "FixRecord.h"
#include "GpsClock.h"
#include "PrefsRecord.h"

#include <QString>

class ByteFiles;
class PcClock;
class ScreenMetrics;
class UserMessages;

struct Platform
{
    ByteFiles* files = nullptr;
    PcClock* clock = nullptr;
    ScreenMetrics* screen = nullptr;
    UserMessages* messages = nullptr;

    // The real ones: the program's file table, the PC clock, the primary
    // screen and Qt message boxes.
    static Platform system();
};

struct modVeltripMain
{
    Platform platform;

    QString PrefsFile;   // program folder / "Veltrip.bin"
    QString DataFileExt; // ".gd2"
    QString DataFolder;  // ends with the path separator
    QString StudyNamePrefix;
    qint16 StudyNum = 0;
    QString GPSName;
    QString TriggerSentence; // "GGA", "RMC" or "VTG"
    bool AnyTalker = false;  // RMC, GGA and VTG taken from any talker, not only "GP"
    qint16 CommPort = 0;
    qint32 BaudRate = 0;
    bool RemoteEnabled = false;
    bool MetricView = false;
    bool RunDirInput = false;
    QString PrefsText;
    PrefsRecord Prefs;

    qint16 StudyFileNum = 0;
    bool StudyFileOpen = false;
    bool WriteHeader = false;
    bool OverwriteOK = false;
    qint32 NextWritePos = 0; // 1-based position of the next fix record
    double StudyDate = 0.0;  // Date, no time part
    FixRecord CurFix;
    qint16 TimeOffsetHr = kOffsetUndetermined;
    bool ScreenIs800 = false;
};

// The program's one shared state.
modVeltripMain& SharedState();

// True for an existing plain file that is not hidden; folders and hidden
// files count as absent, as a directory search for normal files sees them.
bool FileExists(const QString& path);

// The folder the program runs from, without a separator at its end.
QString ProgramFolder();
