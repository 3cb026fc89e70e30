// Testing ports one event-loop turn at a time.

#include "PortProbe.h"

#include "CommPort.h"

PortProbe::PortProbe(std::unique_ptr<CommPort> port, QObject* parent)
    : QObject(parent), port_(std::move(port))
{
    // A zero interval runs once the window's own events are handled.
    turn_.setInterval(0);
    connect(&turn_, &QTimer::timeout, this, &PortProbe::testNext);
}

PortProbe::~PortProbe() = default;

void PortProbe::ask(qint16 port)
{
    waiting_.enqueue(port);
    turn_.start();
}

void PortProbe::testNext()
{
    if (waiting_.isEmpty()) {
        turn_.stop();
        return;
    }
    test(waiting_.dequeue());
}

void PortProbe::test(qint16 port)
{
    const bool opens =
        port_->setCommPort(port) && port_->setPortOpen(true) && port_->setPortOpen(false);
    emit answered(port, opens, opens ? QString() : port_->openFailure());
}
