#pragma once
// The gd2 command line: arguments in, text for stdout and stderr and an exit
// status out, so that tests drive it without a process.

#include <QByteArray>
#include <QStringList>

namespace gd2 {

struct CliOutput
{
    QByteArray out;
    QByteArray err;
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitBadFile = 1; // unreadable input, or output that cannot be written
constexpr int kExitUsage = 2;

// `args` without the program name.
int runCli(const QStringList& args, CliOutput& io);

QString usageText();

} // namespace gd2
