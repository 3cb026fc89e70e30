// Control delay per run and node: the shared options, the table and `gd2 delays`.

#include "Delays.h"

#include "Charts.h"
#include "CheckpointFile.h"
#include "Columns.h"
#include "RouteMatcher.h"
#include "Sink.h"
#include "SpeedChart.h"
#include "Summary.h"
#include "TextFormat.h"

#include <QFileInfo>
#include <QTime>

namespace gd2 {

namespace {

struct NodeLine
{
    const DelayRun& run;
    const NodeDelay& d;
};

QString seconds(double s)
{
    return fixed(s, 1);
}

// Every column of `gd2 delays`, for its text, CSV and page.
Columns<NodeLine> delayColumns()
{
    Columns<NodeLine> c{
        {"file", {}, {}, 0, [](const NodeLine& l, Output) { return l.run.file; }},
        {"run", "Run", "Run", 4,
         [](const NodeLine& l, Output) { return QString::number(l.run.report.number); }},
        {"direction", "Dir", "Direction", 4,
         [](const NodeLine& l, Output) { return directionCode(l.run.report.direction); }},
        {"node", "Node", "Node", 5,
         [](const NodeLine& l, Output) { return QString::number(l.d.node); }},
        {"time", "Time", "Time", 9, [](const NodeLine& l, Output) { return clockText(l.d.at); }},
        {"cruise_mph", "Cruise", "Cruise mph", 7,
         [](const NodeLine& l, Output) {
             return l.d.cruiseMph ? fixed(*l.d.cruiseMph, 1) : QString();
         }},
        {"control_delay_s", "Control", "Control delay s", 8,
         [](const NodeLine& l, Output) { return seconds(l.d.controlS); }},
        {"deceleration_delay_s", "Decel", "Deceleration s", 7,
         [](const NodeLine& l, Output) { return seconds(l.d.decelerationS); }},
        {"stopped_delay_s", "Stopped", "Stopped s", 8,
         [](const NodeLine& l, Output) { return seconds(l.d.stoppedS); }},
        {"acceleration_delay_s", "Accel", "Acceleration s", 7,
         [](const NodeLine& l, Output) { return seconds(l.d.accelerationS); }},
        {"stops", "Stops", "Stops", 6,
         [](const NodeLine& l, Output) { return QString::number(l.d.stops); }},
        {"los", "LOS", "LOS", 4,
         [](const NodeLine& l, Output) {
             return l.d.cruiseMph ? intersectionLos(l.d.controlS) : QString();
         }},
        {"arrival", "Arrival", "Arrival", 8,
         [](const NodeLine& l, Output) {
             return l.run.options ? arrivalText(*l.run.options, l.run.report.direction, l.d)
                                  : QString();
         }},
    };
    return c;
}

struct StretchLine
{
    const MeasureOptions& options;
    const Stretch& s;
};

Columns<StretchLine> stretchColumns()
{
    const auto mph = [](std::optional<double> v) { return v ? fixed(*v, 1) : QString(); };
    Columns<StretchLine> c{
        {{},
         "Stretch",
         "Stretch",
         -12,
         [](const StretchLine& l, Output) { return l.s.from + u'-' + l.s.to; }},
        {{},
         "Travel mph",
         "Travel speed mph",
         11,
         [mph](const StretchLine& l, Output) { return mph(travelSpeedMph(l.s)); }},
        {{},
         "Running mph",
         "Running speed mph",
         12,
         [mph](const StretchLine& l, Output) { return mph(runningSpeedMph(l.s)); }},
        {{},
         "Stops/mi",
         "Stops per mile",
         9,
         [](const StretchLine& l, Output) {
             const auto v = stopsPerMile(l.s);
             return v ? fixed(*v, 2) : QString();
         }},
        {{},
         "LOS",
         "LOS",
         4,
         [](const StretchLine& l, Output) {
             return stretchLosOf(l.options, l.s.to, travelSpeedMph(l.s));
         }},
    };
    return c;
}

std::optional<double> positiveMph(const QString& text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && v > 0.0 && v <= 200.0 ? std::optional(v) : std::nullopt;
}

} // namespace

std::optional<double> MeasureOptions::ffsFor(const QString& to) const
{
    if (!checkpointFfs.isEmpty()) {
        const qsizetype k = to == u"end"          ? checkpointFfs.size() - 1
                            : to.startsWith(u'N') ? to.mid(1).toInt()
                                                  : -1;
        if (k > 0 && k < checkpointFfs.size() && checkpointFfs[k]) {
            return checkpointFfs[k];
        }
    }
    return baseFfsMph;
}

bool MeasureOptions::hasFfs() const
{
    return baseFfsMph || std::any_of(checkpointFfs.cbegin(), checkpointFfs.cend(),
                                     [](const std::optional<double>& v) { return v.has_value(); });
}

std::optional<bool> arrivedOnGreen(const MeasureOptions& options, qint16 direction,
                                   const NodeDelay& d)
{
    return options.nodeSignals ? options.nodeSignals->onGreen(direction, d.node, d.unslowedAt)
                               : std::nullopt;
}

QString arrivalText(const MeasureOptions& options, qint16 direction, const NodeDelay& d)
{
    const std::optional<bool> green = arrivedOnGreen(options, direction, d);
    return !green ? QString() : *green ? QStringLiteral("green") : QStringLiteral("red");
}

QString signalsNote(const MeasureOptions& options, const QString& side)
{
    if (!options.nodeSignals) {
        return {};
    }
    const QTime zero = QTime(0, 0).addSecs(int(options.nodeSignals->cycleZeroSecondOfDay()));
    // One arg() for all: a file named with "%2" stays as it is named.
    return QStringLiteral("<p>Signal timing%1: %2; every controller counts its cycles from "
                          "%3 on the receiver's clock (--cycle-zero). An arrival is on "
                          "green when the vehicle would have crossed the node in its through "
                          "movement's green had it not slowed: the crossing less the control "
                          "delay accrued before it.</p>")
        .arg(side.isEmpty() ? QString() : u' ' + side,
             charts::esc(QFileInfo(options.signalsFile).fileName()),
             zero.toString(QStringLiteral("HH:mm:ss")));
}

namespace {

// --signals (or the option named file), --signal-nodes and --cycle-zero.
QString readSignalOptions(const Arguments& a, MeasureOptions& options,
                          const char* file = "--signals")
{
    if (!a.has("--signals")) {
        for (const char* name : {"--signal-nodes", "--cycle-zero"}) {
            if (a.has(name)) {
                return QStringLiteral("%1 needs --signals").arg(QLatin1String(name));
            }
        }
        return {};
    }
    const QTime zero = QTime::fromString(a.has("--cycle-zero") ? a.value("--cycle-zero")
                                                               : QStringLiteral("00:00:00"),
                                         QStringLiteral("HH:mm:ss"));
    if (!zero.isValid()) {
        return QStringLiteral("--cycle-zero takes a time of day HH:MM:SS, such as 06:00:00");
    }
    options.signalsFile = a.value(file);
    timing::SignalTiming t = timing::readSignalTiming(options.signalsFile);
    if (!t.ok()) {
        return t.error;
    }
    auto tied =
        std::make_shared<timing::NodeSignals>(std::move(t), zero.msecsSinceStartOfDay() / 1000.0);
    if (a.has("--signal-nodes")) {
        QString error;
        const std::optional<QHash<int, int>> nodes =
            timing::parseSignalNodes(a.value("--signal-nodes"), &error);
        if (!nodes) {
            return error;
        }
        tied->setNodes(*nodes);
    } else if (a.has("--checkpoints")) {
        const route::CheckpointList cps = route::readCheckpoints(a.value("--checkpoints"));
        QList<std::optional<int>> ids;
        for (const route::Checkpoint& c : cps.checkpoints) {
            ids << c.signal;
        }
        if (std::none_of(ids.cbegin(), ids.cend(),
                         [](const std::optional<int>& id) { return id.has_value(); })) {
            return QStringLiteral("%1 has no signal column: name the signalised nodes with "
                                  "--signal-nodes N=INTID,...")
                .arg(a.value("--checkpoints"));
        }
        const route::CheckpointLines lines(cps.checkpoints);
        tied->setRoute(ids, lines.runDirection(route::Way::Forward),
                       lines.runDirection(route::Way::Backward));
    } else {
        return QStringLiteral("--signals needs --signal-nodes N=INTID,... or a checkpoint file "
                              "with a signal column (--checkpoints)");
    }
    if (const QString error = tied->check(options.signalsFile); !error.isEmpty()) {
        return error;
    }
    options.nodeSignals = std::move(tied);
    return {};
}

} // namespace

QList<Option> measureOptions()
{
    return {
        {"--signals", "FILE",
         "signal timing (combined UTDF CSV, or intid,cycle_s,movement,green_start_s,green_end_s) "
         "for the arrivals on green",
         Complete::File},
        {"--signal-nodes", "LIST",
         "which nodes are which intersections of --signals: N=INTID,... (else the checkpoint "
         "file's signal column)"},
        {"--cycle-zero", "HH:MM:SS",
         "the time of day, on the receiver's clock, from which every controller counts its "
         "cycles (default 00:00:00)"},
        {"--base-ffs-mph", "MPH", "base free-flow speed for the stretches' level of service"},
        {"--checkpoints", "FILE",
         "the route's checkpoint file; its ffs_mph column gives the base free-flow speed of the "
         "stretch ending at each checkpoint",
         Complete::File},
        {"--stop-mph", "MPH", "a stop begins under this speed (default 5)"},
        {"--go-mph", "MPH", "and ends only above this one (default 10)"},
    };
}

QString readMeasureOptions(const Arguments& a, MeasureOptions& options)
{
    if (a.has("--base-ffs-mph")) {
        options.baseFfsMph = positiveMph(a.value("--base-ffs-mph"));
        if (!options.baseFfsMph) {
            return QStringLiteral("--base-ffs-mph takes a speed above 0, such as 40");
        }
    }
    for (const auto& [name, value] : {std::pair("--stop-mph", &options.stops.stopMph),
                                      std::pair("--go-mph", &options.stops.goMph)}) {
        if (a.has(name)) {
            const auto mph = positiveMph(a.value(name));
            if (!mph) {
                return QStringLiteral("%1 takes a speed above 0, such as 5")
                    .arg(QLatin1String(name));
            }
            *value = *mph;
        }
    }
    if (options.stops.goMph < options.stops.stopMph) {
        return QStringLiteral("--go-mph must not be below --stop-mph");
    }
    if (a.has("--checkpoints")) {
        const route::CheckpointList cps = route::readCheckpoints(a.value("--checkpoints"));
        if (!cps.ok()) {
            return cps.error;
        }
        options.checkpointFfs = cps.ffsMph;
    }
    return readSignalOptions(a, options);
}

QString readSignalsAfter(const Arguments& a, MeasureOptions& options)
{
    if (!a.has("--signals")) {
        return QStringLiteral("--signals-after needs --signals, the timing before the change");
    }
    return readSignalOptions(a, options, "--signals-after");
}

WalkOptions delayWalk(const MeasureOptions& options)
{
    WalkOptions walk;
    walk.nodeDelays = true;
    walk.stops = options.stops;
    return walk;
}

QString stretchLosOf(const MeasureOptions& options, const QString& to, std::optional<double> mph)
{
    const std::optional<double> ffs = options.ffsFor(to);
    return ffs && mph ? stretchLos(*mph, *ffs) : QString();
}

QString delaysCsvHeader()
{
    return csvHeader(delayColumns());
}

QString delaysCsvRows(const DelayRun& run)
{
    static const Columns<NodeLine> columns = delayColumns();
    QString out;
    for (const NodeDelay& d : run.report.nodeDelays) {
        out += csvLine(columns, NodeLine{run, d});
    }
    return out;
}

namespace {

QString delaysText(const DelayRun& run, const MeasureOptions& options)
{
    const Columns<NodeLine> nodes = delayColumns();
    const Columns<StretchLine> stretches = stretchColumns();
    const RunReport& r = run.report;
    const QString dir = directionCode(r.direction);
    QString out =
        QStringLiteral("\n%1 run %2%3%4\n")
            .arg(run.file)
            .arg(r.number)
            .arg(dir.isEmpty() ? QString() : QStringLiteral(" ") + dir)
            .arg(r.start ? QStringLiteral(", ") + dateText(*r.start) + u' ' + clockText(*r.start)
                         : QString());
    if (r.nodeDelays.isEmpty()) {
        out += QStringLiteral("  No node marked.\n");
    } else {
        out += textHeader(nodes);
        for (const NodeDelay& d : r.nodeDelays) {
            out += textLine(nodes, NodeLine{run, d});
        }
    }
    out += textHeader(stretches);
    for (const Stretch& s : r.stretches) {
        out += textLine(stretches, StretchLine{options, s});
    }
    return out;
}

} // namespace

void writeDelaysHtml(const QList<DelayRun>& runs, const MeasureOptions& options, Sink& sink)
{
    using namespace charts;
    const Columns<NodeLine> nodes = delayColumns();
    const Columns<StretchLine> stretches = stretchColumns();
    Lines out(sink);
    out << pageHead(QStringLiteral("Control delay per node"));
    out << QStringLiteral("<h1>Control delay per node</h1>");
    out << QStringLiteral("<p>Control delay: the time from where the vehicle begins to slow for a "
                          "node to where it has regained its cruise speed past it, less the time "
                          "that distance takes at the cruise speed; split into deceleration, "
                          "stopped (under %1 mph) and acceleration delay. A stop ends only above "
                          "%2 mph. Times in seconds.</p>")
               .arg(plain(options.stops.stopMph), plain(options.stops.goMph));
    out << signalsNote(options);
    if (runs.isEmpty()) {
        out << QStringLiteral("<p class=\"note\">No runs.</p>");
    }
    for (const DelayRun& run : runs) {
        const RunReport& r = run.report;
        out << QStringLiteral("<h2>%1 run %2 %3</h2>")
                   .arg(esc(QFileInfo(run.file).fileName()))
                   .arg(r.number)
                   .arg(esc(directionCode(r.direction)));
        QString svg = QString::fromUtf8(speedChartSvg(r));
        svg.remove(0, svg.indexOf(QStringLiteral("<svg")));
        out << svg;
        if (options.nodeSignals) {
            const SummaryRun one{run.file, QString::number(r.number), r};
            out << signalPictures(
                QStringLiteral("Run %1 %2").arg(r.number).arg(directionCode(r.direction)), {&one},
                options);
        }
        if (!r.nodeDelays.isEmpty()) {
            out << QStringLiteral("<table>\n") + htmlHeader(nodes);
            for (const NodeDelay& d : r.nodeDelays) {
                out << htmlLine(nodes, NodeLine{run, d});
            }
            out << QStringLiteral("</table>");
        }
        out << QStringLiteral("<table>\n") + htmlHeader(stretches);
        for (const Stretch& s : r.stretches) {
            out << htmlLine(stretches, StretchLine{options, s});
        }
        out << QStringLiteral("</table>");
    }
    out << QStringLiteral("</body>\n</html>");
}

int runDelays(const Arguments& a, CliOutput& io)
{
    MeasureOptions options;
    if (const QString error = readMeasureOptions(a, options); !error.isEmpty()) {
        return usageError(io, error);
    }
    if (a.has("--csv") && a.has("--html")) {
        return usageError(io, QStringLiteral("--csv and --html are one or the other"));
    }
    const QString html = a.value("--html");
    const bool csv = a.has("--csv");
    WalkOptions walk = delayWalk(options);
    walk.speedChart = !html.isEmpty();
    walk.path = !html.isEmpty() && options.nodeSignals; // for the runs over the signals
    QList<DelayRun> kept; // for the page only: the table and text go out run by run
    bool readAll = true;
    const bool written = writeOutput(io, html.isEmpty() ? a.value("-o") : html, [&](Sink& out) {
        if (csv) {
            out << delaysCsvHeader();
        }
        for (const QString& path : a.files) {
            Study study;
            QString error;
            RunWalker walker(walk, [&](RunReport&& r) {
                DelayRun run{path, std::move(r), &options};
                if (!html.isEmpty()) {
                    kept.append(std::move(run));
                } else {
                    out << (csv ? delaysCsvRows(run) : delaysText(run, options));
                }
            });
            if (!streamStudyFile(
                    path, study, [&](const FixRecord& r) { walker.add(r); }, error)) {
                say(io, error + QStringLiteral(": left out."));
                readAll = false;
                continue;
            }
            walker.finish();
        }
        if (!html.isEmpty()) {
            writeDelaysHtml(kept, options, out);
        }
        return true;
    });
    return written && readAll ? kExitOk : kExitBadFile;
}

} // namespace gd2
