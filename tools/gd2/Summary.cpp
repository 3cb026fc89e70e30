// Travel-time statistics across runs: grouping, per-stretch figures, text and CSV.

#include "Summary.h"

#include "Inspect.h"
#include "Sink.h"
#include "TextFormat.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace gd2 {

namespace {

constexpr qint64 kMsPerMinute = 60'000;
constexpr double kMetresPerSecondPerMph = 0.44704;

QString directionGroup(qint16 dir)
{
    const QString code = directionCode(dir);
    return code.isEmpty() ? QStringLiteral("none") : code;
}

// SB, NB, WB, EB as the collector lists them, odd codes after, none last.
int directionRank(const QString& direction)
{
    static const QStringList order{QStringLiteral("SB"), QStringLiteral("NB"), QStringLiteral("WB"),
                                   QStringLiteral("EB")};
    const qsizetype k = order.indexOf(direction);
    return k >= 0 ? int(k) : (direction == u"none" ? 6 : 5);
}

// "start" before "N1" before "N2" ... before "end".
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

QString runList(const Summary& s, const QList<qsizetype>& runs)
{
    QStringList names;
    for (qsizetype k : runs) {
        names << s.runs[k].label;
    }
    return names.join(QStringLiteral(", "));
}

QString cell(const std::optional<double>& v, int decimals, const QString& none)
{
    return v ? fixed(*v, decimals) : none;
}

QString neededText(const std::optional<vtstats::RunsNeeded>& n, const QString& none)
{
    if (!n) {
        return none;
    }
    return (n->capped ? QStringLiteral(">") : QString()) + QString::number(n->n);
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

QString delayCounts(const SummaryRow& row)
{
    QStringList parts;
    for (auto it = row.delays.cbegin(); it != row.delays.cend(); ++it) {
        parts << QStringLiteral("%1 \u00d7%2").arg(it.key()).arg(it.value());
    }
    return parts.join(QStringLiteral(", "));
}

// The figures of one row from its runs' travel times, distances and stops.
void fillRow(SummaryRow& row, const Summary& s, const QList<std::optional<double>>& metres,
             const QList<double>& stops, const QList<double>& stoppedSeconds)
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
    }
    if (s.options.referenceMph) {
        row.delaySeconds = delay / withDistance;
        if (referenceSeconds > 0.0) {
            row.tti = allSeconds / referenceSeconds;
        }
    }
}

void fillGroup(SummaryGroup& g, const Summary& s)
{
    // The whole run first, then the stretches in the order of their nodes.
    struct Key
    {
        QString from;
        QString to;
    };
    QList<Key> keys{{QStringLiteral("run"), QStringLiteral("run")}};
    for (qsizetype k : g.runs) {
        for (const Stretch& st : s.runs[k].report.stretches) {
            const bool known = std::any_of(keys.cbegin(), keys.cend(), [&](const Key& key) {
                return key.from == st.from && key.to == st.to;
            });
            if (!known) {
                keys.append({st.from, st.to});
            }
        }
    }
    std::stable_sort(keys.begin() + 1, keys.end(), [](const Key& a, const Key& b) {
        return std::pair(labelRank(a.from), labelRank(a.to)) <
               std::pair(labelRank(b.from), labelRank(b.to));
    });

    QList<qsizetype> noDistance;
    for (const Key& key : keys) {
        SummaryRow row;
        row.from = key.from;
        row.to = key.to;
        QList<std::optional<double>> metres;
        QList<double> stops;
        QList<double> stopped;
        for (qsizetype k : g.runs) {
            const RunReport& rep = s.runs[k].report;
            if (row.isRun()) {
                row.runs << k;
                row.seconds << double(*rep.durationMs()) / 1000.0;
                metres << (rep.positioned >= 2 ? std::optional(rep.metres) : std::nullopt);
                stops << double(rep.stops);
                stopped << double(rep.stopsMs) / 1000.0;
                if (rep.positioned < 2) {
                    noDistance << k;
                }
                for (const Delay& d : rep.delays) {
                    ++row.delays[d.number];
                }
                continue;
            }
            // A stretch that comes twice in a run counts once, with both
            // parts together.
            std::optional<qint64> travel;
            double m = 0.0;
            bool positioned = false;
            qsizetype nStops = 0;
            qint64 stopMs = 0;
            bool present = false;
            for (const Stretch& st : rep.stretches) {
                if (st.from != key.from || st.to != key.to) {
                    continue;
                }
                present = true;
                if (st.travelMs) {
                    travel = travel.value_or(0) + *st.travelMs;
                }
                m += st.metres;
                positioned = positioned || st.positioned > 0;
                nStops += st.stops;
                stopMs += st.stopsMs;
                for (qint16 d : st.delays) {
                    ++row.delays[d];
                }
            }
            if (!present || !travel) {
                continue;
            }
            row.runs << k;
            row.seconds << double(*travel) / 1000.0;
            metres << (positioned && rep.positioned >= 2 ? std::optional(m) : std::nullopt);
            stops << double(nStops);
            stopped << double(stopMs) / 1000.0;
        }
        fillRow(row, s, metres, stops, stopped);
        g.rows.append(row);
    }

    // What a reader must know to trust the rows.
    if (g.runs.size() == 1) {
        g.notes << QStringLiteral("One run only: no spread, so no standard deviation, "
                                  "interval or runs needed.");
    }
    QMap<int, QList<qsizetype>> byNodes;
    for (qsizetype k : g.runs) {
        const auto& stretches = s.runs[k].report.stretches;
        byNodes[stretches.isEmpty() ? 0 : int(stretches.last().node)] << k;
    }
    if (byNodes.size() > 1) {
        QStringList parts;
        for (auto it = byNodes.cbegin(); it != byNodes.cend(); ++it) {
            parts << QStringLiteral("%1 node%2 in run%3 %4")
                         .arg(it.key())
                         .arg(it.key() == 1 ? QString() : QStringLiteral("s"))
                         .arg(it.value().size() == 1 ? QString() : QStringLiteral("s"))
                         .arg(runList(s, it.value()));
        }
        g.notes << QStringLiteral("The runs differ in their number of nodes (%1): stretches are "
                                  "matched by their node labels and each is summarised over the "
                                  "runs that have it.")
                       .arg(parts.join(QStringLiteral("; ")));
    }
    if (!noDistance.isEmpty()) {
        g.notes << QStringLiteral("No positions in run%1 %2: left out of speed%3.")
                       .arg(noDistance.size() == 1 ? QString() : QStringLiteral("s"))
                       .arg(runList(s, noDistance))
                       .arg(s.options.referenceMph ? QStringLiteral(", delay and index")
                                                   : QString());
    }
}

} // namespace

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
        const auto at = [&](int h, int min) -> std::optional<qint64> {
            const int hours = m.captured(h).toInt();
            const int minutes = m.captured(min).toInt();
            if (hours > 24 || minutes > 59 || (hours == 24 && minutes != 0)) {
                return std::nullopt;
            }
            return (hours * 60 + minutes) * kMsPerMinute % kMsPerDay;
        };
        const auto from = m.hasMatch() ? at(2, 3) : std::nullopt;
        const auto to = m.hasMatch() ? at(4, 5) : std::nullopt;
        if (!from || !to) {
            error = QStringLiteral("--periods takes NAME=HH:MM-HH:MM,..., not \"%1\"").arg(part);
            return std::nullopt;
        }
        if (*from == *to) {
            error = QStringLiteral("period \"%1\" is empty").arg(m.captured(1));
            return std::nullopt;
        }
        for (const Period& p : periods) {
            if (p.name == m.captured(1)) {
                error = QStringLiteral("period \"%1\" is given twice").arg(p.name);
                return std::nullopt;
            }
        }
        periods.append({m.captured(1), *from, *to});
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
    const QList<Run> runs = splitRuns(study.records);
    const QList<RunReport> reports = analyse(study);
    if (reports.isEmpty()) {
        summary.notes << QStringLiteral("%1: no runs.").arg(name);
    }
    for (qsizetype i = 0; i < reports.size(); ++i) {
        SummaryRun sr;
        sr.file = name;
        sr.report = reports[i];
        // The pictures take their points from the path below.
        sr.report.samples.clear();
        sr.report.stopped.clear();
        const Run& run = runs[i];
        double metres = 0.0;
        const FixRecord* last = nullptr;
        qint16 node = run.count > 0 ? study.records[run.first].NodeNum : 0;
        bool markDue = false;
        for (qsizetype j = 0; j < run.count; ++j) {
            const FixRecord& r = study.records[run.first + j];
            if (r.NodeNum != node) {
                markDue = r.NodeNum > node;
                node = r.NodeNum;
            }
            if (!hasPosition(r)) {
                continue;
            }
            if (last) {
                metres += haversineMetres(last->Latitude, last->Longitude, r.Latitude, r.Longitude);
            }
            last = &r;
            if (!run.stamps[j] || !sr.report.start) {
                continue;
            }
            const auto mph = speedOf(r);
            const RunPoint p{float(double(*run.stamps[j] - *sr.report.start) / 1000.0),
                             float(metres / kMetresPerMile), mph ? float(*mph) : -1.0f, node};
            sr.path.append(p);
            if (markDue) {
                sr.marks.append(p);
                markDue = false;
            }
        }
        summary.runs.append(sr);
    }
}

void computeGroups(Summary& s)
{
    const bool several = s.files.size() > 1;
    QMap<std::pair<int, QString>, QList<qsizetype>> byKey; // (direction rank, code)
    QMap<QString, QMap<int, QList<qsizetype>>> members;    // direction -> period -> runs
    QList<qsizetype> untimed;
    QList<qsizetype> outside;
    for (qsizetype k = 0; k < s.runs.size(); ++k) {
        SummaryRun& run = s.runs[k];
        run.label = several ? QStringLiteral("%1:%2")
                                  .arg(QFileInfo(run.file).completeBaseName())
                                  .arg(run.report.number)
                            : QString::number(run.report.number);
        const auto duration = run.report.durationMs();
        if (!duration || *duration <= 0) {
            untimed << k;
            continue;
        }
        int period = 0;
        if (!s.options.periods.isEmpty()) {
            const qint64 msOfDay = ((*run.report.start % kMsPerDay) + kMsPerDay) % kMsPerDay;
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
        members[directionGroup(run.report.direction)][period] << k;
    }
    for (qsizetype k : untimed) {
        s.notes << QStringLiteral("%1 has no travel time (fewer than two timed fixes): left out.")
                       .arg(runName(s.runs[k]));
    }
    if (!outside.isEmpty()) {
        s.notes << QStringLiteral("%1 run%2 started outside every period and %3 left out: %4.")
                       .arg(outside.size())
                       .arg(outside.size() == 1 ? QString() : QStringLiteral("s"))
                       .arg(outside.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"))
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

QString periodText(const Summary& s, const QString& period)
{
    for (const Period& p : s.options.periods) {
        if (p.name == period) {
            return QStringLiteral("%1 (%2-%3)")
                .arg(p.name, clockOfDay(p.fromMs), clockOfDay(p.toMs));
        }
    }
    return QStringLiteral("all day");
}

QByteArray summaryCsv(const Summary& s)
{
    QStringList out;
    out << QStringLiteral("direction,period,from,to,runs,mean_s,median_s,sd_s,min_s,max_s,cv_pct,"
                          "ci_low_s,ci_high_s,runs_needed,enough,mean_mph,stops_per_run,"
                          "stopped_s_per_run,delay_s,tti");
    for (const SummaryGroup& g : s.groups) {
        for (const SummaryRow& r : g.rows) {
            const bool any = r.time.n > 0;
            const auto v = [&](double x) { return any ? fixed(x, 1) : QString(); };
            QString period = g.period;
            if (period.contains(u' ')) {
                period = u'"' + period + u'"';
            }
            out << QStringList{g.direction,
                               period,
                               r.from,
                               r.to,
                               QString::number(r.time.n),
                               v(r.time.mean),
                               v(r.time.median),
                               cell(r.time.sd, 1, {}),
                               v(r.time.min),
                               v(r.time.max),
                               cell(r.time.cvPct, 1, {}),
                               r.time.ci ? fixed(r.time.ci->low, 1) : QString(),
                               r.time.ci ? fixed(r.time.ci->high, 1) : QString(),
                               neededText(r.time.needed, {}),
                               enoughText(r),
                               cell(r.meanMph, 1, {}),
                               any ? fixed(r.stopsPerRun, 2) : QString(),
                               v(r.stoppedSecondsPerRun),
                               cell(r.delaySeconds, 1, {}),
                               cell(r.tti, 2, {})}
                       .join(u',');
        }
    }
    return (out.join(u'\n') + u'\n').toUtf8();
}

QByteArray summaryText(const Summary& s)
{
    const QString na = QStringLiteral("n/a");
    const bool ref = s.options.referenceMph.has_value();
    QStringList out;
    out << QStringLiteral("Travel-time summary of %1: %2 run%3 in %4 group%5")
               .arg(s.files.join(QStringLiteral(", ")))
               .arg(s.runs.size())
               .arg(s.runs.size() == 1 ? QString() : QStringLiteral("s"))
               .arg(s.groups.size())
               .arg(s.groups.size() == 1 ? QString() : QStringLiteral("s"));
    out << QStringLiteral("Confidence %1 %, precision \u00b1%2 %%3; times in seconds.")
               .arg(s.options.confidencePct)
               .arg(plain(s.options.precisionPct))
               .arg(ref ? QStringLiteral(", reference speed %1 mph")
                              .arg(plain(*s.options.referenceMph))
                        : QString());
    if (s.groups.isEmpty()) {
        out << QString() << QStringLiteral("No runs to summarise.");
    }
    const QList<int> widths{12, 6, 8, 8, 7, 8, 8, 6, 17, 7, 7, 6, 6, 8, 8, 6};
    const auto line = [&](QStringList cells) {
        QString text = QStringLiteral("  ");
        for (qsizetype c = 0; c < cells.size(); ++c) {
            text += c == 0 ? cells[c].leftJustified(widths[c]) : cells[c].rightJustified(widths[c]);
        }
        out << text.trimmed().prepend(QStringLiteral("  "));
    };
    for (const SummaryGroup& g : s.groups) {
        out << QString();
        out << QStringLiteral("%1, %2: %3 run%4 (%5)")
                   .arg(g.direction, periodText(s, g.period))
                   .arg(g.runs.size())
                   .arg(g.runs.size() == 1 ? QString() : QStringLiteral("s"))
                   .arg(runList(s, g.runs));
        QStringList head{QStringLiteral("Stretch"),
                         QStringLiteral("Runs"),
                         QStringLiteral("Mean"),
                         QStringLiteral("Median"),
                         QStringLiteral("SD"),
                         QStringLiteral("Min"),
                         QStringLiteral("Max"),
                         QStringLiteral("CV%"),
                         QStringLiteral("%1% CI").arg(s.options.confidencePct),
                         QStringLiteral("Need"),
                         QStringLiteral("Enough"),
                         QStringLiteral("mph"),
                         QStringLiteral("Stops"),
                         QStringLiteral("Stopped")};
        if (ref) {
            head << QStringLiteral("Delay") << QStringLiteral("TTI");
        }
        line(head);
        QStringList delayLines;
        for (const SummaryRow& r : g.rows) {
            const bool any = r.time.n > 0;
            const auto v = [&](double x) { return any ? fixed(x, 1) : na; };
            QStringList cells{r.isRun() ? QStringLiteral("run") : r.from + u'-' + r.to,
                              r.runs.size() == g.runs.size()
                                  ? QString::number(r.runs.size())
                                  : QStringLiteral("%1/%2").arg(r.runs.size()).arg(g.runs.size()),
                              v(r.time.mean),
                              v(r.time.median),
                              cell(r.time.sd, 1, na),
                              v(r.time.min),
                              v(r.time.max),
                              cell(r.time.cvPct, 1, na),
                              r.time.ci ? fixed(r.time.ci->low, 1) + QStringLiteral("..") +
                                              fixed(r.time.ci->high, 1)
                                        : na,
                              neededText(r.time.needed, na),
                              enoughText(r).isEmpty() ? na : enoughText(r),
                              cell(r.meanMph, 1, na),
                              any ? fixed(r.stopsPerRun, 2) : na,
                              v(r.stoppedSecondsPerRun)};
            if (ref) {
                cells << cell(r.delaySeconds, 1, na) << cell(r.tti, 2, na);
            }
            line(cells);
            if (!r.isRun() && !r.delays.isEmpty()) {
                delayLines << QStringLiteral("    %1-%2: %3").arg(r.from, r.to, delayCounts(r));
            }
        }
        if (!delayLines.isEmpty()) {
            out << QStringLiteral("  Delay numbers typed (number \u00d7times):") << delayLines;
        }
        for (const QString& note : g.notes) {
            out << QStringLiteral("  Note: ") + note;
        }
    }
    if (!s.notes.isEmpty()) {
        out << QString() << QStringLiteral("Left out or doubtful:");
        for (const QString& note : s.notes) {
            out << QStringLiteral("  ") + note;
        }
    }
    out << QString()
        << QStringLiteral("Mean, median, SD, min, max and interval in seconds; mph is the "
                          "space-mean speed; Stops and Stopped (s) per run.");
    return (out.join(u'\n') + u'\n').toUtf8();
}

// The command line of `summary`.
int runSummary(const QStringList& args, CliOutput& io)
{
    const auto say = [&](const QString& text) { gd2::say(io, text); };
    const auto usage = [&](const QString& text) {
        say(text);
        sayRaw(io, usageText());
        return kExitUsage;
    };
    SummaryOptions options;
    QString output;
    QString html;
    bool csv = false;
    QStringList files;
    const QString error = walkArguments(
        args, files,
        [&](const QString& arg, const std::optional<QString>& inlineValue,
            const auto& next) -> QString {
            if (arg == u"--csv" && !inlineValue) {
                csv = true;
                return {};
            }
            const QString value = inlineValue ? *inlineValue : next().value_or(QString());
            static const QStringList valued{
                QStringLiteral("--precision"), QStringLiteral("--confidence"),
                QStringLiteral("--periods"),   QStringLiteral("--reference-mph"),
                QStringLiteral("--html"),      QStringLiteral("-o"),
                QStringLiteral("--output")};
            if (!valued.contains(arg)) {
                return QStringLiteral("summary takes no option %1").arg(arg);
            }
            if (value.isEmpty()) {
                return QStringLiteral("%1 needs a value").arg(arg);
            }
            bool ok = false;
            if (arg == u"--precision") {
                options.precisionPct = value.toDouble(&ok);
                if (!ok || !(options.precisionPct > 0.0) || options.precisionPct > 100.0) {
                    return QStringLiteral("--precision takes a percentage above 0, such as 10");
                }
            } else if (arg == u"--confidence") {
                options.confidencePct = value.toInt(&ok);
                if (!ok || (options.confidencePct != 90 && options.confidencePct != 95 &&
                            options.confidencePct != 99)) {
                    return QStringLiteral("--confidence takes 90, 95 or 99");
                }
            } else if (arg == u"--reference-mph") {
                const double mph = value.toDouble(&ok);
                if (!ok || !(mph > 0.0) || mph > 200.0) {
                    return QStringLiteral("--reference-mph takes a speed above 0, such as 45");
                }
                options.referenceMph = mph;
            } else if (arg == u"--periods") {
                QString problem;
                const auto periods = parsePeriods(value, problem);
                if (!periods) {
                    return problem;
                }
                options.periods = *periods;
            } else if (arg == u"--html") {
                html = value;
            } else {
                output = value;
            }
            return {};
        });
    if (!error.isEmpty()) {
        return usage(error);
    }
    if (files.isEmpty()) {
        return usage(QStringLiteral("summary needs a study file"));
    }
    if (csv && !html.isEmpty()) {
        return usage(QStringLiteral("--csv and --html are one or the other"));
    }

    Summary summary;
    summary.options = options;
    QStringList said;
    for (const QString& path : files) {
        Study study;
        QString error;
        if (!readStudyFile(path, study, error)) {
            summary.notes << error + QStringLiteral(": left out.");
            said << summary.notes.last();
            say(said.last());
            continue;
        }
        for (const QString& w : readingWarnings(study, splitRuns(study.records))) {
            say(QStringLiteral("warning: %1: %2").arg(path, w));
        }
        addStudy(summary, study, path);
    }
    if (summary.files.isEmpty()) {
        say(QStringLiteral("no study file could be read"));
        return kExitBadFile;
    }
    computeGroups(summary);
    // The text carries its notes; the table and the page have them told.
    if (csv || !html.isEmpty()) {
        for (const QString& note : summary.notes) {
            if (!said.contains(note)) {
                say(note);
            }
        }
        for (const SummaryGroup& g : summary.groups) {
            for (const QString& note : g.notes) {
                say(QStringLiteral("%1, %2: %3")
                        .arg(g.direction, periodText(summary, g.period), note));
            }
        }
    }
    if (summary.groups.isEmpty()) {
        say(QStringLiteral("no runs to summarise"));
    }

    const QByteArray text = !html.isEmpty() ? summaryHtml(summary)
                            : csv           ? summaryCsv(summary)
                                            : summaryText(summary);
    const bool written = writeOutput(io, html.isEmpty() ? output : html, [&](Sink& out) {
        out << text;
        return true;
    });
    return written ? kExitOk : kExitBadFile;
}

} // namespace gd2
