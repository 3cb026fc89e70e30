// gd2: reads a study file and tells what it holds, in text, CSV, GPX,
// GeoJSON and SVG.

#include "Cli.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    gd2::CliOutput io;
    const int status = gd2::runCli(QCoreApplication::arguments().mid(1), io);
    // Warnings first, so that they stand above the output on a terminal.
    std::fwrite(io.err.constData(), 1, std::size_t(io.err.size()), stderr);
    std::fflush(stderr);
    std::fwrite(io.out.constData(), 1, std::size_t(io.out.size()), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : gd2::kExitBadFile;
}
