#pragma once
// Control delay, stops and level of service: the options delays, summary
// and compare share (stop and go speeds, base free-flow speeds), and
// `gd2 delays`, one row per run and node.

#include "Cli.h"
#include "RunWalk.h"
#include "SignalTiming.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace gd2 {

class Sink;

struct MeasureOptions
{
    StopRule stops;
    std::optional<double> baseFfsMph;
    // From --checkpoints: by checkpoint, the base free-flow speed of the
    // stretch that ends there (the first checkpoint is the start).
    QList<std::optional<double>> checkpointFfs;
    // The base free-flow speed of the stretch that ends at `to` ("N3",
    // "end"): the checkpoint's own, else --base-ffs-mph.
    std::optional<double> ffsFor(const QString& to) const;
    bool hasFfs() const;
    // With --signals: each node's intersection, for the arrivals on green.
    std::shared_ptr<const timing::NodeSignals> nodeSignals;
    QString signalsFile; // as given, for the pages
};

// "green", "red", or empty where the node has no signal for the run.
QString arrivalText(const MeasureOptions& options, qint16 direction, const NodeDelay& d);
std::optional<bool> arrivedOnGreen(const MeasureOptions& options, qint16 direction,
                                   const NodeDelay& d);
// What a page says of the signal timing used, or nothing without one; side
// ("before", "after") where the two sides of a comparison have their own.
QString signalsNote(const MeasureOptions& options, const QString& side = {});

// --base-ffs-mph, --checkpoints, --stop-mph and --go-mph.
QList<Option> measureOptions();
// Reads them; an error text for a value that makes no sense or a checkpoint
// file that cannot be read.
QString readMeasureOptions(const Arguments& a, MeasureOptions& options);
// The timing in force after a change (compare's --signals-after) in place
// of --signals, tied to the nodes as --signals is.
QString readSignalsAfter(const Arguments& a, MeasureOptions& options);

// What the walk is asked for to have the delays and stops these options want.
WalkOptions delayWalk(const MeasureOptions& options);

// A stretch's level of service against its base free-flow speed; empty
// without one.
QString stretchLosOf(const MeasureOptions& options, const QString& to, std::optional<double> mph);

// One run's delays as rows of the CSV, the text and the page.
struct DelayRun
{
    QString file;
    RunReport report;
    const MeasureOptions* options = nullptr;
};
QString delaysCsvHeader();
QString delaysCsvRows(const DelayRun& run);
// The page: per run its speed profile with each node's delays shaded, and
// its rows.
void writeDelaysHtml(const QList<DelayRun>& runs, const MeasureOptions& options, Sink& out);

// `gd2 delays ...`.
int runDelays(const Arguments& a, CliOutput& io);

} // namespace gd2
