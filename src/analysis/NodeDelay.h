#pragma once
// What each node costs a run: the control delay from where the vehicle
// begins to slow for the node to where it has regained its cruise speed past
// it, split into deceleration, stopped and acceleration delay; the stops with
// hysteresis; and the levels of service of an intersection and a stretch.

#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace gd2 {

// A timed fix of a run, with its speed when it has one.
struct SpeedSample
{
    qint64 at = 0;
    std::optional<double> mph;
};
// Where a run's node number went up to `node`: the first fix with it.
struct NodeMark
{
    qint64 at = 0;
    qint16 node = 0;
};

// A stop begins when the speed falls below `stopMph` and ends only once it
// has risen above `goMph`, so a queue creeping forward is one stop. Below
// `stopMph` a vehicle counts as standing.
struct StopRule
{
    double stopMph = 5.0;
    double goMph = 10.0;
};

// One node passed in a run. The delays are seconds and add up:
// control = deceleration + stopped + acceleration. A node passed without
// slowing has all four 0 and its slowdown's times equal to `at`.
struct NodeDelay
{
    qint16 node = 0;
    qint64 at = 0; // the first fix with the node's number
    // What the vehicle held on the approach; nothing when the run gives no
    // speed there to judge by, and then no delay either.
    std::optional<double> cruiseMph;
    double controlS = 0.0;
    double decelerationS = 0.0;
    double stoppedS = 0.0;
    double accelerationS = 0.0;
    int stops = 0; // stops that begin within the slowdown
    // The slowdown: it begins at `from`, stands under the stop speed from
    // `stoppedFrom` to `stoppedTo` (equal when it never does), and has
    // regained the cruise speed at `to`.
    qint64 from = 0;
    qint64 stoppedFrom = 0;
    qint64 stoppedTo = 0;
    qint64 to = 0;
    bool slowed() const { return to > from; }
};

// The delays of every node marked in a run, from its timed fixes in order
// and the marks in order.
QList<NodeDelay> nodeDelays(const QList<SpeedSample>& samples, const QList<NodeMark>& marks,
                            StopRule rule = {});

// A signalised intersection's level of service from its control delay:
// <= 10 s A, <= 20 B, <= 35 C, <= 55 D, <= 80 E, more F.
QString intersectionLos(double controlDelayS);
// An urban street stretch's level of service from its travel speed as a
// share of the base free-flow speed: > 80 % A, > 67 % B, > 50 % C, > 40 % D,
// > 30 % E, otherwise F. Empty without a base speed above 0.
QString stretchLos(double travelMph, double baseFfsMph);

} // namespace gd2
