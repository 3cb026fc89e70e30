#pragma once
// A corridor's signal timing: per intersection its cycle and, for each
// through movement, when its green runs within the cycle. Read from the
// combined UTDF CSV that signal-timing software exports (versions 6 and 8)
// or from a plain table for those without such software.
//
// Every time here counts from the cycle zero, the moment from which every
// controller of the corridor counts its cycles. UTDF's Start, End and Yield
// already count from there: they include the intersection's offset (the
// reference phase starts at the offset), so the offset is not added again.
// Only where a file gives the local times alone (LocalStart, LocalYield,
// counted from the intersection's own reference point) is the offset added.
// The plain table counts from the cycle zero as Start does.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace timing {

enum class Movement : quint8
{
    NBT,
    SBT,
    EBT,
    WBT,
};
constexpr int kMovements = 4;

// "NBT", "SBT", "EBT", "WBT".
const char* movementName(Movement m);
std::optional<Movement> movementNamed(QByteArrayView name);
// The through movement of a run direction (1 SB, 2 NB, 3 WB, 4 EB).
std::optional<Movement> throughMovement(qint16 direction);

// Seconds within the cycle, from the cycle zero; `end` before `start` wraps
// past the cycle's end.
struct Green
{
    double start = 0.0;
    double end = 0.0;
};

struct Intersection
{
    int id = 0; // INTID
    double cycleS = 0.0;
    // The movement's greens within each cycle (usually one); where it has
    // none, why, for the message of whoever asks for it.
    std::array<QList<Green>, kMovements> greens;
    std::array<QString, kMovements> whyNone;

    // Where t (seconds since the cycle zero, any sign) falls in the cycle.
    double inCycle(double t) const;
    // Whether the movement is green at t; false for a movement without greens.
    bool isGreen(Movement m, double t) const;
};

struct SignalTiming
{
    QHash<int, Intersection> intersections;
    int utdfVersion = 0; // 0 for the plain table
    // What is wrong, naming the file, the section, the line and the column;
    // a file with an error gives no timing at all.
    QString error;
    bool ok() const { return error.isEmpty(); }
    const Intersection* find(int id) const;
};

// Seconds since the latest cycle zero at a time of day on the receiver's
// clock: the controllers count their cycles from the cycle zero of each day.
double sinceCycleZero(double secondsOfDay, double cycleZeroSecondsOfDay);

// Reads FILE: a regular file, at most a few tens of megabytes; a FIFO or a
// device is refused before it is opened.
SignalTiming readSignalTiming(const QString& path);
// The same from the file's bytes; `name` names it in messages.
SignalTiming parseSignalTiming(const QByteArray& content, const QString& name);

// "N=INTID,...": node N of the study is intersection INTID. Nothing, and
// `error` set, for anything else.
std::optional<QHash<int, int>> parseSignalNodes(const QString& text, QString* error);

// Which intersection each node of a run is, and whether a vehicle arriving
// there at a moment arrives on its through movement's green.
class NodeSignals
{
public:
    NodeSignals(SignalTiming timing, double cycleZeroSecondOfDay);

    // Node N of every run is intersection INTID.
    void setNodes(const QHash<int, int>& intidOfNode);
    // A route's checkpoints, in file order, with their intersections: a run
    // driven in `forwardDirection` numbers checkpoint k node k; one driven
    // in `backwardDirection`, checkpoint n-1-k (runs number nodes in the
    // order they cross them).
    void setRoute(const QList<std::optional<int>>& intidOfCheckpoint, qint16 forwardDirection,
                  qint16 backwardDirection);
    // An intersection named that the timing does not have; empty when none.
    QString check(const QString& timingFile) const;

    const Intersection* at(qint16 direction, qint16 node) const;
    // Arriving at `stampMs` (a record's time: day and time of day in ms):
    // on green (true) or red (false); nothing where the node has no signal
    // with a green for the run's through movement.
    std::optional<bool> onGreen(qint16 direction, qint16 node, qint64 stampMs) const;
    double cycleZeroSecondOfDay() const { return cycleZero_; }
    // Seconds since the latest cycle zero at a record's time.
    double sinceCycleZeroAt(qint64 stampMs) const;
    // The nodes with a signal in runs of a direction.
    QList<qint16> nodesOf(qint16 direction) const;

private:
    SignalTiming timing_;
    double cycleZero_ = 0.0;
    QHash<int, int> byNode_;
    QList<std::optional<int>> byCheckpoint_;
    qint16 forward_ = 0, backward_ = 0;
};

} // namespace timing
