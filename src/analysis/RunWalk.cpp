// The walk over a study's runs and node stretches.

#include "RunWalk.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace gd2 {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// A run's path keeps the points that lie further than this fraction of its
// duration and length from the line through the points kept around them: a
// chart a thousand pixels wide draws it as it would the whole.
constexpr double kPathTolerance = 1.0 / 2500.0;

QString nodeLabel(qint16 node)
{
    return node == 0 ? QStringLiteral("start") : QStringLiteral("N%1").arg(node);
}

// The points of a run's time-space line that a chart can tell apart from
// the line without them; a point without a speed is kept, as it breaks the
// line of speed along the route.
QList<RunPoint> thinned(const QList<RunPoint>& points)
{
    if (points.size() < 3) {
        return points;
    }
    const double seconds = std::max(1e-3, double(points.last().seconds));
    const double miles = std::max(1e-6, double(points.last().miles));
    QList<QPointF> scaled;
    scaled.reserve(points.size());
    for (const RunPoint& p : points) {
        scaled.append({p.seconds / seconds, p.miles / miles});
    }
    const QList<bool> keep = cornersKept(scaled, kPathTolerance);
    QList<RunPoint> out;
    for (qsizetype k = 0; k < points.size(); ++k) {
        if (keep[k] || points[k].mph < 0.0f) {
            out.append(points[k]);
        }
    }
    return out;
}

} // namespace

double haversineMetres(double lat1, double lon1, double lat2, double lon2)
{
    return haversineMetres(lat1, lon1, std::cos(lat1 * kRadiansPerDegree), lat2, lon2,
                           std::cos(lat2 * kRadiansPerDegree));
}

double haversineMetres(double lat1, double lon1, double cosLat1, double lat2, double lon2,
                       double cosLat2)
{
    const double sinLat = std::sin((lat2 - lat1) * kRadiansPerDegree / 2.0);
    const double sinLon = std::sin((lon2 - lon1) * kRadiansPerDegree / 2.0);
    double a = sinLat * sinLat + cosLat1 * cosLat2 * sinLon * sinLon;
    a = std::clamp(a, 0.0, 1.0);
    return 2.0 * kEarthRadiusMetres * std::asin(std::sqrt(a));
}

std::optional<double> averageMph(double metres, std::optional<qint64> ms)
{
    if (!ms || *ms <= 0) {
        return std::nullopt;
    }
    return metres / (double(*ms) / 1000.0) / kMetresPerSecondPerMph;
}

QList<bool> cornersKept(const QList<QPointF>& pts, double tolerance)
{
    QList<bool> keep(pts.size(), false);
    if (pts.isEmpty()) {
        return keep;
    }
    keep.first() = true;
    keep.last() = true;
    QList<std::pair<qsizetype, qsizetype>> todo{{0, pts.size() - 1}};
    while (!todo.isEmpty()) {
        const auto [a, b] = todo.takeLast();
        const QPointF d = pts[b] - pts[a];
        const double length = std::hypot(d.x(), d.y());
        double worst = 0.0;
        qsizetype at = -1;
        for (qsizetype k = a + 1; k < b; ++k) {
            const QPointF p = pts[k] - pts[a];
            const double off = length > 0.0 ? std::fabs(d.x() * p.y() - d.y() * p.x()) / length
                                            : std::hypot(p.x(), p.y());
            if (off > worst) {
                worst = off;
                at = k;
            }
        }
        if (at >= 0 && worst > tolerance) {
            keep[at] = true;
            todo.append({a, at});
            todo.append({at, b});
        }
    }
    return keep;
}

std::optional<double> travelSpeedMph(const Stretch& s)
{
    return s.positioned > 0 ? averageMph(s.metres, s.travelMs) : std::nullopt;
}

std::optional<double> runningSpeedMph(const Stretch& s)
{
    if (!s.travelMs || s.positioned == 0) {
        return std::nullopt;
    }
    return averageMph(s.metres, *s.travelMs - s.stoppedMs);
}

std::optional<double> stopsPerMile(const Stretch& s)
{
    if (!s.travelMs || s.metres <= 0.0) {
        return std::nullopt;
    }
    return double(s.stops) / (s.metres / kMetresPerMile);
}

std::optional<qint64> RunReport::durationMs() const
{
    if (!start || !end) {
        return std::nullopt;
    }
    return *end - *start;
}

// A fix's time runs to the next timed fix and its distance to the next fix
// with a position: both are settled when that fix comes, so that nothing is
// kept per fix.
struct RunWalker::State
{
    WalkOptions options;
    Done done;
    RunDating dating;
    bool open = false;
    RunReport rep;

    // Plain values rather than optionals: optimising compilers follow them
    // better through the loop, and warn of none.
    bool haveTimed = false;
    qsizetype timedStretch = 0;
    qint64 timedAt = 0;
    bool timedSlow = false;
    bool timedInStop = false;
    bool havePlaced = false;
    qsizetype placedStretch = 0;
    double placedLat = 0.0;
    double placedLon = 0.0;
    double placedCosLat = 1.0;

    QList<qsizetype> delayStretch;
    bool moving = false;
    bool inStop = false;
    double pathMetres = 0.0;
    bool markDue = false;
    QList<RunPoint> points;

    void begin(const FixRecord& r)
    {
        rep = RunReport();
        rep.number = r.RunNum;
        haveTimed = false;
        havePlaced = false;
        delayStretch.clear();
        moving = false;
        inStop = false;
        pathMetres = 0.0;
        markDue = false;
        points.clear();
        open = true;
    }

    void add(const FixRecord& r, const RunDating::Dated& d);
    void end();
};

void RunWalker::State::add(const FixRecord& r, const RunDating::Dated& d)
{
    const std::optional<qint64> stamp = d.stamp;
    ++rep.fixes;
    if (r.RunDir != 0) {
        rep.direction = r.RunDir;
    }
    if (d.backwards) {
        ++rep.backwards;
    }
    if (rep.stretches.isEmpty() || rep.stretches.last().node != r.NodeNum) {
        if (!rep.stretches.isEmpty()) {
            rep.stretches.last().to = nodeLabel(r.NodeNum);
            markDue = r.NodeNum > rep.stretches.last().node;
            if (markDue) {
                if (stamp && (options.speedChart || options.nodeDelays)) {
                    rep.nodes.append({*stamp, r.NodeNum});
                }
            }
        }
        Stretch s;
        s.node = r.NodeNum;
        s.from = nodeLabel(r.NodeNum);
        s.to = QStringLiteral("end");
        rep.stretches.append(s);
    }
    Stretch& s = rep.stretches.last();
    ++s.fixes;
    // Each field is read once a record: a day of fixes at 10 Hz is millions.
    const auto mph = speedOf(r);
    const bool placed = hasPosition(r);
    // As isIncomplete() says, from the fields already read.
    if (!mph || !stamp || !placed || r.FixQuality < 0 || r.NumSats < 0 || !hdopOf(r)) {
        ++s.incomplete;
        ++rep.incomplete;
    }
    if (r.DelayNum != missing::kInteger) {
        s.delays.append(r.DelayNum);
        rep.delays.append({r.DelayNum, stamp, QString()});
        delayStretch.append(rep.stretches.size() - 1);
    }
    // A stop ends only above the go speed, so a creeping queue is one; a fix
    // without a speed changes nothing.
    const bool slow = mph && *mph < options.stops.stopMph;
    if (!moving && mph && *mph > options.stops.goMph) {
        moving = true;
        inStop = false;
    } else if (moving && slow) {
        moving = false;
        inStop = true;
        ++s.stops;
        ++rep.stops;
    }
    if (placed) {
        ++s.positioned;
        ++rep.positioned;
    }
    const qsizetype here = rep.stretches.size() - 1;
    if (stamp) {
        ++rep.timed;
        if (haveTimed) {
            Stretch& before = rep.stretches[timedStretch];
            const qint64 dt = *stamp - timedAt;
            *before.travelMs += dt;
            if (timedSlow && dt > 0) {
                before.stoppedMs += dt;
                rep.stoppedMs += dt;
                if (timedInStop) {
                    before.stopsMs += dt;
                    rep.stopsMs += dt;
                }
                if (options.speedChart && !rep.stopped.isEmpty() &&
                    rep.stopped.last().to == timedAt) {
                    rep.stopped.last().to = *stamp;
                } else if (options.speedChart) {
                    rep.stopped.append({timedAt, *stamp});
                }
            }
        }
        if (!rep.start) {
            rep.start = stamp;
            rep.daysAdded = dating.daysAdded();
        }
        rep.end = stamp;
        if (!s.start) {
            s.start = stamp;
            s.travelMs = 0;
        }
        if (options.speedChart || options.nodeDelays) {
            rep.samples.append({*stamp, mph});
        }
        haveTimed = true;
        timedStretch = here;
        timedAt = *stamp;
        timedSlow = slow;
        timedInStop = inStop;
    }
    if (placed) {
        const double cosLat = std::cos(r.Latitude * kRadiansPerDegree);
        if (havePlaced) {
            const double leg = haversineMetres(placedLat, placedLon, placedCosLat, r.Latitude,
                                               r.Longitude, cosLat);
            rep.stretches[placedStretch].metres += leg;
            rep.metres += leg;
        }
        havePlaced = true;
        placedStretch = here;
        placedLat = r.Latitude;
        placedLon = r.Longitude;
        placedCosLat = cosLat;
        if (options.path && stamp) {
            const RunPoint p{float(double(*stamp - *rep.start) / 1000.0),
                             float(rep.metres / kMetresPerMile), mph ? float(*mph) : -1.0f,
                             r.NodeNum};
            points.append(p);
            if (markDue) {
                rep.marks.append(p);
                markDue = false;
            }
        }
    }
}

void RunWalker::State::end()
{
    if (!open) {
        return;
    }
    open = false;
    // A delay's stretch is named once the node after it is known; the
    // delays of a stretch share its name.
    for (qsizetype k = 0; k < rep.delays.size(); ++k) {
        const Stretch& s = rep.stretches[delayStretch[k]];
        rep.delays[k].stretch = s.from + u'-' + s.to;
    }
    if (options.path) {
        rep.path = thinned(points);
    }
    if (options.nodeDelays) {
        rep.nodeDelays = nodeDelays(rep.samples, rep.nodes, options.stops);
        if (!options.speedChart) {
            rep.samples = {};
            rep.nodes = {};
        }
    }
    done(std::move(rep));
}

RunWalker::RunWalker(WalkOptions options, Done done) : state_(std::make_unique<State>())
{
    state_->options = options;
    state_->done = std::move(done);
}

RunWalker::~RunWalker() = default;

void RunWalker::add(const FixRecord& r)
{
    const RunDating::Dated d = state_->dating.next(r);
    if (d.runStarts) {
        state_->end();
        state_->begin(r);
    }
    state_->add(r, d);
}

void RunWalker::finish()
{
    state_->end();
}

QList<RunReport> analyse(const Study& study, WalkOptions options)
{
    QList<RunReport> reports;
    RunWalker walker(options, [&](RunReport&& run) { reports.append(std::move(run)); });
    for (const FixRecord& r : study.records) {
        walker.add(r);
    }
    walker.finish();
    return reports;
}

} // namespace gd2
