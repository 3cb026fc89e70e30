#include "ReceiverProfiles.h"

const QList<ReceiverProfile>& ReceiverProfiles()
{
    static const QList<ReceiverProfile> profiles = {
        {"Standard USB", "GGA"},    {"Garmin 35", "GGA"},      {"Garmin 16/17", "GGA"},
        {"Holux 210", "RMC"},       {"Holux 270 CF", "RMC"},   {"GeoExplorer 3", "VTG"},
        {"Haicom 303 (CF)", "RMC"}, {"Haicom 303-III", "RMC"}, {"Haicom 305-III", "RMC"},
        {"Haicom 204E", "GGA"},     {"Haicom 204-III", "RMC"}, {"Multi-GNSS (any talker)", "GGA"},
    };
    return profiles;
}

QString TriggerSentenceFor(const QString& gpsName)
{
    for (const ReceiverProfile& p : ReceiverProfiles()) {
        if (gpsName == QLatin1String(p.name)) {
            return QLatin1String(p.trigger);
        }
    }
    return QStringLiteral("GGA");
}

QStringList OfferedReceivers()
{
    // The two models that take the default trigger are offered in between.
    return {QStringLiteral("Standard USB"),
            QStringLiteral("Garmin 35"),
            QStringLiteral("Garmin 16/17"),
            QStringLiteral("Holux 210"),
            QStringLiteral("Holux 270 CF"),
            QStringLiteral("GeoExplorer 3"),
            kTextReceiverName,
            QStringLiteral("Haicom 303 (CF)"),
            QStringLiteral("Haicom 204"),
            kAnyTalkerReceiverName};
}

bool AcceptsAnyTalker(const QString& gpsName)
{
    return gpsName == kAnyTalkerReceiverName;
}

QList<qint32> OfferedBaudRates()
{
    return {4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200};
}

QString PortSettings(qint32 baudRate)
{
    return QString::number(baudRate) + QStringLiteral(",N,8,1");
}
