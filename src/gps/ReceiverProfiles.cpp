// The receiver table and the serial settings.

#include "ReceiverProfiles.h"

const QList<ReceiverProfile>& ReceiverProfiles()
{
    constexpr bool any = true, gp = false, text = true, nmea = false, listed = true, old = false;
    // clang-format off
    static const QList<ReceiverProfile> profiles = {
        // name                      trigger talker text  set-up list
        {"Standard USB",            "GGA",  gp,    nmea, listed},
        {"Garmin 35",               "GGA",  gp,    nmea, listed},
        {"Garmin 16/17",            "GGA",  gp,    nmea, listed},
        {"Holux 210",               "RMC",  gp,    nmea, listed},
        {"Holux 270 CF",            "RMC",  gp,    nmea, listed},
        {"GeoExplorer 3",           "VTG",  gp,    nmea, listed},
        {"Garmin 76(text)",         "GGA",  gp,    text, listed},
        {"Haicom 303 (CF)",         "RMC",  gp,    nmea, listed},
        {"Haicom 204",              "GGA",  gp,    nmea, listed},
        {"Multi-GNSS (any talker)", "GGA",  any,   nmea, listed},
        {"Haicom 303-III",          "RMC",  gp,    nmea, old},
        {"Haicom 305-III",          "RMC",  gp,    nmea, old},
        {"Haicom 204E",             "GGA",  gp,    nmea, old},
        {"Haicom 204-III",          "RMC",  gp,    nmea, old},
    };
    // clang-format on
    return profiles;
}

const ReceiverProfile& ReceiverProfileFor(const QString& gpsName)
{
    static const ReceiverProfile unknown{"", "GGA", false, false, false};
    for (const ReceiverProfile& p : ReceiverProfiles()) {
        if (gpsName == QLatin1String(p.name)) {
            return p;
        }
    }
    return unknown;
}

QStringList OfferedReceivers()
{
    QStringList names;
    for (const ReceiverProfile& p : ReceiverProfiles()) {
        if (p.offered) {
            names << QLatin1String(p.name);
        }
    }
    return names;
}

QList<qint32> OfferedBaudRates()
{
    return {4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200};
}

QString PortSettings(qint32 baudRate)
{
    return QString::number(baudRate) + QStringLiteral(",N,8,1");
}
