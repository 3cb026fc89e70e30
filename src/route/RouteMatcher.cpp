// Checkpoint lines, their crossings, and the runs they make.

#include "RouteMatcher.h"

#include <cmath>

namespace route {

namespace {

constexpr double kMetresPerDegree = 6371008.8 * M_PI / 180.0;
// How far before a line (after it, driving backwards) the vehicle must have
// been, moving, for a crossing to count: more than the noise of a fix.
constexpr double kApproachM = 5.0;
// Slower than this a receiver's speed is a standing vehicle's noise.
constexpr double kMovingMps = 0.8;
// Without the receiver's speed: how far it must have gone in a few seconds.
constexpr double kMovedM = 5.0;
constexpr double kMovedWithinS = 3.0;
// The way it has gone over the last seconds must be the way of the crossing.
constexpr double kHeadingWindowS = 2.0;

constexpr double kRadian = M_PI / 180.0;

double normalised(double& x, double& y)
{
    const double length = std::hypot(x, y);
    if (length > 0) {
        x /= length;
        y /= length;
    }
    return length;
}

} // namespace

LocalPlane::LocalPlane(const QList<Checkpoint>& route)
{
    // Centred on the route itself: longitudes are taken about the first
    // checkpoint's the short way round, so that a route across the 180°
    // meridian lies where it is, not on the far side of the earth.
    const double first = route.isEmpty() ? 0.0 : route.first().longitude;
    double east = 0.0;
    for (const Checkpoint& c : route) {
        lat0_ += c.latitude / double(route.size());
        east += std::remainder(c.longitude - first, 360.0) / double(route.size());
    }
    lon0_ = std::remainder(first + east, 360.0);
    metresPerDegreeLon_ = kMetresPerDegree * std::cos(lat0_ * kRadian);
}

LocalPlane::Point LocalPlane::at(double latitude, double longitude) const
{
    return {std::remainder(longitude - lon0_, 360.0) * metresPerDegreeLon_,
            (latitude - lat0_) * kMetresPerDegree};
}

double LocalPlane::latitudeOf(double y) const
{
    return lat0_ + y / kMetresPerDegree;
}

double LocalPlane::longitudeOf(double x) const
{
    return std::remainder(lon0_ + x / metresPerDegreeLon_, 360.0); // -180 to 180
}

CheckpointLines::CheckpointLines(const QList<Checkpoint>& checkpoints)
    : checkpoints_(checkpoints), plane_(checkpoints)
{
    for (const Checkpoint& c : checkpoints_) {
        const Point p = toPlane(c.latitude, c.longitude);
        Line line;
        line.x = p.x;
        line.y = p.y;
        line.radius = c.radiusM.value_or(kDefaultRadiusM);
        lines_.append(line);
    }
    // Each line lies across the route: square to the way in at the first,
    // the way out at the last, and between the two at the others.
    const int n = int(lines_.size());
    for (int i = 0; i < n; ++i) {
        double ux = 0, uy = 0;
        if (i > 0) {
            double dx = lines_[i].x - lines_[i - 1].x, dy = lines_[i].y - lines_[i - 1].y;
            normalised(dx, dy);
            ux += dx;
            uy += dy;
        }
        if (i + 1 < n) {
            double dx = lines_[i + 1].x - lines_[i].x, dy = lines_[i + 1].y - lines_[i].y;
            normalised(dx, dy);
            ux += dx;
            uy += dy;
        }
        if (normalised(ux, uy) < 1e-6) {
            // The route turns back at this checkpoint: the way in decides.
            ux = lines_[i].x - lines_[i - 1].x;
            uy = lines_[i].y - lines_[i - 1].y;
            normalised(ux, uy);
        }
        lines_[i].ux = ux;
        lines_[i].uy = uy;
    }
}

CheckpointLines::Point CheckpointLines::toPlane(double latitude, double longitude) const
{
    const LocalPlane::Point p = plane_.at(latitude, longitude);
    return {p.x, p.y, 0.0};
}

double CheckpointLines::metresTo(int i, double latitude, double longitude) const
{
    const Point p = toPlane(latitude, longitude);
    return std::hypot(p.x - lines_[i].x, p.y - lines_[i].y);
}

qint16 CheckpointLines::runDirection(Way way) const
{
    const Line& first = lines_.first();
    const Line& last = lines_.last();
    double dx = last.x - first.x, dy = last.y - first.y;
    if (way == Way::Backward) {
        dx = -dx;
        dy = -dy;
    }
    if (std::fabs(dy) >= std::fabs(dx)) {
        return dy >= 0 ? 2 : 1; // NB : SB
    }
    return dx >= 0 ? 4 : 3; // EB : WB
}

const CheckpointLines::Point* CheckpointLines::before(const Point& p, double age) const
{
    for (int k = 1; k <= recentCount_; ++k) {
        const Point& old =
            recent_[std::size_t((recentNext_ - k + int(recent_.size())) % int(recent_.size()))];
        if (p.seconds - old.seconds >= age) {
            return &old;
        }
    }
    return nullptr;
}

bool CheckpointLines::moving(const FixPoint& fix, const Point& p) const
{
    if (fix.speedMps >= 0) {
        return fix.speedMps >= kMovingMps;
    }
    // How far from the newest fix a few seconds old; not yet known without one.
    const Point* old = before(p, kMovedWithinS);
    return old && std::hypot(p.x - old->x, p.y - old->y) >= kMovedM;
}

CheckpointLines::Crossings CheckpointLines::onFix(const FixPoint& fix)
{
    Crossings out;
    if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude) ||
        std::fabs(fix.latitude) > 90.0 || std::fabs(fix.longitude) > 180.0) {
        return out;
    }
    Point p = toPlane(fix.latitude, fix.longitude);
    p.seconds = fix.seconds;
    if (last_ && !(p.seconds >= last_->seconds)) {
        recentCount_ = 0; // a clock that went back (midnight) or none: start afresh
    }
    const bool isMoving = moving(fix, p);
    // Where it was a little while ago, to see which way it goes.
    const Point* ago = before(p, kHeadingWindowS);

    for (int i = 0; i < int(lines_.size()); ++i) {
        Line& l = lines_[i];
        const auto alongOf = [&l](const Point& q) {
            return (q.x - l.x) * l.ux + (q.y - l.y) * l.uy;
        };
        const auto acrossOf = [&l](const Point& q) {
            return (q.y - l.y) * l.ux - (q.x - l.x) * l.uy;
        };
        const double along = alongOf(p);
        // A standing vehicle's noise neither arms a line nor crosses it, and
        // a vehicle beside the route does not arm it.
        const bool approaching = isMoving && std::fabs(acrossOf(p)) <= l.radius + kApproachM;
        if (approaching && along <= -kApproachM) {
            l.armedForward = true;
        }
        if (approaching && along >= kApproachM) {
            l.armedBackward = true;
        }
        if (last_) {
            const double was = alongOf(*last_);
            if (was != along) {
                const double t = was / (was - along);
                const double across = acrossOf(*last_) + t * (acrossOf(p) - acrossOf(*last_));
                // Round the end of a line is not across it, and leaves it to
                // be approached afresh.
                const bool within = std::fabs(across) <= l.radius;
                // On the line is not past it: stored positions are rounded to
                // a grid that the line may run along.
                if (was <= 0 && along > 0) {
                    l.pendingForward = within && l.armedForward;
                    l.armedForward = l.armedForward && within;
                }
                if (was >= 0 && along < 0) {
                    l.pendingBackward = within && l.armedBackward;
                    l.armedBackward = l.armedBackward && within;
                }
            }
        }
        // Back on the side it came from: noise, not a crossing.
        l.pendingForward = l.pendingForward && along > 0;
        l.pendingBackward = l.pendingBackward && along < 0;
        const double gone = ago ? along - alongOf(*ago) : 0.0;
        const bool forward = l.pendingForward && isMoving && gone >= 0;
        const bool backward = l.pendingBackward && isMoving && gone <= 0;
        if (forward) {
            l.pendingForward = l.armedForward = false;
        }
        if (backward) {
            l.pendingBackward = l.armedBackward = false;
        }
        const auto add = [&out, i](Way way) {
            if (out.count < int(out.at.size())) {
                out.at[std::size_t(out.count++)] = {i, way};
            }
        };
        if (forward) {
            add(Way::Forward);
        }
        if (backward) {
            add(Way::Backward);
        }
    }

    last_ = p;
    recent_[std::size_t(recentNext_)] = p;
    recentNext_ = (recentNext_ + 1) % int(recent_.size());
    recentCount_ = std::min(recentCount_ + 1, int(recent_.size()));
    return out;
}

RunsByPosition::RunsByPosition(const QList<Checkpoint>& checkpoints) : lines_(checkpoints) {}

int RunsByPosition::drivingIndex(int checkpoint, Way way) const
{
    return way == Way::Forward ? checkpoint : lines_.size() - 1 - checkpoint;
}

int RunsByPosition::checkpointAt(int index, Way way) const
{
    return way == Way::Forward ? index : lines_.size() - 1 - index;
}

RunsByPosition::Commands RunsByPosition::onFix(const FixPoint& fix, int nodes)
{
    Commands out;
    const auto add = [&out](Command c) {
        if (out.count < int(out.at.size())) {
            out.at[std::size_t(out.count++)] = c;
        }
    };
    const CheckpointLines::Crossings crossings = lines_.onFix(fix);
    const int last = lines_.size() - 1;
    // The run under way first: a loop route's last line may stop it at the
    // very fix whose first line starts the next.
    for (int k = 0; k < crossings.count && running_ && !stopDue_; ++k) {
        const Crossing c = crossings.at[std::size_t(k)];
        const int index = drivingIndex(c.checkpoint, c.way);
        if ((way_ && *way_ != c.way) || index < next_) {
            continue; // the other way, or counted already: once a run
        }
        // A run started by key: its first crossing tells the way (the
        // first checkpoint was the key's).
        way_ = c.way;
        if (index == last) {
            stopDue_ = true;
        } else {
            next_ = index + 1;
            nodesDue_ = std::max(nodesDue_, index);
        }
    }
    if (running_ && stopDue_) {
        add({Command::Stop, *way_, checkpointAt(last, *way_)});
    } else if (running_ && way_ && nodes < nodesDue_) {
        // One node a fix: the node command takes one a second at most.
        add({Command::Node, *way_, checkpointAt(nodes + 1, *way_)});
    }
    if (!running_ || stopDue_) {
        // Only the first checkpoint, driven towards the second, starts a run.
        for (int k = 0; k < crossings.count; ++k) {
            const Crossing c = crossings.at[std::size_t(k)];
            if (drivingIndex(c.checkpoint, c.way) == 0) {
                add({Command::Start, c.way, c.checkpoint});
                break;
            }
        }
    }
    return out;
}

void RunsByPosition::runStarted(std::optional<Way> way)
{
    running_ = true;
    way_ = way;
    next_ = way ? 1 : 0;
    nodesDue_ = 0;
    stopDue_ = false;
}

void RunsByPosition::runStopped()
{
    running_ = false;
    way_.reset();
    next_ = 0;
    nodesDue_ = 0;
    stopDue_ = false;
}

std::optional<int> RunsByPosition::nextCheckpoint() const
{
    if (!running_ || !way_ || next_ >= lines_.size()) {
        return std::nullopt;
    }
    return checkpointAt(next_, *way_);
}

} // namespace route
