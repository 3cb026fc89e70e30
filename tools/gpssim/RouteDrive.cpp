// The drive along a checkpoint route.

#include "RouteDrive.h"

#include <cmath>

namespace {

constexpr double kLeadM = 150.0;      // driven before the first and after the last checkpoint
constexpr double kAccelMps2 = 1.5;    // both speeding up and braking
constexpr double kTurnSeconds = 10.0; // turning round at either end
constexpr double kArrivedM = 0.3;
// The receiver's error wanders with about this memory, as multipath and
// the satellites' geometry change.
constexpr double kNoiseMemorySeconds = 20.0;

} // namespace

RouteDrive::RouteDrive(const QList<route::Checkpoint>& checkpoints, RouteDriveOptions options)
    : options_(options), plane_(checkpoints), random_(options.seed)
{
    QList<Point> points;
    for (const route::Checkpoint& c : checkpoints) {
        const route::LocalPlane::Point p = plane_.at(c.latitude, c.longitude);
        points.append({p.x, p.y});
    }
    const auto beyond = [](Point from, Point to) {
        const double length = std::hypot(to.x - from.x, to.y - from.y);
        return Point{to.x + (to.x - from.x) / length * kLeadM,
                     to.y + (to.y - from.y) / length * kLeadM};
    };
    path_.append(beyond(points[1], points[0]));
    path_ += points;
    path_.append(beyond(points[points.size() - 2], points.last()));
    along_.append(0.0);
    for (qsizetype i = 1; i < path_.size(); ++i) {
        along_.append(along_.last() +
                      std::hypot(path_[i].x - path_[i - 1].x, path_[i].y - path_[i - 1].y));
    }
    for (qsizetype i = 0; i < points.size(); ++i) {
        checkpointAt_.append(along_[i + 1]);
        waited_.append(false);
    }
    arrival_.resize(points.size());
    unslowed_.resize(points.size());
    sawRed_.resize(points.size());
}

RouteDrive::Point RouteDrive::at(double s) const
{
    qsizetype i = 1;
    while (i < along_.size() - 1 && along_[i] < s) {
        ++i;
    }
    const double t = (s - along_[i - 1]) / (along_[i] - along_[i - 1]);
    return {path_[i - 1].x + t * (path_[i].x - path_[i - 1].x),
            path_[i - 1].y + t * (path_[i].y - path_[i - 1].y)};
}

double RouteDrive::lightAt(qsizetype i) const
{
    return checkpointAt_[i] + (forward_ ? -options_.waitBeforeM : options_.waitBeforeM);
}

const std::optional<CheckpointSignal>& RouteDrive::signalAt(qsizetype i) const
{
    static const std::optional<CheckpointSignal> kNone;
    const QList<std::optional<CheckpointSignal>>& lights =
        forward_ ? options_.forwardSignals : options_.backwardSignals;
    return i < lights.size() ? lights[i] : kNone;
}

double RouteDrive::nextStop() const
{
    // Each checkpoint's light stands a little before it, in the way driven;
    // with signals, only a signal decided red is one to stop at.
    const auto stopsAt = [&](qsizetype i) {
        return !waited_[i] && (!options_.signalled || arrival_[i] == false);
    };
    if (forward_) {
        for (qsizetype i = 0; i < checkpointAt_.size(); ++i) {
            if (stopsAt(i) && lightAt(i) >= s_) {
                return lightAt(i);
            }
        }
        return along_.last();
    }
    for (qsizetype i = checkpointAt_.size() - 1; i >= 0; --i) {
        if (stopsAt(i) && lightAt(i) <= s_) {
            return lightAt(i);
        }
    }
    return 0.0;
}

double RouteDrive::sinceCycleZero(double seconds) const
{
    return timing::sinceCycleZero(options_.startSecondOfDay + seconds,
                                  options_.cycleZeroSecondOfDay);
}

void RouteDrive::watchSignals(double now)
{
    // Far enough ahead to brake from cruising speed before the light.
    const double dt = 1.0 / options_.rateHz;
    const double reach =
        options_.cruiseMps * options_.cruiseMps / (2 * kAccelMps2) + 2 * options_.cruiseMps * dt;
    for (qsizetype i = 0; i < checkpointAt_.size(); ++i) {
        const std::optional<CheckpointSignal>& signal = signalAt(i);
        if (!signal || waited_[i]) {
            continue;
        }
        const double toLight = forward_ ? lightAt(i) - s_ : s_ - lightAt(i);
        if (toLight < 0) {
            continue;
        }
        const double cycleTime = sinceCycleZero(now);
        if (!arrival_[i]) {
            if (toLight <= reach) {
                // When it would cross the checkpoint at the speed it holds.
                const double v = v_ > 0.5 ? v_ : options_.cruiseMps;
                unslowed_[i] = now + (toLight + options_.waitBeforeM) / v;
                arrival_[i] =
                    signal->intersection.isGreen(signal->movement, sinceCycleZero(unslowed_[i]));
                waited_[i] = *arrival_[i]; // on green it drives on
                sawRed_[i] = !signal->intersection.isGreen(signal->movement, cycleTime);
            }
        } else if (!signal->intersection.isGreen(signal->movement, cycleTime)) {
            sawRed_[i] = true;
        } else if (sawRed_[i]) {
            waited_[i] = true; // the light turned green again: go
        }
    }
}

DriveState RouteDrive::step()
{
    const double dt = 1.0 / options_.rateHz;
    if (cycle_ > 0) {
        const double was = s_;
        if (waitLeft_ > 0) {
            waitLeft_ -= dt;
            v_ = 0;
            const bool atEnd = s_ <= 0.0 || s_ >= along_.last();
            if (waitLeft_ <= 0 && atEnd) {
                forward_ = s_ <= 0.0;
                waited_.fill(false);
                arrival_.fill(std::nullopt);
            }
        } else {
            if (options_.signalled) {
                watchSignals(double(cycle_ - 1) * dt);
            }
            const double stop = nextStop();
            const double d = std::fabs(stop - s_);
            v_ =
                std::min({options_.cruiseMps, v_ + kAccelMps2 * dt, std::sqrt(2 * kAccelMps2 * d)});
            double move = v_ * dt;
            if (move >= d - kArrivedM) {
                move = d;
                v_ = 0;
                const bool atEnd = stop <= 0.0 || stop >= along_.last();
                // At a red signal it stands until watchSignals sees green.
                if (atEnd || !options_.signalled) {
                    waitLeft_ = atEnd ? kTurnSeconds : options_.waitSeconds;
                    for (qsizetype i = 0; i < checkpointAt_.size() && !atEnd; ++i) {
                        if (std::fabs(lightAt(i) - stop) < 1e-9) {
                            waited_[i] = true;
                        }
                    }
                }
            }
            s_ += forward_ ? move : -move;
        }
        for (qsizetype i = 0; i < checkpointAt_.size(); ++i) {
            const double c = checkpointAt_[i];
            const bool crossed = forward_ ? (was < c && s_ >= c) : (was > c && s_ <= c);
            if (crossed) {
                const double part = (c - was) / (s_ - was);
                TrueCrossing crossing{(double(cycle_ - 1) + part) * dt, int(i), forward_, {}, 0};
                if (const std::optional<CheckpointSignal>& signal = signalAt(i)) {
                    // Undecided only when the drive began within braking distance.
                    const bool decided = arrival_[i].has_value();
                    crossing.arrivedOnGreen =
                        decided ? *arrival_[i]
                                : signal->intersection.isGreen(signal->movement,
                                                               sinceCycleZero(crossing.seconds));
                    crossing.unslowedSeconds =
                        decided && !*arrival_[i] ? unslowed_[i] : crossing.seconds;
                }
                crossings_.append(crossing);
            }
        }
    }

    std::normal_distribution<double> normal(0.0, 1.0);
    const double keep = std::exp(-dt / kNoiseMemorySeconds);
    const double fresh = options_.noiseM * std::sqrt(1.0 - keep * keep);
    biasX_ = keep * biasX_ + fresh * normal(random_);
    biasY_ = keep * biasY_ + fresh * normal(random_);
    const double jitter = options_.noiseM * 0.1;
    const Point p = at(s_);
    // The way the road runs here, as the vehicle drives it.
    const Point ahead = at(std::min(s_ + 1.0, along_.last()));
    const Point behind = at(std::max(s_ - 1.0, 0.0));
    double course =
        std::atan2(ahead.x - behind.x, ahead.y - behind.y) * 180.0 / 3.14159265358979323846;
    if (!forward_) {
        course += 180.0;
    }

    DriveState state;
    state.seconds = double(cycle_) * dt;
    state.latitude = plane_.latitudeOf(p.y + biasY_ + jitter * normal(random_));
    state.longitude = plane_.longitudeOf(p.x + biasX_ + jitter * normal(random_));
    state.speedMps = v_;
    state.courseDeg = std::fmod(course + 360.0, 360.0);
    ++cycle_;
    return state;
}
