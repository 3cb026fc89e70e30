#pragma once
// What the program says in its message boxes.

#include <QString>

namespace msg {

inline const QString kPortOpenFailed =
    QStringLiteral("There was a problem opening your communications port");

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

} // namespace msg
