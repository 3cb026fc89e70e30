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

double RouteDrive::nextStop() const
{
    // Each checkpoint's light stands a little before it, in the way driven.
    if (forward_) {
        for (qsizetype i = 0; i < checkpointAt_.size(); ++i) {
            const double light = checkpointAt_[i] - options_.waitBeforeM;
            if (!waited_[i] && light >= s_) {
                return light;
            }
        }
        return along_.last();
    }
    for (qsizetype i = checkpointAt_.size() - 1; i >= 0; --i) {
        const double light = checkpointAt_[i] + options_.waitBeforeM;
        if (!waited_[i] && light <= s_) {
            return light;
        }
    }
    return 0.0;
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
            }
        } else {
            const double stop = nextStop();
            const double d = std::fabs(stop - s_);
            v_ =
                std::min({options_.cruiseMps, v_ + kAccelMps2 * dt, std::sqrt(2 * kAccelMps2 * d)});
            double move = v_ * dt;
            if (move >= d - kArrivedM) {
                move = d;
                v_ = 0;
                const bool atEnd = stop <= 0.0 || stop >= along_.last();
                waitLeft_ = atEnd ? kTurnSeconds : options_.waitSeconds;
                for (qsizetype i = 0; i < checkpointAt_.size() && !atEnd; ++i) {
                    const double light = checkpointAt_[i] +
                                         (forward_ ? -options_.waitBeforeM : options_.waitBeforeM);
                    if (std::fabs(light - stop) < 1e-9) {
                        waited_[i] = true;
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
                crossings_.append({(double(cycle_ - 1) + part) * dt, int(i), forward_});
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
