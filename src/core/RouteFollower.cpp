// The route's commands and the route line, for the collector.

#include "RouteFollower.h"

#include "RunWalk.h"
#include "Stats.h"

#include <QStringList>
#include <cmath>

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMetresPerFoot = 0.3048;

QString directionName(qint16 runDir)
{
    const QString code = gd2::directionCode(runDir);
    return code.isEmpty() ? QStringLiteral("no direction") : code;
}

QString duration(double seconds)
{
    const auto s = qint64(std::llround(seconds));
    return s >= 3600 ? QStringLiteral("%1:%2:%3")
                           .arg(s / 3600)
                           .arg(s / 60 % 60, 2, 10, QChar(u'0'))
                           .arg(s % 60, 2, 10, QChar(u'0'))
                     : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar(u'0'));
}

QString distance(double metres, bool metric)
{
    if (metric) {
        return metres < 1000 ? QStringLiteral("%1 m").arg(std::lround(metres / 10) * 10)
                             : QStringLiteral("%1 km").arg(metres / 1000, 0, 'f', 1);
    }
    const double feet = metres / kMetresPerFoot;
    return feet < 1000 ? QStringLiteral("%1 ft").arg(std::lround(feet / 10) * 10)
                       : QStringLiteral("%1 mi").arg(metres / gd2::kMetresPerMile, 0, 'f', 2);
}

} // namespace

RouteFollower::RouteFollower(const QList<route::Checkpoint>& checkpoints)
    : runs_(checkpoints), runsSoFar_(runsSoFar())
{
}

RouteFollower::~RouteFollower() = default;

route::RunsByPosition::Commands RouteFollower::onFix(const FixRecord& fix, Hemispheres hemispheres,
                                                     double studyDate, int nodes)
{
    // Only a position the record could hold: 0, -1 and the unreadable -999
    // place nothing.
    const bool placed =
        fix.Latitude > 0 && fix.Latitude <= 90 && fix.Longitude > 0 && fix.Longitude <= 180;
    route::FixPoint p;
    p.latitude = placed ? (hemispheres.south ? -fix.Latitude : fix.Latitude) : NAN;
    p.longitude = placed ? (hemispheres.west ? -fix.Longitude : fix.Longitude) : NAN;
    p.speedMps = fix.SpeedMph >= 0 && fix.SpeedMph <= 250
                     ? fix.SpeedMph * gd2::kMetresPerSecondPerMph
                     : -1.0;
    const double timeOfDay = fix.FixTime - studyDate;
    p.seconds = timeOfDay > 0 && timeOfDay < 1 ? timeOfDay * kSecondsPerDay : NAN;
    if (placed) {
        last_ = p;
    }
    return runs_.onFix(p, nodes);
}

void RouteFollower::runStarted(std::optional<route::Way> way)
{
    runs_.runStarted(way);
    walker_ = std::make_unique<gd2::RunWalker>(
        gd2::WalkOptions{}, [this](gd2::RunReport&& report) { finishRun(std::move(report)); });
}

void RouteFollower::recorded(const FixRecord& record)
{
    if (walker_) {
        walker_->add(record);
    }
}

void RouteFollower::runStopped()
{
    runs_.runStopped();
    if (walker_) {
        walker_->finish();
        walker_.reset();
    }
    // Made once a run, not at every fix between runs.
    runsSoFar_ = runsSoFar();
}

void RouteFollower::finishRun(gd2::RunReport&& report)
{
    const std::optional<qint64> ms = report.durationMs();
    const QString dir = directionName(report.direction);
    if (!ms) {
        lastRun_ = QStringLiteral("Run %1 (%2): no travel time").arg(report.number).arg(dir);
        return;
    }
    seconds_[report.direction].append(*ms / 1000.0);
    lastRun_ =
        QStringLiteral("Run %1 (%2): %3").arg(report.number).arg(dir, duration(*ms / 1000.0));
}

qint16 RouteFollower::runDirection(route::Way way) const
{
    return runs_.lines().runDirection(way);
}

QString RouteFollower::commandText(const route::RunsByPosition::Command& command, qint16 runNum,
                                   qint16 nodes) const
{
    using Kind = route::RunsByPosition::Command::Kind;
    const route::CheckpointLines& lines = runs_.lines();
    const int place = command.way == route::Way::Forward ? command.checkpoint + 1
                                                         : lines.size() - command.checkpoint;
    const QString at = QStringLiteral("Checkpoint %1 (%2 of %3): ")
                           .arg(lines.checkpoint(command.checkpoint).name)
                           .arg(place)
                           .arg(lines.size());
    switch (command.kind) {
    case Kind::Start:
        return at + QStringLiteral("run %1 started").arg(runNum);
    case Kind::Node:
        return at + QStringLiteral("node %1").arg(nodes);
    case Kind::Stop:
        return at + QStringLiteral("run %1 stopped").arg(runNum);
    case Kind::None:
        break;
    }
    return {};
}

QString RouteFollower::text(bool metric) const
{
    const route::CheckpointLines& lines = runs_.lines();
    if (runs_.running()) {
        const std::optional<int> next = runs_.nextCheckpoint();
        if (!next) {
            return QStringLiteral("Run started by key: the next checkpoint shows once one is "
                                  "crossed");
        }
        const int place = *runs_.way() == route::Way::Forward ? *next + 1 : lines.size() - *next;
        QString text = QStringLiteral("Next: %1 (%2 of %3)")
                           .arg(lines.checkpoint(*next).name)
                           .arg(place)
                           .arg(lines.size());
        if (last_) {
            text += QStringLiteral(", ") +
                    distance(lines.metresTo(*next, last_->latitude, last_->longitude), metric);
        }
        return text;
    }
    return runsSoFar_;
}

QString RouteFollower::runsSoFar() const
{
    const route::CheckpointLines& lines = runs_.lines();
    QStringList parts;
    if (lastRun_.isEmpty()) {
        parts << QStringLiteral("%1 checkpoints: a run starts at %2 (%3) or at %4 (%5)")
                     .arg(lines.size())
                     .arg(lines.checkpoint(0).name,
                          directionName(lines.runDirection(route::Way::Forward)),
                          lines.checkpoint(lines.size() - 1).name,
                          directionName(lines.runDirection(route::Way::Backward)));
    } else {
        parts << lastRun_;
    }
    for (auto it = seconds_.begin(); it != seconds_.end(); ++it) {
        const vtstats::Description d = vtstats::describe(it.value(), kConfidence, kPrecisionPct);
        QString s = QStringLiteral("%1: %2 run%3")
                        .arg(directionName(it.key()))
                        .arg(d.n)
                        .arg(d.n == 1 ? "" : "s");
        if (d.cvPct && d.needed) {
            const long long more = std::max(0LL, d.needed->n - (long long)d.n);
            s += QStringLiteral(", CV %1 %, ").arg(*d.cvPct, 0, 'f', 1);
            s +=
                more == 0
                    ? QStringLiteral("enough")
                    : QStringLiteral("%1%2 more needed").arg(more).arg(d.needed->capped ? "+" : "");
        }
        parts << s;
    }
    if (!seconds_.isEmpty()) {
        parts.last() += QStringLiteral(" (±%1 % at %2 %)")
                            .arg(kPrecisionPct, 0, 'f', 0)
                            .arg(kConfidence * 100, 0, 'f', 0);
    }
    return parts.join(QStringLiteral(". "));
}
