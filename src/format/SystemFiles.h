#pragma once
// What the system tells of files, the same on every system: a file opened to
// be read whole only when it is a regular file, and a file's identity across
// its names.

#include <QFile>
#include <QString>

#include <optional>

// Opening a file that is to be read whole (a study, a checkpoint file, a
// timing plan, a log) without ever waiting on it: a pipe waits for a writer
// and a device never ends, so only a regular file is opened. The kind is
// decided on the file as opened, not by its name first, so that a pipe put
// in the name's place between a look and the open is refused all the same.
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

// A file's identity, the same for every name of it: "A.gd2", "./A.gd2", its
// absolute path, a link to it (the device and inode; on Windows the volume's
// serial number and the file's index).
struct FileIdentity
{
    quint64 volume = 0;
    quint64 index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
std::optional<FileIdentity> fileIdentity(const QString& path);
// Of an open file, when it is a regular file on a disk (not a terminal or a
// pipe), with a name it can be opened again by to be read.
struct OpenFileIdentity
{
    FileIdentity id;
    QString readableName;
};
std::optional<OpenFileIdentity> openFileIdentity(const QFile& file);
