// Control delay and stops per node, and the levels of service.

#include "NodeDelay.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gd2 {

namespace {

// Receivers' speeds jitter by a mile an hour or so from fix to fix; the
// slowdown is found on speeds averaged over this many seconds either side.
constexpr double kSmoothHalfSeconds = 1.5;
// The cruise speed is this quantile of the averaged speed on the approach:
// high enough to stand above a stop or two on it, low enough to ignore a
// burst of speed or a fix gone wild.
constexpr double kCruiseQuantile = 0.85;
// The approach reaches back to the node before, and at least this far; and
// twice as far, and again, up to the longest, until it holds a speed for a
// while: two signals close together may leave no cruise between them. The
// bound keeps a run of nodes marked at every fix from taking quadratic time.
constexpr double kApproachSeconds = 60.0;
constexpr double kLongestApproachSeconds = 960.0;
constexpr double kHeldSeconds = 8.0;
// Nodes marked closer together than this share their approach: its window
// hardly moves, and a file with a node at every fix stays linear.
constexpr qint64 kSameApproachMs = 1000;
// A node is slowed for when the averaged speed falls under this share of
// the cruise speed; the slowdown runs out to where it is back above the
// second. Between the two shares the time lost is a few hundredths of a
// second, less than the jitter.
constexpr double kSlowedShare = 0.8;
constexpr double kRegainedShare = 0.9;
// How long after the mark the slowest point may lie, when the vehicle is
// already slowing there: the key may be pressed a little before the line.
constexpr double kAfterMarkSeconds = 10.0;

// A run's profile: strictly increasing seconds, speeds not below 0.
struct Profile
{
    std::vector<qint64> at;
    std::vector<double> t;
    std::vector<double> v;
    std::vector<double> smooth;
    std::vector<bool> stopStarts;

    std::size_t size() const { return t.size(); }
    // The first point at or after `ms`; the last when none.
    std::size_t indexAt(qint64 ms) const
    {
        const auto it = std::lower_bound(at.begin(), at.end(), ms);
        return it == at.end() ? size() - 1 : std::size_t(it - at.begin());
    }
    std::size_t argmin(std::size_t a, std::size_t b) const
    {
        return std::size_t(std::min_element(smooth.begin() + a, smooth.begin() + b + 1) -
                           smooth.begin());
    }
    std::size_t argmax(std::size_t a, std::size_t b) const
    {
        return std::size_t(std::max_element(smooth.begin() + a, smooth.begin() + b + 1) -
                           smooth.begin());
    }
};

Profile profileOf(const QList<SpeedSample>& samples, StopRule rule)
{
    Profile p;
    for (const SpeedSample& s : samples) {
        // A fix earlier than the one before it, or without a speed, says
        // nothing a profile can use.
        if (!s.mph || (!p.at.empty() && s.at <= p.at.back())) {
            continue;
        }
        p.at.push_back(s.at);
        p.t.push_back(double(s.at - samples.first().at) / 1000.0);
        p.v.push_back(std::max(0.0, *s.mph));
    }
    const std::size_t n = p.size();
    p.smooth.resize(n);
    std::size_t lo = 0;
    std::size_t hi = 0;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        while (hi < n && p.t[hi] <= p.t[i] + kSmoothHalfSeconds) {
            sum += p.v[hi++];
        }
        while (p.t[lo] < p.t[i] - kSmoothHalfSeconds) {
            sum -= p.v[lo++];
        }
        p.smooth[i] = sum / double(hi - lo);
    }
    // Stops as the run walk counts them: not the standing at the start of a
    // run, and not over until the vehicle is going again.
    p.stopStarts.assign(n, false);
    bool moving = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!moving && p.v[i] > rule.goMph) {
            moving = true;
        } else if (moving && p.v[i] < rule.stopMph) {
            moving = false;
            p.stopStarts[i] = true;
        }
    }
    return p;
}

// The median of the averaged speeds within a tenth of their high quantile:
// the quantile finds the cruise among the stops, the median of what lies
// near it does not drift up with the jitter. `held` is how long the
// vehicle was near it.
double cruiseOver(const Profile& p, std::size_t a, std::size_t b, double& held)
{
    std::vector<double> xs(p.smooth.begin() + a, p.smooth.begin() + b + 1);
    const auto k = std::size_t(std::floor(kCruiseQuantile * double(xs.size() - 1)));
    std::nth_element(xs.begin(), xs.begin() + k, xs.end());
    const double high = xs[k];
    const auto near = [high](double x) {
        return x >= kRegainedShare * high && x <= high / kRegainedShare;
    };
    std::vector<double> kept;
    held = 0.0;
    for (std::size_t i = a; i <= b; ++i) {
        if (near(p.smooth[i])) {
            kept.push_back(p.smooth[i]);
            held += i < b ? p.t[i + 1] - p.t[i] : 0.0;
        }
    }
    std::nth_element(kept.begin(), kept.begin() + kept.size() / 2, kept.end());
    return kept[kept.size() / 2];
}

// The part of a step from speed v0 to v1 (linear between) that lies under
// `stop`: its share of the step and its mean speed.
std::pair<double, double> underPart(double v0, double v1, double stop)
{
    if (v0 < stop && v1 < stop) {
        return {1.0, (v0 + v1) / 2.0};
    }
    if (v0 >= stop && v1 >= stop) {
        return {0.0, 0.0};
    }
    const double low = std::min(v0, v1);
    return {(stop - low) / std::fabs(v1 - v0), (stop + low) / 2.0};
}

// Fills the delays of `d` over the points from `b` to `e`: the time each
// step takes less the time its distance takes at the cruise speed. What is
// lost under the stop speed (the speed taken as linear within a step) is
// stopped delay; the rest is deceleration before the slowest point `m` and
// acceleration after it.
void splitDelay(const Profile& p, std::size_t b, std::size_t m, std::size_t e, double cruise,
                StopRule rule, NodeDelay& d)
{
    std::size_t first = e + 1;
    std::size_t last = 0;
    for (std::size_t i = b; i <= e; ++i) {
        if (p.v[i] < rule.stopMph) {
            first = std::min(first, i);
            last = i;
        }
        if (p.stopStarts[i]) {
            ++d.stops;
        }
    }
    const bool stood = first <= e;
    if (!stood) {
        first = last = m;
    }
    for (std::size_t i = b; i < e; ++i) {
        const double dt = p.t[i + 1] - p.t[i];
        const double lost = dt * (1.0 - (p.v[i] + p.v[i + 1]) / 2.0 / cruise);
        const auto [share, mph] = underPart(p.v[i], p.v[i + 1], rule.stopMph);
        const double standing = share * dt * (1.0 - mph / cruise);
        d.stoppedS += standing;
        (i < m ? d.decelerationS : d.accelerationS) += lost - standing;
    }
    d.controlS = d.decelerationS + d.stoppedS + d.accelerationS;
    d.from = p.at[b];
    d.to = p.at[e];
    d.stoppedFrom = p.at[first];
    d.stoppedTo = p.at[last];
}

} // namespace

QList<NodeDelay> nodeDelays(const QList<SpeedSample>& samples, const QList<NodeMark>& marks,
                            StopRule rule)
{
    QList<NodeDelay> out;
    const Profile p = profileOf(samples, rule);
    // Where the slowdown before has ended: no slowdown reaches back past it.
    std::size_t settled = 0;
    double cruise = 0.0;
    for (qsizetype k = 0; k < marks.size(); ++k) {
        NodeDelay d;
        d.node = marks[k].node;
        d.at = d.from = d.to = d.stoppedFrom = d.stoppedTo = marks[k].at;
        if (p.size() < 2) {
            out.append(d);
            continue;
        }
        const qint64 at = marks[k].at;
        const std::size_t c = p.indexAt(at);
        const std::size_t before = k > 0 ? p.indexAt(marks[k - 1].at) : 0;
        const std::size_t next = k + 1 < marks.size() ? p.indexAt(marks[k + 1].at) : p.size() - 1;
        double held = 0.0;
        const bool shared =
            k > 0 && at - marks[k - 1].at < kSameApproachMs && at >= marks[k - 1].at;
        for (double reach = kApproachSeconds; !shared; reach *= 2.0) {
            const std::size_t approach =
                std::min({before, c, p.indexAt(at - qint64(reach * 1000.0))});
            cruise = cruiseOver(p, approach, c, held);
            if (held >= kHeldSeconds || approach == 0 || reach >= kLongestApproachSeconds) {
                break;
            }
        }
        if (cruise <= rule.goMph) {
            out.append(d); // never under way: no speed to lose time against
            continue;
        }
        d.cruiseMph = cruise;
        // The slowest point lies between the slowdown before (or the node
        // before) and the mark, or a little past it while the vehicle is
        // still slow there, short of half the way on.
        qint64 after = at + qint64(kAfterMarkSeconds * 1000.0);
        if (k + 1 < marks.size()) {
            after = std::min(after, at + (marks[k + 1].at - at) / 2);
        }
        const std::size_t lo = std::min(std::max(settled, before), c);
        std::size_t hi = c;
        while (hi + 1 < p.size() && p.at[hi + 1] <= after &&
               p.smooth[hi + 1] < kSlowedShare * cruise) {
            ++hi;
        }
        const std::size_t m = p.argmin(lo, hi);
        if (p.smooth[m] >= kSlowedShare * cruise) {
            out.append(d);
            continue;
        }
        const double regained = kRegainedShare * cruise;
        // Back to the last point at the cruise speed, or the fastest since
        // the slowdown before when the vehicle never got back to it.
        std::size_t b = m;
        while (b > settled && p.smooth[b] < regained) {
            --b;
        }
        if (p.smooth[b] < regained) {
            b = p.argmax(settled, m);
        }
        // On to the first point past the mark at the cruise speed, or the
        // fastest before the next node when the next slowdown comes first.
        const std::size_t from = std::max(m, c);
        std::size_t e = from;
        while (e < next && p.smooth[e] < regained) {
            ++e;
        }
        if (p.smooth[e] < regained) {
            e = p.argmax(from, std::max(from, next));
        }
        splitDelay(p, b, m, e, cruise, rule, d);
        settled = e;
        out.append(d);
    }
    return out;
}

QString intersectionLos(double controlDelayS)
{
    const char* grade = controlDelayS <= 10.0   ? "A"
                        : controlDelayS <= 20.0 ? "B"
                        : controlDelayS <= 35.0 ? "C"
                        : controlDelayS <= 55.0 ? "D"
                        : controlDelayS <= 80.0 ? "E"
                                                : "F";
    return QLatin1String(grade);
}

QString stretchLos(double travelMph, double baseFfsMph)
{
    if (!(baseFfsMph > 0.0) || !std::isfinite(travelMph)) {
        return {};
    }
    const double pct = 100.0 * travelMph / baseFfsMph;
    const char* grade = pct > 80.0   ? "A"
                        : pct > 67.0 ? "B"
                        : pct > 50.0 ? "C"
                        : pct > 40.0 ? "D"
                        : pct > 30.0 ? "E"
                                     : "F";
    return QLatin1String(grade);
}

} // namespace gd2
