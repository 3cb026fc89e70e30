#pragma once
// The gd2 command line: arguments in, text for stdout and stderr and an exit
// status out, so that tests drive it without a process.

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <optional>

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
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitBadFile = 1; // unreadable input, or output that cannot be written
constexpr int kExitUsage = 2;

// `args` without the program name.
int runCli(const QStringList& args, CliOutput& io);

QString usageText();

// The words of a command's arguments: files, and options, a "--name=value"
// split at its "=". `option` gets each option's name and its inline value,
// and may take the word after it as its value through `next` (nothing at
// the end); a text it returns is an error that ends the walk, and is
// returned. "--" ends the options; "-" is a file.
using OptionHandler =
    std::function<QString(const QString& name, const std::optional<QString>& inlineValue,
                          const std::function<std::optional<QString>()>& next)>;
QString walkArguments(const QStringList& args, QStringList& files, const OptionHandler& option);

// "gd2: text" on standard error; `raw` as it is.
void say(CliOutput& io, const QString& text);
void sayRaw(CliOutput& io, const QString& raw);

// Writes what `produce` makes to the file `path`, or to standard output when
// `path` is empty; false, having said why, when a write fails or `produce`
// gives up (it returns false). A regular file is replaced only once all is
// written; anything else, such as a device or a pipe, is written in place.
bool writeOutput(CliOutput& io, const QString& path, const std::function<bool(Sink&)>& produce);

} // namespace gd2
