#pragma once
// Opening a file that is to be read whole (a study, a checkpoint file, a
// timing plan, a log) without ever waiting on it: a pipe waits for a writer
// and a device never ends, so only a regular file is opened. The kind is
// decided on the file as opened, not by its name first, so that a pipe put
// in the name's place between a look and the open is refused all the same.

#include <QFile>
#include <QString>

enum class RegularFile
{
    Opened,
    Missing,
    Folder,
    NotRegular, // a pipe, device or socket
    Failed,     // why says why (no permission, ...)
};

// Opens path read-only into file when it names a regular file.
RegularFile openRegularFile(QFile& file, const QString& path, QString* why = nullptr);
