#pragma once
// What the program says in its message boxes.

#include <QString>
#include <QStringList>

namespace msg {

inline const QString kPortOpenFailed =
    QStringLiteral("There was a problem opening your communications port");

// With the reason when the port could tell it.
inline QString portOpenFailed(const QString& why)
{
    return why.isEmpty() ? kPortOpenFailed : kPortOpenFailed + QStringLiteral(": ") + why;
}

// A serial device that another program reads: both would get half the sentences.
inline QString deviceHeld(const QString& device, const QString& program, qint64 pid)
{
    QString text = QStringLiteral("%1 is held by %2 (process %3)").arg(device, program).arg(pid);
    if (program == QStringLiteral("gpsd")) {
        text += QStringLiteral("; use a gpsd:// port or stop gpsd");
    } else if (program == QStringLiteral("ModemManager")) {
        text += QStringLiteral("; it tries every new serial device as a modem: try again in a "
                               "few seconds, or stop it with `sudo systemctl stop ModemManager`");
    }
    return text;
}

// A serial device this user may not open, and what to do about it.
inline QString deviceNotInGroup(const QString& device, const QString& group)
{
    return QStringLiteral("%1: permission denied. It belongs to the group %2; add yourself with "
                          "`sudo adduser $USER %2` and log in again")
        .arg(device, group);
}

inline QString deviceGroupSinceLogin(const QString& device, const QString& group)
{
    return QStringLiteral("%1: permission denied. It belongs to the group %2, which you joined "
                          "after logging in; log out and in again")
        .arg(device, group);
}

inline QString deviceDenied(const QString& device, const QString& group)
{
    return QStringLiteral("%1: permission denied (the device belongs to the group %2)")
        .arg(device, group);
}

// The status line while a receiver on the network is out of reach.
inline QString linkDown(const QString& source, bool wasConnected, const QString& reason,
                        int pauseMs)
{
    return QStringLiteral("%1 %2 (%3); trying again in %4 s")
        .arg(wasConnected ? QStringLiteral("Lost the connection to")
                          : QStringLiteral("Cannot connect to"),
             source, reason, QString::number(pauseMs / 1000.0));
}

// The status line before a line that is no sentence, saying why.
inline constexpr char kBadChecksum[] = "Bad checksum: ";
inline constexpr char kCutOff[] = "Cut off: ";
inline constexpr char kOverLong[] = "Over-long line: ";

// Before every status line once sentences have been dropped: how many, and why.
inline QString droppedSentences(int badChecksum, int cutOff, int overLong)
{
    QStringList parts;
    if (badChecksum > 0) {
        parts << QStringLiteral("%1 bad checksum%2")
                     .arg(badChecksum)
                     .arg(badChecksum == 1 ? "" : "s");
    }
    if (cutOff > 0) {
        parts << QStringLiteral("%1 cut off").arg(cutOff);
    }
    if (overLong > 0) {
        parts << QStringLiteral("%1 over-long").arg(overLong);
    }
    return QStringLiteral("[Dropped: %1] ").arg(parts.join(QStringLiteral(", ")));
}

inline QString linkConnected(const QString& source)
{
    return QStringLiteral("Connected to %1, waiting for sentences").arg(source);
}

// What gpsd answered instead of sentences, such as a device it cannot open.
inline QString gpsdError(const QString& source, const QString& message)
{
    return QStringLiteral("%1 says: %2").arg(source, message);
}

inline const QString kDataFileOpenFailed = QStringLiteral(
    "There was a problem opening the data file. Check the Preferences settings and try again.");

// The data folder has gone since it was chosen (a copy of the program
// unpacked without it, or a folder deleted).
inline QString dataFolderMissing(const QString& folder)
{
    return QStringLiteral("The data folder %1 does not exist. Choose the data folder again.")
        .arg(folder);
}

inline QString prefsReadFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("The preferences file %1 could not be read (%2). "
                          "The default settings are used for this session.")
        .arg(path, reason);
}

inline QString prefsWriteFailed(const QString& path, const QString& reason)
{
    return QStringLiteral("The preferences could not be saved to %1 (%2). "
                          "The settings will not be remembered at the next start.")
        .arg(path, reason);
}

inline QString checkpointFileNotSaved(const QString& path)
{
    return QStringLiteral("The choice of checkpoint file could not be saved to %1. "
                          "It will not be remembered at the next start.")
        .arg(path);
}

// While a run cannot reach its study file.
inline QString recordsWaiting(int count, const QString& path)
{
    return QStringLiteral("%1 record(s) not yet saved: the study file %2 cannot be written. "
                          "Recording goes on; they are saved as soon as the file can be opened.")
        .arg(count)
        .arg(path);
}

// The set-up's study is being recorded by another running copy of the program.
inline QString studyInUse(const QString& path, qint64 pid)
{
    return QStringLiteral("The study %1 is being recorded by another copy of this program%2. "
                          "Choose another study name or number, or end that copy first.")
        .arg(path, pid > 0 ? QStringLiteral(" (process %1)").arg(pid) : QString());
}

// A run started while its study file cannot be opened.
inline QString studyFileNotOpened(const QString& path)
{
    return QStringLiteral("The study file %1 cannot be opened. Recording goes on; the records "
                          "are saved as soon as it can be opened.")
        .arg(path);
}

// The study file was deleted, moved or replaced under the running study.
inline QString studyFileGone(const QString& path, int count)
{
    return QStringLiteral("The study file %1 was deleted or moved. Recording goes on; it is "
                          "made again there with its %2 record(s) as soon as its folder can be "
                          "written.")
        .arg(path)
        .arg(count);
}

inline QString studyFileRebuilt(const QString& path)
{
    return QStringLiteral("The study file %1 was deleted or moved during the study; it has been "
                          "made again there with every record so far.")
        .arg(path);
}

// Before the study ends with records that never reached the file.
inline QString endWithRecordsUnsaved(int count, const QString& path)
{
    return QStringLiteral("%1 record(s) could not be saved to the study file %2 yet. "
                          "End the study anyway? They will be lost.")
        .arg(count)
        .arg(path);
}

} // namespace msg
