#pragma once
// A simulated receiver's output: a synthetic drive along a route with
// accelerating, cruising and stopped stretches, written as the sentences a
// receiver sends each cycle.

#include <QByteArray>
#include <QDateTime>
#include <QString>

struct DriveOptions
{
    int rateHz = 1;            // fix cycles per second
    bool vtg = false;          // VTG after RMC and GGA
    bool text = false;         // the fixed-column "@" sentence instead of NMEA
    QString talker = "GP";     // two letters before RMC, GGA and VTG
    bool lfOnly = false;       // lines end in LF instead of CR LF
    double fixLossFrom = -1;   // seconds into the drive when the fix is lost
    double fixLossSeconds = 0; // for how long
};

// Where the vehicle is at a moment of the drive.
struct DriveState
{
    double seconds = 0; // since the start of the drive
    double latitude = 0;
    double longitude = 0; // degrees, east positive
    double speedMps = 0;
    double courseDeg = 0;
    bool fix = true;
};

class SyntheticDrive
{
public:
    SyntheticDrive(DriveOptions options, QDateTime startUtc);

    // The state at the next cycle, and the sentences of that cycle.
    DriveState step();
    QByteArray sentences(const DriveState& s) const;

    const DriveOptions& options() const { return options_; }

private:
    DriveOptions options_;
    QDateTime startUtc_;
    long cycle_ = 0;
    DriveState state_;
};

// The sentences a receiver sends for a state, its time counted from startUtc.
QByteArray ReceiverSentences(const DriveOptions& options, const QDateTime& startUtc,
                             const DriveState& s);

// "$" + body + "*" + checksum + line end.
QByteArray NmeaSentence(const QByteArray& body, bool lfOnly);

// Speed profile of the route: seconds into the drive to metres per second.
// A 120-second loop: away from a stop, cruise, slow down, wait at a signal.
double RouteSpeed(double seconds);
