#pragma once
// Runs by position for the collector: the commands the route calls for at
// each fix, and what the window shows of it: the next checkpoint while a
// run is on, and between runs the last run's travel time and, per
// direction, the runs so far and how many more the study needs.

#include "Decoders.h"
#include "FixRecord.h"
#include "RouteMatcher.h"

#include <QList>
#include <QMap>
#include <QString>
#include <memory>
#include <optional>

namespace gd2 {
class RunWalker;
struct RunReport;
} // namespace gd2

class RouteFollower
{
public:
    // The precision the window's count of runs aims at: the mean travel
    // time within 10 % at 95 % confidence, as gd2 summary counts by default.
    static constexpr double kPrecisionPct = 10.0;
    static constexpr double kConfidence = 0.95;

    explicit RouteFollower(const QList<route::Checkpoint>& checkpoints);
    ~RouteFollower();

    // A closed fix, as decoded, with its hemispheres; `nodes` is how many
    // nodes the run has.
    route::RunsByPosition::Commands onFix(const FixRecord& fix, Hemispheres hemispheres,
                                          double studyDate, int nodes);

    // The run's state as the collector changed it, by key or by command.
    void runStarted(std::optional<route::Way> way);
    void recorded(const FixRecord& record);
    void runStopped();

    // The direction a run driven this way takes: 1 SB, 2 NB, 3 WB, 4 EB.
    qint16 runDirection(route::Way way) const;
    // What the status line says of a command carried out, e.g.
    // "Checkpoint Oak St (3 of 8): node 2".
    QString commandText(const route::RunsByPosition::Command& command, qint16 runNum,
                        qint16 nodes) const;
    // The route line for the window; distances in metres and kilometres
    // with `metric`, else in feet and miles.
    QString text(bool metric) const;

private:
    void finishRun(gd2::RunReport&& report);
    // Between runs: the last run and, per direction, the runs so far.
    QString runsSoFar() const;

    route::RunsByPosition runs_;
    std::optional<route::FixPoint> last_; // the last fix with a position
    std::unique_ptr<gd2::RunWalker> walker_;
    QMap<qint16, QList<double>> seconds_; // travel times of whole runs, by direction
    QString lastRun_;                     // "Run 3 (NB): 6:12"
    QString runsSoFar_;                   // the route line between runs
};
