#pragma once
// Which other programs have a serial device open. Two readers of one device
// each get part of the sentences, so the collector does not open a device
// another program reads; the operator is told which one.

#include <QString>
#include <vector>

namespace ports {

struct Holder
{
    qint64 pid = 0;
    QString name; // as the system names the process ("gpsd")
};

// Processes other than this one that have device (a path or a link to one)
// open, as far as the system lets this program see. The program that feeds
// a pseudo-terminal holds both its sides and does not count.
std::vector<Holder> holdersOf(const QString& device);

} // namespace ports
