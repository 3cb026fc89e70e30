#pragma once
// Where a drive crosses its route's checkpoints, and what that means for the
// runs: crossing the first checkpoint towards the second starts a run, the
// inner ones mark nodes, the last one stops it; the same backwards from the
// last to the first. Plain geometry on the fixes; no clock of its own.
//
// A checkpoint is passed when the vehicle crosses the line across the route
// at it, not when it comes near: a vehicle waiting just before the line has
// not passed it. The side of the line counts only once the vehicle has been
// well before it, and a crossing only while the vehicle moves, so that GPS
// noise around a waiting or parked vehicle passes nothing.

#include "CheckpointFile.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace route {

// How far either side of the route a checkpoint's line reaches unless its
// file says otherwise.
constexpr double kDefaultRadiusM = 30.0;

// Metres east and north of a route's middle. A route is a few kilometres,
// where the earth's curve is far below a fix's noise. Longitudes come back
// between -180 and 180.
class LocalPlane
{
public:
    explicit LocalPlane(const QList<Checkpoint>& route);

    struct Point
    {
        double x = 0, y = 0;
    };
    Point at(double latitude, double longitude) const;
    double latitudeOf(double y) const;
    double longitudeOf(double x) const;

private:
    double lat0_ = 0, lon0_ = 0, metresPerDegreeLon_ = 0;
};

enum class Way : quint8
{
    Forward,  // first checkpoint to last
    Backward, // last to first
};

struct FixPoint
{
    double latitude = 0.0;  // signed degrees
    double longitude = 0.0; // signed degrees
    double speedMps = -1.0; // below zero: the receiver gave none
    double seconds = 0.0;   // when, on any clock that only goes forward
};

struct Crossing
{
    int checkpoint = 0; // its place in the file, from 0
    Way way = Way::Forward;
};

// The lines across the route at its checkpoints.
class CheckpointLines
{
public:
    explicit CheckpointLines(const QList<Checkpoint>& checkpoints);

    // The crossings a fix completes, at most two (a loop route's last and
    // first line may lie together). A fix without a usable position does
    // nothing.
    struct Crossings
    {
        std::array<Crossing, 2> at{};
        int count = 0;
    };
    Crossings onFix(const FixPoint& fix);

    int size() const { return int(lines_.size()); }
    const Checkpoint& checkpoint(int i) const { return checkpoints_[i]; }
    // Straight-line metres from a position to a checkpoint.
    double metresTo(int i, double latitude, double longitude) const;
    // The route's general bearing driven one way, as a run direction: 1 SB,
    // 2 NB, 3 WB, 4 EB.
    qint16 runDirection(Way way) const;

private:
    struct Line
    {
        double x = 0, y = 0;   // the checkpoint, metres east and north of the route's middle
        double ux = 0, uy = 0; // the route's forward direction there
        double radius = kDefaultRadiusM;
        bool armedForward = false;   // the vehicle has been well before it
        bool armedBackward = false;  // well beyond it
        bool pendingForward = false; // crossed while standing: counted when it moves on
        bool pendingBackward = false;
    };
    struct Point
    {
        double x = 0, y = 0, seconds = 0;
    };
    Point toPlane(double latitude, double longitude) const;
    bool moving(const FixPoint& fix, const Point& p) const;
    // The newest fix at least `age` seconds older than p, if one is kept.
    const Point* before(const Point& p, double age) const;

    QList<Checkpoint> checkpoints_;
    LocalPlane plane_;
    QList<Line> lines_;
    std::optional<Point> last_;
    // Fixes of the last few seconds, for a speed where the receiver gives none.
    std::array<Point, 64> recent_{};
    int recentCount_ = 0;
    int recentNext_ = 0;
};

// The run a drive along the route makes, as the keys would make it. The
// collector tells it of every fix and of every run that starts or stops, by
// key or by its commands.
class RunsByPosition
{
public:
    explicit RunsByPosition(const QList<Checkpoint>& checkpoints);

    struct Command
    {
        enum Kind : quint8
        {
            None,
            Start,
            Node,
            Stop
        };
        Kind kind = None;
        Way way = Way::Forward;
        int checkpoint = -1; // the checkpoint that gave it, from 0
    };
    // What the fix calls for, in order (a loop route may stop one run and
    // start the next at one fix). `nodes` is how many nodes the run has: a
    // checkpoint already marked by a key is not marked again.
    struct Commands
    {
        std::array<Command, 2> at{};
        int count = 0;
    };
    Commands onFix(const FixPoint& fix, int nodes);

    void runStarted(std::optional<Way> way); // the way, when the route started it
    void runStopped();

    bool running() const { return running_; }
    // During a run: the checkpoint to cross next, from 0, once the way is known.
    std::optional<int> nextCheckpoint() const;
    std::optional<Way> way() const { return way_; }
    const CheckpointLines& lines() const { return lines_; }

private:
    // A checkpoint's place in the order it is driven, from 0.
    int drivingIndex(int checkpoint, Way way) const;
    int checkpointAt(int drivingIndex, Way way) const;

    CheckpointLines lines_;
    bool running_ = false;
    std::optional<Way> way_;
    int next_ = 0;         // driving index of the next checkpoint to cross
    int nodesDue_ = 0;     // inner checkpoints crossed this run
    bool stopDue_ = false; // the last checkpoint was crossed
};

} // namespace route
