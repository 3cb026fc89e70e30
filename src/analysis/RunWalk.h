#pragma once
// The one walk over a study's records: per run and per node stretch, the
// time taken, the distance along the fixes, the stops and the delay
// numbers. Every reader of runs (gd2's report, summary and compare, and the
// collector between runs) takes its figures from here.

#include "NodeDelay.h"
#include "StudyReader.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace gd2 {

constexpr double kEarthRadiusMetres = 6371008.8;
constexpr double kMetresPerMile = 1609.344;
constexpr double kMetresPerSecondPerMph = 0.44704;
// Under this speed a vehicle counts as stopped, unless a StopRule says otherwise.
constexpr double kStoppedBelowMph = 5.0;

// Great-circle distance between two positions in degrees.
double haversineMetres(double lat1, double lon1, double lat2, double lon2);
// The same with the cosines of both latitudes known, as along a run.
double haversineMetres(double lat1, double lon1, double cosLat1, double lat2, double lon2,
                       double cosLat2);
// Miles per hour over a distance and a time; nothing for no time.
std::optional<double> averageMph(double metres, std::optional<qint64> ms);
// Which points of a line to keep so that none dropped lies further than
// `tolerance` from the line through those kept (Douglas-Peucker); the
// first and last are kept.
QList<bool> cornersKept(const QList<QPointF>& points, double tolerance);

struct Delay
{
    qint16 number = 0;
    std::optional<qint64> at;
    QString stretch;
};

// The records of one node number in a run: from the fix where the node was
// marked to the fix where the next one was (or the run's last fix).
struct Stretch
{
    qint16 node = 0;
    QString from; // "start" or "N1", "N2", ...
    QString to;   // the next node, or "end"
    qsizetype fixes = 0;
    qsizetype incomplete = 0;
    std::optional<qint64> start;
    // Time to the first fix of the next stretch, so that the stretches of a
    // run add up to the run.
    std::optional<qint64> travelMs;
    double metres = 0.0;
    qint64 stoppedMs = 0; // time under the stop speed
    // Stops as the StopRule has them, once the vehicle has first gone above
    // the go speed in the run; a stop counts where it begins. stopsMs is
    // their time under the stop speed.
    qsizetype stops = 0;
    qint64 stopsMs = 0;
    qsizetype positioned = 0; // fixes with a usable position
    QList<qint16> delays;
};

struct Interval
{
    qint64 from = 0;
    qint64 to = 0;
};
// A point of a run for the pictures: since the run's start, along its fixes.
struct RunPoint
{
    float seconds = 0.0f;
    float miles = 0.0f;
    float mph = -1.0f; // below zero: no speed
    qint16 node = 0;
};

struct RunReport
{
    qint16 number = 0;
    qint16 direction = 0;
    qsizetype fixes = 0;
    qsizetype timed = 0; // fixes with a time
    qsizetype incomplete = 0;
    qsizetype backwards = 0; // fixes earlier than the one before them
    int daysAdded = 0;       // days after the stored date (past midnight)
    std::optional<qint64> start;
    std::optional<qint64> end;
    double metres = 0.0;
    qint64 stoppedMs = 0;
    qsizetype stops = 0;
    qint64 stopsMs = 0;
    qsizetype positioned = 0;
    QList<Delay> delays;
    QList<Stretch> stretches;
    // With WalkOptions::speedChart: every timed fix, the stopped intervals
    // merged, and where the node number went up.
    QList<SpeedSample> samples;
    QList<Interval> stopped;
    QList<NodeMark> nodes;
    // With WalkOptions::path: the timed fixes with a position, thinned to
    // what a chart of the run can show, and where each node was passed.
    QList<RunPoint> path;
    QList<RunPoint> marks;
    // With WalkOptions::nodeDelays: each node marked, in order.
    QList<NodeDelay> nodeDelays;

    std::optional<qint64> durationMs() const;
};

struct WalkOptions
{
    bool speedChart = false;
    bool path = false;
    bool nodeDelays = false;
    StopRule stops;
};

// The walk of the speed charts.
inline WalkOptions chartWalk()
{
    WalkOptions w;
    w.speedChart = true;
    return w;
}

// A stretch's measures: the distance over the whole time (travel speed) and
// over the time above the stop speed (running speed), and the stops per
// mile; nothing where the stretch gives no time or no distance.
std::optional<double> travelSpeedMph(const Stretch& s);
std::optional<double> runningSpeedMph(const Stretch& s);
std::optional<double> stopsPerMile(const Stretch& s);

// Takes a study's records in file order and hands each run's report to
// `done` once the run's last record is in; nothing per record is kept
// beyond the run being walked.
class RunWalker
{
public:
    using Done = std::function<void(RunReport&&)>;
    RunWalker(WalkOptions options, Done done);
    ~RunWalker();
    RunWalker(const RunWalker&) = delete;
    RunWalker& operator=(const RunWalker&) = delete;

    void add(const FixRecord& r);
    // Hands out the last run.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Every run of a study held in memory.
QList<RunReport> analyse(const Study& study, WalkOptions options = chartWalk());

} // namespace gd2
