// The serial port as the collector sees it: settings, receive buffer, events.

#include "CommPort.h"

#include <QStringList>
#include <algorithm>

bool CommPort::setCommPort(qint16 port)
{
    if (open_ || port < 1) {
        return false;
    }
    commPort_ = port;
    return true;
}

bool CommPort::parseSettings(const QString& text, LineSettings* out)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4) {
        return false;
    }
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].toInt(&ok);
    if (!ok || s.baud <= 0) {
        return false;
    }
    const QString parity = parts[1].toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity)) {
        return false;
    }
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8) {
        return false;
    }
    const QString stop = parts[3];
    if (stop == u"1") {
        s.stopBitsTimesTwo = 2;
    } else if (stop == u"1.5") {
        s.stopBitsTimesTwo = 3;
    } else if (stop == u"2") {
        s.stopBitsTimesTwo = 4;
    } else {
        return false;
    }
    if (out) {
        *out = s;
    }
    return true;
}

bool CommPort::setSettings(const QString& settings)
{
    LineSettings s;
    if (!parseSettings(settings, &s)) {
        return false;
    }
    settings_ = settings;
    line_ = s;
    return true;
}

bool CommPort::setInputLen(qint16 chars)
{
    if (chars < 0) {
        return false;
    }
    inputLen_ = chars;
    return true;
}

bool CommPort::setRThreshold(qint16 chars)
{
    if (chars < 0) {
        return false;
    }
    rThreshold_ = chars;
    return true;
}

bool CommPort::setInBufferSize(qint16 bytes)
{
    if (open_ || bytes < 1) {
        return false;
    }
    inBufferSize_ = bytes;
    return true;
}

bool CommPort::setPortOpen(bool open)
{
    if (open == open_) {
        return !open; // opening an open port is an error, closing a closed one is not
    }
    if (open) {
        openFailure_.clear();
        if (!openDevice()) {
            return false;
        }
        open_ = true;
        // Nothing unfinished from an earlier opening continues into this one.
        cuts_ = {0};
        if (rts_) {
            applyRts(true);
        }
        return true;
    }
    closeDevice();
    open_ = false;
    inBuffer_.clear();
    readPos_ = 0;
    cuts_.clear();
    return true;
}

bool CommPort::setRTSEnable(bool enable)
{
    rts_ = enable;
    return !open_ || applyRts(enable);
}

qsizetype CommPort::readable() const
{
    qsizetype n = inputLen_ == 0 ? inBufferCount() : qMin<qsizetype>(inputLen_, inBufferCount());
    if (!cuts_.isEmpty()) {
        n = qMin(n, cuts_.first() - readPos_);
    }
    return n;
}

QString CommPort::input()
{
    const qsizetype n = readable();
    QString text = QString::fromLatin1(inBuffer_.constData() + readPos_, n);
    consumed(n);
    return text;
}

qsizetype CommPort::read(char* out, qsizetype max)
{
    const qsizetype n = qMin(max, readable());
    std::copy_n(inBuffer_.constData() + readPos_, n, out);
    consumed(n);
    return n;
}

bool CommPort::takeStreamCut()
{
    if (cuts_.isEmpty() || cuts_.first() != readPos_) {
        return false;
    }
    cuts_.removeFirst();
    return true;
}

void CommPort::consumed(qsizetype n)
{
    readPos_ += n;
    if (readPos_ == inBuffer_.size()) {
        inBuffer_.resize(0); // keeps its room for the next arrival
        // Breaks not yet taken lie at the end of what was read.
        for (qsizetype& cut : cuts_) {
            cut -= readPos_;
        }
        readPos_ = 0;
    }
}

void CommPort::received(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        return;
    }
    // Nothing is dropped here: the handler drains the whole buffer at each
    // event, and the device holds what comes while the program is busy.
    inBuffer_.append(bytes);
    if (rThreshold_ > 0 && inBuffer_.size() >= rThreshold_) {
        raise(comEvReceive);
    }
}

void CommPort::lineCondition(Event code)
{
    raise(code);
}

void CommPort::streamCut()
{
    cuts_.append(inBuffer_.size());
    // Told at once, so that an unfinished sentence is dropped now rather
    // than when data flows again.
    if (rThreshold_ > 0) {
        raise(comEvReceive);
    }
}

void CommPort::raise(qint16 code)
{
    commEvent_ = code;
    emit OnComm();
}
