#pragma once
// gpssim's end of the line to the collector, named in the collector's
// ports/comN entry so that the collector opens it as port N. On Linux a
// pseudo-terminal, the entry a link to it; on Windows, which has none, a TCP
// port on this computer, the entry a text file "tcp://127.0.0.1:PORT". One
// source file for each system.

#include <QByteArray>
#include <QString>

#include <memory>

class ReceiverLine
{
public:
    ReceiverLine();
    ~ReceiverLine();

    // Opens the line and names it in the file entry; false, with the reason
    // in why, when either cannot be done.
    bool open(const QString& entry, QString* why);
    // What the entry names: the pseudo-terminal's device, or tcp://...
    QString name() const;
    // A receiver does not wait for its listener: with nobody reading, what
    // is waiting in the line is dropped so the next reader gets fresh data.
    void send(const QByteArray& bytes);
    // Removes the entry and ends the line.
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// Ctrl+C, and where the system has them TERM and HUP, call handler.
void onStopSignals(void (*handler)(int));
