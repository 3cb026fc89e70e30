#pragma once
// What the program says in its message boxes.

#include <QString>

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
    }
    return text;
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

inline QString linkConnected(const QString& source)
{
    return QStringLiteral("Connected to %1, waiting for sentences").arg(source);
}

inline const QString kDataFileOpenFailed = QStringLiteral(
    "There was a problem opening the data file. Check the Preferences settings and try again.");

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

// While a run cannot reach its study file.
inline QString recordsWaiting(int count, const QString& path)
{
    return QStringLiteral("%1 record(s) not yet saved: the study file %2 cannot be written. "
                          "Recording goes on; they are saved as soon as the file can be opened.")
        .arg(count)
        .arg(path);
}

// At the end of the program, for records that never reached the file.
inline QString recordsNotSaved(int count, const QString& path)
{
    return QStringLiteral("%1 record(s) could not be saved to the study file %2.")
        .arg(count)
        .arg(path);
}

} // namespace msg
