#pragma once
// Receiver models: which sentence type closes a fix for each, and the serial
// settings the receivers talk at.

#include <QList>
#include <QString>
#include <QStringList>

struct ReceiverProfile
{
    const char* name;
    const char* trigger;
};

// In the order names are matched. Names a preferences file may carry but the
// set-up list no longer offers are kept so that old files keep working.
const QList<ReceiverProfile>& ReceiverProfiles();

// The receiver that sends the fixed-column "@" text sentence and no
// satellite count or HDOP.
inline const QString kTextReceiverName = QStringLiteral("Garmin 76(text)");
inline const QString kDefaultReceiverName = QStringLiteral("Standard USB");
// Today's receivers report combined constellations under talkers such as
// "GN", "GL", "GA" or "BD"; this model takes RMC, GGA and VTG from any talker.
inline const QString kAnyTalkerReceiverName = QStringLiteral("Multi-GNSS (any talker)");

// The trigger of the first profile whose name equals gpsName exactly (case
// and spaces matter); "GGA" for any other name.
QString TriggerSentenceFor(const QString& gpsName);

// True for the model whose sentences may come from any two-letter talker.
bool AcceptsAnyTalker(const QString& gpsName);

// The receiver list of the set-up dialog, in its order.
QStringList OfferedReceivers();
// The speeds of the set-up dialog's baud list, in its order.
QList<qint32> OfferedBaudRates();

// Speed and framing: "4800,N,8,1" for 4800 bit/s.
QString PortSettings(qint32 baudRate);
