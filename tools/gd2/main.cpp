// gd2: reads a study file and tells what it holds, in text, CSV, GPX,
// GeoJSON, KML and SVG.

#include "Cli.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Unbuffered: the commands write in pieces of their own and check each.
    QFile out;
    QFile err;
    out.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered);
    gd2::CliOutput io;
    io.outDevice = &out;
    io.errDevice = &err;
    return gd2::runCli(QCoreApplication::arguments().mid(1), io);
}
