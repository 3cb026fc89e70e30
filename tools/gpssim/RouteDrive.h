#pragma once
// A drive along a checkpoint route, back and forth: from a little before
// the first checkpoint to a little beyond the last, a turn, and back,
// waiting before every checkpoint as at a red light, or, given the signal
// timing, stopping at the checkpoints' signals only when they show red,
// with the wandering position error of a real receiver. It knows where the
// vehicle truly crossed each checkpoint and whether it arrived on green, to
// measure what a collector and gd2 make of the drive.

#include "CheckpointFile.h"
#include "Drive.h"
#include "RouteMatcher.h"
#include "SignalTiming.h"

#include <QList>
#include <optional>
#include <random>

// The signal a checkpoint has for the way driven: its intersection and the
// movement the vehicle makes there.
struct CheckpointSignal
{
    timing::Intersection intersection;
    timing::Movement movement = timing::Movement::NBT;
};

struct RouteDriveOptions
{
    int rateHz = 1;
    double cruiseMps = 12.0; // about 27 mph
    double waitSeconds = 30; // at each red light
    double waitBeforeM = 20; // how far before each checkpoint the light is
    double noiseM = 0;       // the receiver's position error, one standard deviation
    unsigned seed = 1;
    // With signals, per checkpoint in file order, for each way: the vehicle
    // stops only at these, and only on red; it waits at no other checkpoint.
    bool signalled = false;
    QList<std::optional<CheckpointSignal>> forwardSignals;
    QList<std::optional<CheckpointSignal>> backwardSignals;
    double startSecondOfDay = 0; // the drive's start on the receiver's local clock
    double cycleZeroSecondOfDay = 0;
};

// Where and when the vehicle truly crossed a checkpoint.
struct TrueCrossing
{
    double seconds = 0; // since the start of the drive
    int checkpoint = 0; // its place in the file, from 0
    bool forward = true;
    // At a signal: whether the vehicle would have crossed on green had it
    // not slowed, and when it would have crossed (seconds since the start).
    std::optional<bool> arrivedOnGreen;
    double unslowedSeconds = 0;
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
    // Where the light of checkpoint i stands for the way driven.
    double lightAt(qsizetype i) const;
    const std::optional<CheckpointSignal>& signalAt(qsizetype i) const;
    // With signals: decides the arrival at the signals coming within
    // braking distance, and lets the vehicle go where its light turned green.
    void watchSignals(double now);
    // Seconds of the drive to seconds since the controllers' latest cycle zero.
    double sinceCycleZero(double seconds) const;

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
    // With signals, per checkpoint for this way's pass: the arrival decided
    // (green: pass; red: stop until green) and when it would have crossed.
    QList<std::optional<bool>> arrival_;
    QList<double> unslowed_;
    QList<bool> sawRed_; // a red seen since deciding: its green lets the vehicle go
    long cycle_ = 0;
    std::mt19937 random_;
    double biasX_ = 0, biasY_ = 0;
    QList<TrueCrossing> crossings_;
};
