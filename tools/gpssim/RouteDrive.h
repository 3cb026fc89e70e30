#pragma once
// A drive along a checkpoint route, back and forth: from a little before
// the first checkpoint to a little beyond the last, a turn, and back,
// waiting before every checkpoint as at a red light, with the wandering
// position error of a real receiver. It knows where the vehicle truly
// crossed each checkpoint, to measure what a collector makes of the drive.

#include "CheckpointFile.h"
#include "Drive.h"
#include "RouteMatcher.h"

#include <QList>
#include <random>

struct RouteDriveOptions
{
    int rateHz = 1;
    double cruiseMps = 12.0; // about 27 mph
    double waitSeconds = 30; // at each red light
    double waitBeforeM = 20; // how far before each checkpoint the light is
    double noiseM = 0;       // the receiver's position error, one standard deviation
    unsigned seed = 1;
};

// Where and when the vehicle truly crossed a checkpoint.
struct TrueCrossing
{
    double seconds = 0; // since the start of the drive
    int checkpoint = 0; // its place in the file, from 0
    bool forward = true;
};

class RouteDrive
{
public:
    RouteDrive(const QList<route::Checkpoint>& checkpoints, RouteDriveOptions options);

    // The state at the next cycle; the crossings it brought go to crossings().
    DriveState step();
    // The true crossings of the cycles stepped so far.
    const QList<TrueCrossing>& crossings() const { return crossings_; }

private:
    struct Point
    {
        double x = 0, y = 0;
    };
    Point at(double s) const;
    // The next place to stop ahead, in the way driven: a red light or the end.
    double nextStop() const;

    RouteDriveOptions options_;
    route::LocalPlane plane_;
    QList<Point> path_;          // a lead-in, the checkpoints, a lead-out
    QList<double> along_;        // metres along the path at each of its points
    QList<double> checkpointAt_; // metres along the path of each checkpoint
    double s_ = 0;               // where the vehicle is, metres along the path
    double v_ = 0;               // its speed, metres per second
    bool forward_ = true;
    double waitLeft_ = 0;
    QList<bool> waited_; // the lights of this way's pass already waited at
    long cycle_ = 0;
    std::mt19937 random_;
    double biasX_ = 0, biasY_ = 0;
    QList<TrueCrossing> crossings_;
};
