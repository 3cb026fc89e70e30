#pragma once
// A serial port fed from a test: characters in chunks of any size, and line
// conditions, each raising the port's event as a device would.

#include "CommPort.h"

#include <QStringList>
#include <functional>

class FakeCommPort final : public CommPort
{
public:
    bool refuseOpen = false;
    QString failure; // why a port does not open
    // Which port numbers have a device behind them.
    std::function<bool(int)> present = [](int) { return true; };
    bool deviceOpen = false;
    QStringList operations; // what was done to the device, in order

    // Delivers bytes in chunks of chunk bytes (all at once when 0).
    void feed(const QByteArray& bytes, int chunk = 0)
    {
        const qsizetype step = chunk > 0 ? chunk : qMax<qsizetype>(bytes.size(), 1);
        for (qsizetype at = 0; at < bytes.size(); at += step) {
            received(
                QByteArray::fromRawData(bytes.constData() + at, qMin(step, bytes.size() - at)));
        }
    }
    void condition(Event code) { lineCondition(code); }
    // The link dropped, or the device hung up.
    void cut() { streamCut(); }

protected:
    bool openDevice() override
    {
        operations.append(QStringLiteral("open %1 %2").arg(commPort()).arg(settings()));
        deviceOpen = !refuseOpen && present(commPort());
        if (!deviceOpen) {
            setOpenFailure(failure);
        }
        return deviceOpen;
    }
    void closeDevice() override
    {
        operations.append(QStringLiteral("close"));
        deviceOpen = false;
    }
    bool applyRts(bool enable) override
    {
        operations.append(QStringLiteral("rts %1").arg(enable));
        return true;
    }
};
