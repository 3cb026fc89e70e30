#pragma once
// Which ports open, found behind the set-up window. Each port asked about is
// tested in an event-loop turn of its own, so that the window takes keys and
// paints between tests; the answers come as they are known.

#include <QObject>
#include <QQueue>
#include <QTimer>

#include <memory>

class CommPort;

class PortProbe : public QObject
{
    Q_OBJECT

public:
    // port is the probe's own, opened only to see whether a device is there.
    explicit PortProbe(std::unique_ptr<CommPort> port, QObject* parent = nullptr);
    ~PortProbe() override;

    // Tests the port in a later turn; answered() tells how it went.
    void ask(qint16 port);

signals:
    // why says, in the operator's words, why a port does not open.
    void answered(qint16 port, bool opens, const QString& why);

protected:
    // Tests one port and answers, now or later. This one opens the port and
    // closes it again at once, as a serial device allows.
    virtual void test(qint16 port);

private:
    void testNext();

    std::unique_ptr<CommPort> port_;
    QQueue<qint16> waiting_;
    QTimer turn_;
};
