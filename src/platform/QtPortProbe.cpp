// Port tests that wait for no network source.

#include "QtPortProbe.h"

#include "NetworkLink.h"
#include "PortDirectory.h"
#include "SystemCommPort.h"

namespace {

// A source that has not answered within this is taken as not there.
constexpr int kAnswerMs = 1000;

} // namespace

QtPortProbe::QtPortProbe(QString programFolder, QObject* parent)
    : PortProbe(makeCommPort(programFolder), parent), programFolder_(std::move(programFolder))
{
}

void QtPortProbe::test(qint16 port)
{
    const ports::PortEntry entry = ports::portEntry(port, programFolder_);
    if (!entry.network()) {
        PortProbe::test(port);
        return;
    }
    NetworkLink::probeLater(entry, kAnswerMs, this, [this, port](bool opened, const QString& why) {
        emit answered(port, opened, why);
    });
}
