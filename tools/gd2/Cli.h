#pragma once
// The gd2 command line: arguments in, text for stdout and stderr and an exit
// status out, so that tests drive it without a process. Every command is a
// row of one table (name, options, handler, help) that dispatch, --help,
// the argument checks and bash completion all read.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>
#include <functional>

class QIODevice;

namespace gd2 {

class Sink;

struct CliOutput
{
    // Where the text collects when no device is given, as in the tests.
    QByteArray out;
    QByteArray err;
    // The program's standard output and error: text goes there as it is
    // made, so that a large study's output never stands whole in memory.
    QIODevice* outDevice = nullptr;
    QIODevice* errDevice = nullptr;
    // The study files the command reads: no file it writes may be one.
    QStringList studies;
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitBadFile = 1; // unreadable input, or output that cannot be written
constexpr int kExitUsage = 2;   // wrong arguments, an output that is a study file among them

// What bash offers for an option's value.
enum class Complete
{
    Nothing,
    File,
    Folder,
    Words
};

// What an option's value names, so that no output can be a study file.
enum class Role
{
    Plain,
    Study,        // a study file read, as the command's files are
    Output,       // a file written
    OutputFolder, // a folder files are written in
};

struct Option
{
    const char* name;            // "--csv", "-o"
    const char* value = nullptr; // its value's name, "FILE"; none for a switch
    const char* help = "";
    Complete complete = Complete::Nothing;
    // The values it takes, when they are few: checked, listed and completed.
    QStringList words = {};
    bool required = false;
    bool repeats = false; // each use adds a value
    const char* alias = nullptr;
    Role role = Role::Plain;
    // For an output folder, the names of the files written there ("run-*.svg").
    const char* folderFiles = nullptr;
};

// A command's words as checked against its options.
struct Arguments
{
    QStringList files;
    QMap<QString, QStringList> values; // option name: its values (a switch: one empty)
    bool has(const char* option) const { return values.contains(QLatin1String(option)); }
    QString value(const char* option) const { return values.value(QLatin1String(option)).value(0); }
    QStringList all(const char* option) const { return values.value(QLatin1String(option)); }
};

struct Command
{
    const char* name;
    const char* help; // one line
    QList<Option> options;
    // The study files: how many, and how the synopsis names them.
    int minFiles = 1;
    int maxFiles = 1;
    const char* filesName = "FILE";
    // Checks what the table cannot, then does the work; an exit status.
    std::function<int(const Arguments&, CliOutput&)> run;
};

// The commands, in the order --help lists them.
const QList<Command>& commands();

// `args` without the program name.
int runCli(const QStringList& args, CliOutput& io);

QString usageText();
// A bash completion script for gd2, from the table.
QString bashCompletion();

// "gd2: text" on standard error; `raw` as it is.
void say(CliOutput& io, const QString& text);
void sayRaw(CliOutput& io, const QString& raw);
// A wrong argument: said, with the usage, and the exit status for it.
int usageError(CliOutput& io, const QString& text);

// Writes what `produce` makes to the file `path`, or to standard output when
// `path` is empty; false, having said why, when a write fails, `path` is a
// study file (`io.studies` or any other), or `produce` gives up (it returns
// false). A regular file is replaced only once all is written; anything
// else, such as a device or a pipe, is written in place.
bool writeOutput(CliOutput& io, const QString& path, const std::function<bool(Sink&)>& produce);

} // namespace gd2
