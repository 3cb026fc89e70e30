#pragma once
// Receiver models: one table of what each sends and which sentence closes a
// fix, read by the set-up list and by the decoding alike; and the serial
// settings receivers talk at.

#include <QList>
#include <QString>
#include <QStringList>

struct ReceiverProfile
{
    const char* name;
    const char* trigger; // the sentence type whose arrival closes a fix
    // Today's receivers report combined constellations under talkers such as
    // "GN", "GL", "GA" or "BD"; such a model takes RMC, GGA and VTG from any talker.
    bool anyTalker;
    // The model sends the fixed-column "@" text sentence and no satellite
    // count or HDOP.
    bool textSentence;
    // Offered in the set-up list; the others are names older preferences
    // files may carry, kept so that those files keep working.
    bool offered;
};

const QList<ReceiverProfile>& ReceiverProfiles();

// The profile whose name equals gpsName exactly (case and spaces matter); for
// any other name, a model that closes fixes on "GGA" from "GP" talkers.
const ReceiverProfile& ReceiverProfileFor(const QString& gpsName);

inline const QString kDefaultReceiverName = QStringLiteral("Standard USB");

// The receiver list of the set-up dialog, in its order.
QStringList OfferedReceivers();
// The speeds of the set-up dialog's baud list, in its order.
QList<qint32> OfferedBaudRates();

// Speed and framing: "4800,N,8,1" for 4800 bit/s.
QString PortSettings(qint32 baudRate);
