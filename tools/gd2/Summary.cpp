// Travel-time statistics across runs: grouping, per-stretch figures, text and CSV.

#include "Summary.h"

#include "Columns.h"
#include "Inspect.h"
#include "NodeSummary.h"
#include "Sink.h"
#include "TextFormat.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace gd2 {

namespace {

constexpr qint64 kMsPerMinute = 60'000;

QString directionGroup(qint16 dir)
{
    const QString code = directionCode(dir);
    return code.isEmpty() ? QStringLiteral("none") : code;
}

QString clockOfDay(qint64 ms)
{
    return QStringLiteral("%1:%2")
        .arg(ms / 3'600'000, 2, 10, QLatin1Char('0'))
        .arg(ms / kMsPerMinute % 60, 2, 10, QLatin1Char('0'));
}

QString runName(const SummaryRun& run)
{
    return run.file.isEmpty() ? QStringLiteral("run %1").arg(run.label)
                              : QStringLiteral("%1 run %2").arg(run.file).arg(run.report.number);
}

QString plural(qsizetype n, const char* one, const char* many)
{
    return QLatin1String(n == 1 ? one : many);
}

// The figures of one row from its runs' travel times, distances and stops.
void fillRow(SummaryRow& row, const Summary& s, const QList<std::optional<double>>& metres,
             const QList<double>& stops, const QList<double>& stoppedSeconds,
             const QList<double>& standingSeconds)
{
    const double confidence = s.options.confidencePct / 100.0;
    row.time = vtstats::describe(row.seconds, confidence, s.options.precisionPct);
    const auto n = double(row.seconds.size());
    if (n == 0) {
        return;
    }
    double allMetres = 0.0;
    double allSeconds = 0.0;
    double delay = 0.0;
    double referenceSeconds = 0.0;
    double movingSeconds = 0.0;
    double stopsWithDistance = 0.0;
    int withDistance = 0;
    for (qsizetype k = 0; k < row.seconds.size(); ++k) {
        row.stopsPerRun += stops[k] / n;
        row.stoppedSecondsPerRun += stoppedSeconds[k] / n;
        if (!metres[k]) {
            continue;
        }
        ++withDistance;
        allMetres += *metres[k];
        allSeconds += row.seconds[k];
        movingSeconds += row.seconds[k] - standingSeconds[k];
        stopsWithDistance += stops[k];
        if (s.options.referenceMph) {
            const double free = *metres[k] / (*s.options.referenceMph * kMetresPerSecondPerMph);
            referenceSeconds += free;
            delay += std::max(0.0, row.seconds[k] - free);
        }
    }
    if (withDistance == 0) {
        return;
    }
    if (allSeconds > 0.0) {
        row.meanMph = allMetres / allSeconds / kMetresPerSecondPerMph;
        // The whole run against the one base speed; a stretch against its own.
        const MeasureOptions& m = s.options.measures;
        row.los = !row.isRun()   ? stretchLosOf(m, row.to, row.meanMph)
                  : m.baseFfsMph ? stretchLos(*row.meanMph, *m.baseFfsMph)
                                 : QString();
    }
    if (movingSeconds > 0.0) {
        row.runningMph = allMetres / movingSeconds / kMetresPerSecondPerMph;
    }
    if (allMetres > 0.0) {
        row.stopsPerMile = stopsWithDistance / (allMetres / kMetresPerMile);
    }
    if (s.options.referenceMph) {
        row.delaySeconds = delay / withDistance;
        if (referenceSeconds > 0.0) {
            row.tti = allSeconds / referenceSeconds;
            row.freeFlowSeconds = referenceSeconds / withDistance;
        }
    }
}

void fillGroup(SummaryGroup& g, const Summary& s)
{
    // The whole run first, then the stretches in the order of their nodes.
    QList<std::pair<QString, QString>> keys{{QStringLiteral("run"), QStringLiteral("run")}};
    for (qsizetype k : g.runs) {
        for (const Stretch& st : s.runs[k].report.stretches) {
            if (!keys.contains(std::pair(st.from, st.to))) {
                keys.append({st.from, st.to});
            }
        }
    }
    std::stable_sort(keys.begin() + 1, keys.end(), [](const auto& a, const auto& b) {
        return std::pair(labelRank(a.first), labelRank(a.second)) <
               std::pair(labelRank(b.first), labelRank(b.second));
    });

    QList<qsizetype> noDistance;
    for (const auto& [from, to] : keys) {
        SummaryRow row;
        row.from = from;
        row.to = to;
        QList<std::optional<double>> metres;
        QList<double> stops;
        QList<double> stopped;
        QList<double> standing;
        for (qsizetype k : g.runs) {
            const RunReport& rep = s.runs[k].report;
            if (row.isRun()) {
                row.runs << k;
                row.seconds << double(*rep.durationMs()) / 1000.0;
                metres << (rep.positioned >= 2 ? std::optional(rep.metres) : std::nullopt);
                stops << double(rep.stops);
                stopped << double(rep.stopsMs) / 1000.0;
                standing << double(rep.stoppedMs) / 1000.0;
                if (rep.positioned < 2) {
                    noDistance << k;
                }
                for (const Delay& d : rep.delays) {
                    ++row.delays[d.number];
                }
                continue;
            }
            const auto same = [&](const Stretch& st) { return st.from == from && st.to == to; };
            const auto found = std::find_if(rep.stretches.cbegin(), rep.stretches.cend(), same);
            if (found == rep.stretches.cend()) {
                continue;
            }
            // A stretch passed twice has no one travel time: the run is left
            // out of it, and said to be.
            if (std::count_if(rep.stretches.cbegin(), rep.stretches.cend(), same) > 1) {
                row.twice << k;
                continue;
            }
            const Stretch& st = *found;
            for (qint16 d : st.delays) {
                ++row.delays[d];
            }
            if (!st.travelMs) {
                continue;
            }
            row.runs << k;
            row.seconds << double(*st.travelMs) / 1000.0;
            metres << (st.positioned > 0 && rep.positioned >= 2 ? std::optional(st.metres)
                                                                : std::nullopt);
            stops << double(st.stops);
            stopped << double(st.stopsMs) / 1000.0;
            standing << double(st.stoppedMs) / 1000.0;
        }
        fillRow(row, s, metres, stops, stopped, standing);
        if (!row.twice.isEmpty()) {
            g.notes << QStringLiteral("Stretch %1-%2 is passed twice in run%3 %4 (the node "
                                      "number falls back): left out of that stretch.")
                           .arg(from, to, plural(row.twice.size(), "", "s"), runList(s, row.twice));
        }
        g.rows.append(row);
    }

    // What a reader must know to trust the rows.
    if (g.runs.size() == 1) {
        g.notes.prepend(QStringLiteral("One run only: no spread, so no standard deviation, "
                                       "interval or runs needed."));
    }
    for (qsizetype k : g.runs) {
        const auto& stretches = s.runs[k].report.stretches;
        g.byNodes[stretches.isEmpty() ? 0 : int(stretches.last().node)] << k;
    }
    if (g.byNodes.size() > 1) {
        QStringList parts;
        for (auto it = g.byNodes.cbegin(); it != g.byNodes.cend(); ++it) {
            parts << QStringLiteral("%1 node%2 in run%3 %4")
                         .arg(it.key())
                         .arg(plural(it.key(), "", "s"))
                         .arg(plural(it.value().size(), "", "s"))
                         .arg(runList(s, it.value()));
        }
        g.notes << QStringLiteral("The runs differ in their number of nodes (%1): stretches are "
                                  "matched by their node labels and each is summarised over the "
                                  "runs that have it.")
                       .arg(parts.join(QStringLiteral("; ")));
    }
    if (!noDistance.isEmpty()) {
        g.notes << QStringLiteral("No positions in run%1 %2: left out of speed%3.")
                       .arg(plural(noDistance.size(), "", "s"))
                       .arg(runList(s, noDistance))
                       .arg(s.options.referenceMph ? QStringLiteral(", delay and index")
                                                   : QString());
    }
}

void addRun(Summary& summary, const QString& name, RunReport&& report)
{
    SummaryRun sr;
    sr.file = name;
    sr.report = std::move(report);
    summary.runs.append(std::move(sr));
}

// A figure and whether it is only indicative: the text and the page mark it.
QString indicative(const QString& figure, const SummaryRow& r, Output o)
{
    return figure.isEmpty() || o == Output::Csv || r.time.n >= kReliableRuns ? figure
                                                                             : figure + u'*';
}

QString cell(const std::optional<double>& v, int decimals)
{
    return v ? fixed(*v, decimals) : QString();
}

// A group has enough runs once it has as many as the precision needs; one
// run is never enough, since at least two are.
QString enoughText(const SummaryRow& row)
{
    if (!row.time.needed) {
        return row.time.n < 2 ? QStringLiteral("no") : QString();
    }
    return !row.time.needed->capped && qint64(row.time.n) >= row.time.needed->n
               ? QStringLiteral("yes")
               : QStringLiteral("no");
}

using Line = SummaryLine;

} // namespace

Columns<SummaryLine> summaryColumns(const Summary& s)
{
    const bool ref = s.options.referenceMph.has_value();
    const auto any = [](const Line& l) { return l.r.time.n > 0; };
    const auto v = [any](auto get) {
        return [any, get](const Line& l, Output) { return any(l) ? fixed(get(l), 1) : QString(); };
    };
    Columns<Line> c{
        {"direction", {}, {}, 0, [](const Line& l, Output) { return l.g.direction; }, Kind::Text},
        {"period", {}, {}, 0, [](const Line& l, Output) { return l.g.period; }, Kind::Text},
        {"from", {}, {}, 0, [](const Line& l, Output) { return l.r.from; }, Kind::Text},
        {"to", {}, {}, 0, [](const Line& l, Output) { return l.r.to; }, Kind::Text},
        {{},
         "Stretch",
         "Stretch",
         -12,
         [](const Line& l, Output o) {
             if (o == Output::Html) {
                 return l.r.isRun() ? QStringLiteral("<b>whole run</b>")
                                    : (l.r.from + u'\u2013' + l.r.to).toHtmlEscaped();
             }
             return l.r.isRun() ? QStringLiteral("run") : l.r.from + u'-' + l.r.to;
         }},
        {"runs", "Runs", "Runs", 6,
         [](const Line& l, Output o) {
             if (o == Output::Csv || l.r.runs.size() == l.g.runs.size()) {
                 return QString::number(l.r.time.n);
             }
             return QString::fromLatin1(o == Output::Html ? "%1 of %2" : "%1/%2")
                 .arg(l.r.runs.size())
                 .arg(l.g.runs.size());
         },
         Kind::Integer},
        {"mean_s", "Mean", "Mean", 8, v([](const Line& l) { return l.r.time.mean; })},
        {"median_s", "Median", "Median", 8, v([](const Line& l) { return l.r.time.median; })},
        {"sd_s", "SD", "SD", 7, [](const Line& l, Output) { return cell(l.r.time.sd, 1); }},
        {"min_s", "Min", "Min", 8, v([](const Line& l) { return l.r.time.min; })},
        {"max_s", "Max", "Max", 8, v([](const Line& l) { return l.r.time.max; })},
        {"cv_pct", "CV%", "CV %", 6, [](const Line& l, Output) { return cell(l.r.time.cvPct, 1); }},
        {"ci_low_s",
         {},
         {},
         0,
         [](const Line& l, Output) {
             return l.r.time.ci ? fixed(l.r.time.ci->low, 1) : QString();
         }},
        {"ci_high_s",
         {},
         {},
         0,
         [](const Line& l, Output) {
             return l.r.time.ci ? fixed(l.r.time.ci->high, 1) : QString();
         }},
        {{},
         QStringLiteral("%1% CI").arg(s.options.confidencePct),
         QStringLiteral("%1 % interval").arg(s.options.confidencePct),
         17,
         [](const Line& l, Output o) {
             if (!l.r.time.ci) {
                 return QString();
             }
             return fixed(l.r.time.ci->low, 1) +
                    (o == Output::Html ? QStringLiteral("\u2013") : QStringLiteral("..")) +
                    fixed(l.r.time.ci->high, 1);
         }},
        {"runs_needed", "Need", "Runs needed", 7,
         [](const Line& l, Output o) { return runsCell(l.r.time.needed, o); }, Kind::Integer},
        {"runs_needed_capped",
         {},
         {},
         0,
         [](const Line& l, Output) { return cappedCell(l.r.time.needed); },
         Kind::Text},
        {"enough", "Enough", "Enough", 7, [](const Line& l, Output) { return enoughText(l.r); },
         Kind::Text},
        {"mean_mph", "mph", "Mean mph", 6,
         [](const Line& l, Output) { return cell(l.r.meanMph, 1); }},
        {"stops_per_run", "Stops", "Stops per run", 6,
         [any](const Line& l, Output) { return any(l) ? fixed(l.r.stopsPerRun, 2) : QString(); }},
        {"stopped_s_per_run", "Stopped", "Stopped s per run", 8,
         v([](const Line& l) { return l.r.stoppedSecondsPerRun; })},
        {"delay_s", ref ? "Delay" : "", ref ? "Delay s" : "", 8,
         [](const Line& l, Output) { return cell(l.r.delaySeconds, 1); }},
        {"tti", ref ? "TTI" : "", ref ? "TTI" : "", 6,
         [](const Line& l, Output) { return cell(l.r.tti, 2); }},
        {"p80_s", "P80", "80th percentile", 8,
         [any](const Line& l, Output o) {
             return indicative(any(l) ? fixed(l.r.time.p80, 1) : QString(), l.r, o);
         }},
        {"p95_s", "P95", "95th percentile", 8,
         [any](const Line& l, Output o) {
             return indicative(any(l) ? fixed(l.r.time.p95, 1) : QString(), l.r, o);
         }},
        {"buffer_index", "BI", "Buffer index", 7,
         [](const Line& l, Output o) { return indicative(cell(l.r.bufferIndex(), 2), l.r, o); }},
        {"planning_time_index", ref ? "PTI" : "", ref ? "Planning time index" : "", 7,
         [](const Line& l, Output o) {
             return indicative(cell(l.r.planningTimeIndex(), 2), l.r, o);
         }},
        {"lottr", "LOTTR", "LOTTR", 7,
         [](const Line& l, Output o) { return indicative(cell(l.r.lottr(), 2), l.r, o); }},
        // The text has it as "mph" already.
        {"travel_speed_mph",
         {},
         "Travel speed mph",
         7,
         [](const Line& l, Output) { return cell(l.r.meanMph, 1); }},
        {"running_speed_mph", "Running", "Running speed mph", 8,
         [](const Line& l, Output) { return cell(l.r.runningMph, 1); }},
        {"stops_per_mile", "Stops/mi", "Stops per mile", 9,
         [](const Line& l, Output) { return cell(l.r.stopsPerMile, 2); }},
        {"los", s.options.measures.hasFfs() ? "LOS" : "", s.options.measures.hasFfs() ? "LOS" : "",
         4, [](const Line& l, Output) { return l.r.los; }, Kind::Text},
        {{},
         {},
         "Delay numbers (number &times;times)",
         -1,
         [](const Line& l, Output) {
             QStringList delays;
             for (auto it = l.r.delays.cbegin(); it != l.r.delays.cend(); ++it) {
                 delays << QStringLiteral("%1 &times;%2").arg(it.key()).arg(it.value());
             }
             return delays.isEmpty() ? QStringLiteral("&nbsp;") : delays.join(QStringLiteral(", "));
         }},
    };
    return c;
}

QString runsCell(const std::optional<vtstats::RunsNeeded>& n, Output o)
{
    if (!n) {
        return {};
    }
    return (n->capped && o != Output::Csv ? QStringLiteral(">") : QString()) +
           QString::number(n->n);
}

QString cappedCell(const std::optional<vtstats::RunsNeeded>& n)
{
    return !n ? QString() : n->capped ? QStringLiteral("yes") : QStringLiteral("no");
}

std::optional<double> SummaryRow::bufferIndex() const
{
    if (time.n == 0 || !(time.mean > 0.0)) {
        return std::nullopt;
    }
    return (time.p95 - time.mean) / time.mean;
}

std::optional<double> SummaryRow::planningTimeIndex() const
{
    if (time.n == 0 || !freeFlowSeconds || !(*freeFlowSeconds > 0.0)) {
        return std::nullopt;
    }
    return time.p95 / *freeFlowSeconds;
}

std::optional<double> SummaryRow::lottr() const
{
    if (time.n == 0 || !(time.median > 0.0)) {
        return std::nullopt;
    }
    return time.p80 / time.median;
}

int directionRank(const QString& direction)
{
    static const QStringList order{QStringLiteral("SB"), QStringLiteral("NB"), QStringLiteral("WB"),
                                   QStringLiteral("EB")};
    const qsizetype k = order.indexOf(direction);
    return k >= 0 ? int(k) : (direction == u"none" ? 6 : 5);
}

int labelRank(const QString& label)
{
    if (label == u"start" || label == u"run") {
        return -1;
    }
    if (label == u"end") {
        return 1 << 20;
    }
    return label.mid(1).toInt();
}

QString runList(const Summary& s, const QList<qsizetype>& runs)
{
    QStringList names;
    for (qsizetype k : runs) {
        names << s.runs[k].label;
    }
    return names.join(QStringLiteral(", "));
}

bool Period::contains(qint64 msOfDay) const
{
    return fromMs < toMs ? msOfDay >= fromMs && msOfDay < toMs
                         : msOfDay >= fromMs || msOfDay < toMs;
}

std::optional<QList<Period>> parsePeriods(const QString& text, QString& error)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^([A-Za-z0-9_][A-Za-z0-9_ .-]*)=(\d{1,2}):(\d{2})-(\d{1,2}):(\d{2})$)"));
    QList<Period> periods;
    for (const QString& part : text.split(u',')) {
        const auto m = re.match(part.trimmed());
        // 24:00 is the end of a day, and 00:00 its start. Below zero: not a
        // time (a plain value: optimisers take an optional here for one that
        // may be read unset).
        const auto at = [&](int h, int min, bool end) -> qint64 {
            const int hours = m.captured(h).toInt();
            const int minutes = m.captured(min).toInt();
            if (!m.hasMatch() || hours > 24 || minutes > 59 ||
                (hours == 24 && (minutes != 0 || !end))) {
                return -1;
            }
            return (hours * 60 + minutes) * kMsPerMinute;
        };
        const qint64 from = at(2, 3, false);
        const qint64 to = at(4, 5, true);
        if (from < 0 || to < 0) {
            error = QStringLiteral("--periods takes NAME=HH:MM-HH:MM,... (00:00 to 24:00), not "
                                   "\"%1\"")
                        .arg(part);
            return std::nullopt;
        }
        if (from == to) {
            error = QStringLiteral("period \"%1\" is empty").arg(m.captured(1));
            return std::nullopt;
        }
        for (const Period& p : periods) {
            if (p.name == m.captured(1)) {
                error = QStringLiteral("period \"%1\" is given twice").arg(p.name);
                return std::nullopt;
            }
        }
        periods.append({m.captured(1), from, to});
    }
    // A run belongs to one period only.
    for (qint64 t = 0; t < kMsPerDay; t += kMsPerMinute) {
        const auto n = std::count_if(periods.cbegin(), periods.cend(),
                                     [&](const Period& p) { return p.contains(t); });
        if (n > 1) {
            error = QStringLiteral("periods overlap at %1").arg(clockOfDay(t));
            return std::nullopt;
        }
    }
    return periods;
}

void addStudy(Summary& summary, const Study& study, const QString& name)
{
    summary.files << name;
    const qsizetype before = summary.runs.size();
    WalkOptions walk = delayWalk(summary.options.measures);
    walk.path = true;
    RunWalker walker(walk, [&](RunReport&& r) { addRun(summary, name, std::move(r)); });
    for (const FixRecord& r : study.records) {
        walker.add(r);
    }
    walker.finish();
    if (summary.runs.size() == before) {
        summary.notes << QStringLiteral("%1: no runs.").arg(name);
    }
}

const StudyRead* sameStudy(const Summary& summary, const StudyRead& file)
{
    for (const StudyRead& counted : summary.read) {
        if (file.id && file.id == counted.id) {
            return &counted;
        }
        if (file.digest && file.digest == counted.digest && file.records == counted.records &&
            sameStudyBytes(counted.path, file.path, file.records)) {
            return &counted;
        }
    }
    return nullptr;
}

void sayNotes(Summary& summary, CliOutput& io)
{
    for (const QString& note : summary.notes) {
        if (!summary.said.contains(note)) {
            say(io, note);
            summary.said << note;
        }
    }
}

bool addStudyFile(Summary& summary, const QString& path, bool paths, CliOutput& io,
                  const StudyHooks& hooks)
{
    StudyRead file{path, fileIdentity(path), std::nullopt, 0};
    if (const StudyRead* same = sameStudy(summary, file)) {
        summary.notes << (same->path == path
                              ? QStringLiteral("%1 is given twice: counted once.").arg(path)
                              : QStringLiteral("%1 is the file %2 again: counted once.")
                                    .arg(path, same->path));
        return true;
    }
    const qsizetype before = summary.runs.size();
    Study study;
    QString error;
    WalkOptions walk = delayWalk(summary.options.measures);
    walk.path = paths;
    RunWalker walker(walk, [&](RunReport&& r) {
        addRun(summary, path, std::move(r));
        if (hooks.run) {
            hooks.run(summary.runs.size() - 1);
        }
    });
    const auto each = [&](const FixRecord& r) {
        walker.add(r);
        if (hooks.record) {
            hooks.record(r);
        }
    };
    if (!streamStudyFile(path, study, each, error)) {
        summary.runs.resize(before);
        summary.notes << error + QStringLiteral(": left out.");
        summary.said << summary.notes.last();
        say(io, summary.notes.last());
        return false;
    }
    walker.finish();
    file.digest = study.digest;
    file.records = (study.fileSize - StudyHeader::kSize) / FixRecord::kSize;
    if (const StudyRead* same = sameStudy(summary, file)) {
        summary.runs.resize(before);
        summary.notes << QStringLiteral("%1 holds the same header and records as %2: counted once.")
                             .arg(path, same->path);
        return true;
    }
    summary.read << file;
    summary.files << path;
    QStringList warnings = readingWarnings(study, {});
    for (qsizetype k = before; k < summary.runs.size(); ++k) {
        const RunReport& r = summary.runs[k].report;
        if (r.backwards > 0) {
            warnings << QStringLiteral("run %1 has records out of time order (see gd2 info)")
                            .arg(r.number);
        }
    }
    for (const QString& w : warnings) {
        say(io, QStringLiteral("warning: %1: %2").arg(path, w));
    }
    if (summary.runs.size() == before) {
        summary.notes << QStringLiteral("%1: no runs.").arg(path);
    }
    return true;
}

void computeGroups(Summary& s)
{
    const bool several = s.files.size() > 1;
    QMap<QString, QMap<int, QList<qsizetype>>> members; // direction -> period -> runs
    QList<qsizetype> outside;
    for (qsizetype k = 0; k < s.runs.size(); ++k) {
        SummaryRun& run = s.runs[k];
        run.label = several ? QStringLiteral("%1:%2")
                                  .arg(QFileInfo(run.file).completeBaseName())
                                  .arg(run.report.number)
                            : QString::number(run.report.number);
    }
    for (qsizetype k = 0; k < s.runs.size(); ++k) {
        const RunReport& rep = s.runs[k].report;
        const auto duration = rep.durationMs();
        if (!duration || *duration <= 0) {
            const QString why = rep.timed >= 2 && duration && *duration == 0
                                    ? QStringLiteral("all its %1 timed fixes share one time, %2")
                                          .arg(rep.timed)
                                          .arg(clockText(*rep.start))
                                : rep.timed >= 2 ? QStringLiteral("it ends before it starts")
                                                 : QStringLiteral("fewer than two timed fixes");
            s.notes << QStringLiteral("%1 has no travel time (%2): left out.")
                           .arg(runName(s.runs[k]), why);
            continue;
        }
        int period = 0;
        if (!s.options.periods.isEmpty()) {
            const qint64 msOfDay = ((*rep.start % kMsPerDay) + kMsPerDay) % kMsPerDay;
            period = -1;
            for (qsizetype p = 0; p < s.options.periods.size(); ++p) {
                if (s.options.periods[p].contains(msOfDay)) {
                    period = int(p);
                }
            }
            if (period < 0) {
                outside << k;
                continue;
            }
        }
        members[directionGroup(rep.direction)][period] << k;
    }
    if (!outside.isEmpty()) {
        s.notes << QStringLiteral("%1 run%2 started outside every period and %3 left out: %4.")
                       .arg(outside.size())
                       .arg(plural(outside.size(), "", "s"))
                       .arg(plural(outside.size(), "is", "are"))
                       .arg(runList(s, outside));
    }
    QStringList directions = members.keys();
    std::sort(directions.begin(), directions.end(), [](const QString& a, const QString& b) {
        return directionRank(a) != directionRank(b) ? directionRank(a) < directionRank(b) : a < b;
    });
    for (const QString& dir : directions) {
        for (auto it = members[dir].cbegin(); it != members[dir].cend(); ++it) {
            SummaryGroup g;
            g.direction = dir;
            g.period = s.options.periods.isEmpty() ? QStringLiteral("all")
                                                   : s.options.periods[it.key()].name;
            g.runs = it.value();
            fillGroup(g, s);
            s.groups.append(g);
        }
    }
}

void sayGroupNotes(const Summary& summary, CliOutput& io)
{
    for (const SummaryGroup& g : summary.groups) {
        for (const QString& note : g.notes) {
            say(io, QStringLiteral("%1, %2: %3")
                        .arg(g.direction, periodText(summary.options, g.period), note));
        }
    }
}

QString periodText(const SummaryOptions& options, const QString& period)
{
    for (const Period& p : options.periods) {
        if (p.name == period) {
            return QStringLiteral("%1 (%2-%3)")
                .arg(p.name, clockOfDay(p.fromMs), clockOfDay(p.toMs));
        }
    }
    return QStringLiteral("all day");
}

QByteArray summaryCsv(const Summary& s)
{
    return csvTable(summaryColumns(s), s);
}

QByteArray summaryText(const Summary& s)
{
    const bool ref = s.options.referenceMph.has_value();
    const Columns<Line> columns = summaryColumns(s);
    QString out;
    out += QStringLiteral("Travel-time summary of %1: %2 run%3 in %4 group%5\n")
               .arg(s.files.join(QStringLiteral(", ")))
               .arg(s.runs.size())
               .arg(plural(s.runs.size(), "", "s"))
               .arg(s.groups.size())
               .arg(plural(s.groups.size(), "", "s"));
    out +=
        QStringLiteral("Confidence %1 %, precision \u00b1%2 %%3; times in seconds.\n")
            .arg(s.options.confidencePct)
            .arg(plain(s.options.precisionPct))
            .arg(
                ref ? QStringLiteral(", reference speed %1 mph").arg(plain(*s.options.referenceMph))
                    : QString());
    if (s.groups.isEmpty()) {
        out += QStringLiteral("\nNo runs to summarise.\n");
    }
    bool fewRuns = false;
    for (const SummaryGroup& g : s.groups) {
        out += QStringLiteral("\n%1, %2: %3 run%4 (%5)\n")
                   .arg(g.direction, periodText(s.options, g.period))
                   .arg(g.runs.size())
                   .arg(plural(g.runs.size(), "", "s"))
                   .arg(runList(s, g.runs));
        out += textHeader(columns);
        QStringList delayLines;
        for (const SummaryRow& r : g.rows) {
            out += textLine(columns, Line{s, g, r});
            fewRuns = fewRuns || (r.time.n > 0 && r.time.n < kReliableRuns);
            if (!r.isRun() && !r.delays.isEmpty()) {
                QStringList parts;
                for (auto it = r.delays.cbegin(); it != r.delays.cend(); ++it) {
                    parts << QStringLiteral("%1 \u00d7%2").arg(it.key()).arg(it.value());
                }
                delayLines << QStringLiteral("    %1-%2: %3\n")
                                  .arg(r.from, r.to, parts.join(QStringLiteral(", ")));
            }
        }
        if (!delayLines.isEmpty()) {
            out += QStringLiteral("  Delay numbers typed (number \u00d7times):\n") +
                   delayLines.join(QString());
        }
        for (const QString& note : g.notes) {
            out += QStringLiteral("  Note: ") + note + u'\n';
        }
    }
    if (!s.notes.isEmpty()) {
        out += QStringLiteral("\nLeft out or doubtful:\n");
        for (const QString& note : s.notes) {
            out += QStringLiteral("  ") + note + u'\n';
        }
    }
    out += QStringLiteral("\nMean, median, SD, min, max, interval and percentiles in seconds; mph "
                          "is the space-mean speed; Stops and Stopped (s) per run; BI the buffer "
                          "index%1, LOTTR P80 / median.\n")
               .arg(ref ? QStringLiteral(", PTI the planning time index") : QString());
    if (fewRuns) {
        out += QStringLiteral("* indicative: fewer than %1 runs.\n").arg(kReliableRuns);
    }
    return out.toUtf8();
}

QString summaryHtmlTable(const Summary& s, const SummaryGroup& g)
{
    // One table of every column runs off a 1280-pixel window: three, each
    // naming the stretch and its runs, with the page's columns in one each.
    static const QList<std::pair<const char*, QStringList>> kTables = {
        {"Travel time (s)",
         {"Mean", "Median", "SD", "Min", "Max", "CV %", "interval", "Runs needed", "Enough"}},
        {"Speed, stops and level of service",
         {"Travel speed mph", "Running speed mph", "Stops per run", "Stopped s per run",
          "Stops per mile", "LOS", "Delay s", "Delay numbers"}},
        {"Reliability",
         {"TTI", "80th percentile", "95th percentile", "Buffer index", "Planning time index",
          "LOTTR"}},
    };
    const Columns<Line> all = summaryColumns(s);
    QString out;
    for (const auto& [title, headers] : kTables) {
        Columns<Line> columns;
        for (const Column<Line>& c : all) {
            const bool named = c.html == u"Stretch" || c.html == u"Runs";
            const bool listed =
                std::any_of(headers.cbegin(), headers.cend(), [&](const QString& h) {
                    return c.html == h || (h == u"interval" && c.html.endsWith(h)) ||
                           (h == u"Delay numbers" && c.html.startsWith(h));
                });
            if (c.in(Output::Html) && (named || listed)) {
                columns << c;
            }
        }
        out += QStringLiteral("<h3>%1</h3>\n<table>\n").arg(QLatin1String(title)) +
               htmlHeader(columns);
        for (const SummaryRow& r : g.rows) {
            out += htmlLine(columns, Line{s, g, r});
        }
        out += QStringLiteral("</table>\n");
    }
    return out;
}

QString readSummaryOptions(const Arguments& a, SummaryOptions& options)
{
    bool ok = false;
    if (a.has("--precision")) {
        options.precisionPct = a.value("--precision").toDouble(&ok);
        if (!ok || !(options.precisionPct > 0.0) || options.precisionPct > 100.0) {
            return QStringLiteral("--precision takes a percentage above 0, such as 10");
        }
    }
    if (a.has("--confidence")) {
        options.confidencePct = a.value("--confidence").toInt();
    }
    if (a.has("--reference-mph")) {
        const double mph = a.value("--reference-mph").toDouble(&ok);
        if (!ok || !(mph > 0.0) || mph > 200.0) {
            return QStringLiteral("--reference-mph takes a speed above 0, such as 45");
        }
        options.referenceMph = mph;
    }
    if (a.has("--periods")) {
        QString problem;
        const auto periods = parsePeriods(a.value("--periods"), problem);
        if (!periods) {
            return problem;
        }
        options.periods = *periods;
    }
    if (a.has("--csv") && a.has("--html")) {
        return QStringLiteral("--csv and --html are one or the other");
    }
    options.nodes = a.has("--nodes");
    return readMeasureOptions(a, options.measures);
}

int runSummary(const Arguments& a, CliOutput& io)
{
    Summary summary;
    if (const QString error = readSummaryOptions(a, summary.options); !error.isEmpty()) {
        return usageError(io, error);
    }
    const QString html = a.value("--html");
    const bool csv = a.has("--csv");
    for (const QString& path : a.files) {
        addStudyFile(summary, path, !html.isEmpty(), io);
    }
    if (summary.files.isEmpty()) {
        say(io, QStringLiteral("no study file could be read"));
        return kExitBadFile;
    }
    computeGroups(summary);
    // The text carries its notes; the table and the page have them told.
    if (csv || !html.isEmpty()) {
        sayNotes(summary, io);
        sayGroupNotes(summary, io);
    }
    if (summary.groups.isEmpty()) {
        say(io, QStringLiteral("no runs to summarise"));
    }
    const bool written = writeOutput(io, html.isEmpty() ? a.value("-o") : html, [&](Sink& out) {
        if (summary.options.nodes) {
            if (!html.isEmpty()) {
                writeNodesHtml(summary, out);
            } else {
                out << (csv ? nodesCsv(summary) : nodesText(summary));
            }
        } else if (!html.isEmpty()) {
            writeSummaryHtml(summary, out);
        } else {
            out << (csv ? summaryCsv(summary) : summaryText(summary));
        }
        return true;
    });
    return written ? kExitOk : kExitBadFile;
}

} // namespace gd2
