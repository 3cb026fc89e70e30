#pragma once
// The travel-time analysis of a study: per run and per node stretch, the
// time taken, the distance along the fixes, the speed and the time stopped.

#include "StudyReader.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace gd2 {

constexpr double kEarthRadiusMetres = 6371008.8;
constexpr double kMetresPerMile = 1609.344;
// Under this speed a vehicle counts as stopped.
constexpr double kStoppedBelowMph = 5.0;

// Great-circle distance between two positions in degrees.
double haversineMetres(double lat1, double lon1, double lat2, double lon2);

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
    qint64 stoppedMs = 0;
    // Stops: maximal sequences of fixes under the stopped speed once the
    // vehicle has first moved in the run (a fix without a speed ends one);
    // a stop counts where it begins. Their time as stoppedMs counts it.
    qsizetype stops = 0;
    qint64 stopsMs = 0;
    qsizetype positioned = 0; // fixes with a usable position
    QList<qint16> delays;
};

struct SpeedSample
{
    qint64 at = 0;
    std::optional<double> mph;
};
struct Interval
{
    qint64 from = 0;
    qint64 to = 0;
};
struct NodeMark
{
    qint64 at = 0;
    qint16 node = 0;
};

struct RunReport
{
    qint16 number = 0;
    qint16 direction = 0;
    qsizetype fixes = 0;
    qsizetype incomplete = 0;
    std::optional<qint64> start;
    std::optional<qint64> end;
    double metres = 0.0;
    qint64 stoppedMs = 0;
    qsizetype stops = 0;
    qint64 stopsMs = 0;
    qsizetype positioned = 0;
    QList<Delay> delays;
    QList<Stretch> stretches;
    // For the speed chart: every timed fix, the stopped intervals merged,
    // and where the node number went up.
    QList<SpeedSample> samples;
    QList<Interval> stopped;
    QList<NodeMark> nodes;

    std::optional<qint64> durationMs() const;
};

QList<RunReport> analyse(const Study& study);
// Without `forChart`, the speed samples and stopped intervals that only the
// speed chart draws are left out.
RunReport analyseRun(const Study& study, const Run& run, bool forChart = true);

// Miles per hour over a distance and a time; nothing for no time.
std::optional<double> averageMph(double metres, std::optional<qint64> ms);

QByteArray reportText(const Study& study, const QList<RunReport>& runs);
QByteArray reportCsv(const QList<RunReport>& runs);

// The same a run at a time, so that a run's analysis can go once written.
class Sink;
void writeReportHead(const Study& study, qsizetype runs, Sink& out);
void writeReportRun(const RunReport& run, Sink& out);
void writeReportCsvHead(Sink& out);
void writeReportCsvRun(const RunReport& run, Sink& out);

} // namespace gd2
