#pragma once
// What the set-up dialog checks before it writes anything, and the texts it
// shows. None of it needs a window.

#include <QString>
#include <optional>

namespace setup {

// Why a study name prefix cannot name a file, or "" when it can. Refused:
// characters no file name may hold on Windows or here, control characters,
// and ".." (the file must stay in the data folder).
QString prefixProblem(const QString& prefix);

// The study number box: empty gives 0; otherwise a number rounded to the
// nearest whole number (halves to even) within -32768..32767.
std::optional<qint16> studyNumber(const QString& boxText);

// The port box: the whole part of the number its text starts with; nothing
// when that lies outside -32768..32767.
std::optional<qint16> portNumber(const QString& boxText);

// The baud box: a positive whole number of bits a second; nothing otherwise.
std::optional<qint32> baudRate(const QString& boxText);

// Why a receiver name cannot be kept, or "" when it can. Any name is taken,
// one of the list or not, as long as the preferences can hold it.
QString receiverProblem(const QString& name);

// A chosen folder with the separator at its end.
QString folderWithSeparator(const QString& folder);

// Why a data folder cannot take the study, or "" when it can: the
// preferences keep 78 bytes of it in their one-byte code page, and a study
// file must go inside the very folder the operator sees, so the folder must
// fit, be a full path and end with the separator. Whether it exists is left
// to opening the study file.
QString folderProblem(const QString& folder);

// The question of the overwrite confirmation.
QString overwriteQuestion(const QString& prefix, qint16 number, const QString& dataFolder);

inline const QString kStudyNumberNotANumber =
    QStringLiteral("The study number must be a number, for example 1.");

inline QString portNumberOutOfRange(const QString& text)
{
    return QStringLiteral("\"%1\" is not a port number. Choose a port from the list.").arg(text);
}

inline QString notABaudRate(const QString& text)
{
    return QStringLiteral("\"%1\" is not a baud rate. Choose a rate from the list, for example "
                          "4800.")
        .arg(text);
}

// What a checkpoint file that can be used gives the route.
inline QString checkpointsRead(qsizetype count)
{
    return QStringLiteral("%1 checkpoints").arg(count);
}

} // namespace setup
