#pragma once
// The set-up window's port tests on this machine: a serial device is opened
// and closed again at once; a receiver on the network is asked for a
// connection without waiting for it, so that sources that do not answer are
// waited for all at once, each for a second at most.

#include "PortProbe.h"

class QtPortProbe final : public PortProbe
{
    Q_OBJECT

public:
    // programFolder is where "ports/comN" entries are looked for.
    explicit QtPortProbe(QString programFolder, QObject* parent = nullptr);

protected:
    void test(qint16 port) override;

private:
    QString programFolder_;
};
