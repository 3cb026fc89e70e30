// Before and after: matching, the test, and the text, CSV and page.

#include "Compare.h"
#include "NodeCompare.h"

#include "Charts.h"
#include "Columns.h"
#include "Sink.h"
#include "TextFormat.h"

#include <algorithm>

namespace gd2 {

namespace {

using charts::esc;

QString stretchName(const QString& from, const QString& to)
{
    return from == u"run" ? QStringLiteral("run") : from + u'-' + to;
}

QString nameList(const QStringList& names)
{
    return names.join(QStringLiteral(", "));
}

const SummaryRow* findRow(const SummaryGroup* g, const QString& from, const QString& to)
{
    if (!g) {
        return nullptr;
    }
    for (const SummaryRow& r : g->rows) {
        if (r.from == from && r.to == to) {
            return &r;
        }
    }
    return nullptr;
}

const SummaryGroup* findGroup(const Summary& s, const QString& direction, const QString& period)
{
    for (const SummaryGroup& g : s.groups) {
        if (g.direction == direction && g.period == period) {
            return &g;
        }
    }
    return nullptr;
}

QString sideRuns(const Summary& s, const SummaryGroup* g)
{
    return g ? QStringLiteral("%1 (%2)").arg(g->runs.size()).arg(runList(s, g->runs))
             : QStringLiteral("none");
}

void compareRow(CompareRow& row, const Comparison& c)
{
    const SummaryRow* b = row.before;
    const SummaryRow* a = row.after;
    if (!row.compared || !b || !a || b->time.n == 0 || a->time.n == 0) {
        return;
    }
    row.change = a->time.mean - b->time.mean;
    if (b->time.mean > 0.0) {
        row.changePct = 100.0 * *row.change / b->time.mean;
    }
    if (!b->time.sd || !a->time.sd) {
        return;
    }
    const double confidence = c.before.options.confidencePct / 100.0;
    row.test = vtstats::welch(b->time.n, b->time.mean, *b->time.sd, a->time.n, a->time.mean,
                              *a->time.sd, confidence);
    const double pooled = vtstats::pooledVariance(b->time.n, *b->time.sd, a->time.n, *a->time.sd);
    row.toDetect = vtstats::runsToDetect(pooled, c.detectPct / 100.0 * b->time.mean, confidence,
                                         c.powerPct / 100.0);
}

// What a reader must know of a group's rows: sides that lack a stretch or
// runs enough, or have no spread.
void explain(CompareGroup& g)
{
    QStringList beforeOnly;
    QStringList afterOnly;
    QStringList fewBefore;
    QStringList fewAfter;
    QStringList noSpread;
    for (const CompareRow& r : g.rows) {
        const QString name = stretchName(r.from, r.to);
        if (!r.after && g.after) {
            beforeOnly << name;
        } else if (!r.before && g.before) {
            afterOnly << name;
        }
        if (!r.before || !r.after || !r.compared) {
            continue;
        }
        if (r.before->time.n < 2) {
            fewBefore << name;
        }
        if (r.after->time.n < 2) {
            fewAfter << name;
        }
        if (r.before->time.n >= 2 && r.after->time.n >= 2 && !r.test) {
            noSpread << name;
        }
    }
    if (!g.before || !g.after) {
        g.notes << QStringLiteral("Runs %1 only: nothing to compare.")
                       .arg(g.before ? QStringLiteral("before") : QStringLiteral("after"));
    }
    if (!beforeOnly.isEmpty()) {
        g.notes << QStringLiteral("Before only, not compared: %1.").arg(nameList(beforeOnly));
    }
    if (!afterOnly.isEmpty()) {
        g.notes << QStringLiteral("After only, not compared: %1.").arg(nameList(afterOnly));
    }
    if (!fewBefore.isEmpty()) {
        g.notes << QStringLiteral("Fewer than two runs before (%1): no spread, so no test or runs "
                                  "to detect.")
                       .arg(nameList(fewBefore));
    }
    if (!fewAfter.isEmpty()) {
        g.notes << QStringLiteral("Fewer than two runs after (%1): no spread, so no test or runs "
                                  "to detect.")
                       .arg(nameList(fewAfter));
    }
    if (!noSpread.isEmpty()) {
        g.notes << QStringLiteral("No spread on either side (%1): every run took the same time, "
                                  "so no test.")
                       .arg(nameList(noSpread));
    }
}

QString nodeCounts(const SummaryGroup& g)
{
    QStringList counts;
    for (auto it = g.byNodes.cbegin(); it != g.byNodes.cend(); ++it) {
        counts << QString::number(it.key());
    }
    return counts.join(QStringLiteral(" or "));
}

struct Line
{
    const Comparison& c;
    const CompareGroup& g;
    const CompareRow& r;
};

QString side(const SummaryRow* row, std::optional<double> (*get)(const SummaryRow&))
{
    if (!row) {
        return {};
    }
    const auto v = get(*row);
    return v ? fixed(*v, 1) : QString();
}

std::optional<double> meanOf(const SummaryRow& r)
{
    return r.time.n > 0 ? std::optional(r.time.mean) : std::nullopt;
}

std::optional<double> sdOf(const SummaryRow& r)
{
    return r.time.sd;
}

QString runsOf(const SummaryRow* r)
{
    return r ? QString::number(r->time.n) : QString();
}

QString opt(const std::optional<double>& v, int decimals)
{
    return v ? fixed(*v, decimals) : QString();
}

// Every column of the comparison, for its text, CSV and page.
Columns<Line> compareColumns(const Comparison& c)
{
    const bool ref = c.before.options.referenceMph.has_value();
    const int confidence = c.before.options.confidencePct;
    Columns<Line> columns{
        {"direction", {}, {}, 0, [](const Line& l, Output) { return l.g.direction; }},
        {"period", {}, {}, 0, [](const Line& l, Output) { return l.g.period; }},
        {"from", {}, {}, 0, [](const Line& l, Output) { return l.r.from; }},
        {"to", {}, {}, 0, [](const Line& l, Output) { return l.r.to; }},
        {{},
         "Stretch",
         "Stretch",
         -12,
         [](const Line& l, Output o) {
             if (o == Output::Html) {
                 return l.r.isRun() ? QStringLiteral("<b>whole run</b>")
                                    : esc(l.r.from + u'\u2013' + l.r.to);
             }
             return stretchName(l.r.from, l.r.to);
         }},
        {"runs_before", "Runs", "Runs before", 5,
         [](const Line& l, Output) { return runsOf(l.r.before); }},
        {"mean_before_s", "Before", "Mean before", 8,
         [](const Line& l, Output) { return side(l.r.before, meanOf); }},
        {"sd_before_s", "SD", "SD before", 7,
         [](const Line& l, Output) { return side(l.r.before, sdOf); }},
        {"runs_after", "Runs", "Runs after", 5,
         [](const Line& l, Output) { return runsOf(l.r.after); }},
        {"mean_after_s", "After", "Mean after", 8,
         [](const Line& l, Output) { return side(l.r.after, meanOf); }},
        {"sd_after_s", "SD", "SD after", 7,
         [](const Line& l, Output) { return side(l.r.after, sdOf); }},
        {"change_s", "Change", "Change s", 8,
         [](const Line& l, Output) { return opt(l.r.change, 1); }},
        {"change_pct", "%", "Change %", 7,
         [](const Line& l, Output) { return opt(l.r.changePct, 1); }},
    };
    columns += welchColumns<Line>([](const Line& l) { return l.r.test; }, confidence);
    columns += Columns<Line>{
        {"runs_to_detect", "Detect", "Runs to detect", 7,
         [](const Line& l, Output o) { return runsCell(l.r.toDetect, o); }},
        {"runs_to_detect_capped",
         {},
         {},
         0,
         [](const Line& l, Output) { return cappedCell(l.r.toDetect); }},
        {{},
         ref ? "TTI before" : "",
         ref ? "TTI before" : "",
         11,
         [](const Line& l, Output) { return l.r.before ? opt(l.r.before->tti, 2) : QString(); }},
        {{},
         ref ? "TTI after" : "",
         ref ? "TTI after" : "",
         10,
         [](const Line& l, Output) { return l.r.after ? opt(l.r.after->tti, 2) : QString(); }},
    };
    return columns;
}

QString headline(const Comparison& c)
{
    return QStringLiteral("Confidence %1 %; runs to detect a change of %2 % of the mean before "
                          "with %3 % power; times in seconds%4.")
        .arg(c.before.options.confidencePct)
        .arg(plain(c.detectPct))
        .arg(plain(c.powerPct))
        .arg(c.before.options.referenceMph ? QStringLiteral("; reference speed %1 mph")
                                                 .arg(plain(*c.before.options.referenceMph))
                                           : QString());
}

QString legend(const Comparison& c)
{
    return QStringLiteral("Change is after - before; t, df (Welch-Satterthwaite) and p "
                          "(two-sided) are Welch's t-test; significant when p < %1; runs to "
                          "detect are per side.")
        .arg(plain((100 - c.before.options.confidencePct) / 100.0));
}

// Each stretch's mean before and after, with the interval of each mean.
QString meansChart(const Comparison& c, const CompareGroup& g)
{
    QList<const CompareRow*> rows;
    double top = 0.0;
    for (const CompareRow& r : g.rows) {
        if (r.isRun()) {
            continue;
        }
        rows << &r;
        for (const SummaryRow* s : {r.before, r.after}) {
            if (s && s->time.n > 0) {
                top = std::max({top, s->time.mean, s->time.ci ? s->time.ci->high : 0.0});
            }
        }
    }
    if (rows.isEmpty()) {
        return {};
    }
    QStringList names;
    for (const CompareRow* r : rows) {
        names << stretchName(r->from, r->to);
    }
    charts::Chart chart(QStringLiteral("%1, %2: mean travel time per stretch")
                            .arg(g.direction, periodText(c.before.options, g.period)),
                        QStringLiteral("Stretch"), QStringLiteral("Travel time (s)"), 0.0,
                        top * 1.05);
    chart.categories(names);
    const char* colours[2] = {"#1f77b4", "#ff7f0e"};
    for (qsizetype k = 0; k < rows.size(); ++k) {
        const SummaryRow* sides[2] = {rows[k]->before, rows[k]->after};
        for (int i = 0; i < 2; ++i) {
            const SummaryRow* s = sides[i];
            if (!s || s->time.n == 0) {
                continue;
            }
            const double x = chart.x(double(k + 1) + (i == 0 ? -0.12 : 0.12));
            // An interval reaching below zero is drawn to the axis: no run
            // takes less than no time.
            const auto y = [&](double v) { return svgNumber(chart.y(std::max(0.0, v))); };
            if (s->time.ci) {
                chart.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" "
                                             "stroke=\"%4\" stroke-width=\"2\"/>")
                                  .arg(svgNumber(x), y(s->time.ci->low), y(s->time.ci->high),
                                       QLatin1String(colours[i]));
                for (double v : {s->time.ci->low, s->time.ci->high}) {
                    if (v >= 0.0) {
                        chart.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" "
                                                     "y2=\"%2\" stroke=\"%4\" "
                                                     "stroke-width=\"2\"/>")
                                          .arg(svgNumber(x - 5), y(v), svgNumber(x + 5),
                                               QLatin1String(colours[i]));
                    }
                }
            }
            chart.body << QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"5\" fill=\"%3\"><title>"
                                         "%4 %5: %6 s</title></circle>")
                              .arg(svgNumber(x), svgNumber(chart.y(s->time.mean)),
                                   QLatin1String(colours[i]), esc(names[k]),
                                   i == 0 ? QStringLiteral("before") : QStringLiteral("after"),
                                   fixed(s->time.mean, 1));
        }
    }
    chart.legend(QLatin1String(colours[0]), QStringLiteral("before"), false);
    chart.legend(QLatin1String(colours[1]), QStringLiteral("after"), false);
    chart.legend(QStringLiteral("#555555"),
                 QStringLiteral("%1 % interval of the mean").arg(c.before.options.confidencePct),
                 true);
    return chart.svg();
}

QList<const SummaryRun*> groupRuns(const Summary& s, const SummaryGroup* g)
{
    QList<const SummaryRun*> runs;
    if (g) {
        for (qsizetype k : g->runs) {
            runs << &s.runs[k];
        }
    }
    return runs;
}

// Reads one side's files; false when none can be read.
bool readSide(Summary& side, const QStringList& files, bool paths, const char* name, CliOutput& io)
{
    for (const QString& path : files) {
        addStudyFile(side, path, paths, io);
    }
    if (side.files.isEmpty()) {
        say(io, QStringLiteral("no study file %1 could be read").arg(QLatin1String(name)));
        return false;
    }
    computeGroups(side);
    return true;
}

} // namespace

void compareGroups(Comparison& c)
{
    QList<std::pair<QString, QString>> keys;
    for (const Summary* s : {&c.before, &c.after}) {
        for (const SummaryGroup& g : s->groups) {
            if (!keys.contains(std::pair(g.direction, g.period))) {
                keys << std::pair(g.direction, g.period);
            }
        }
    }
    const auto periodRank = [&](const QString& name) {
        for (qsizetype k = 0; k < c.before.options.periods.size(); ++k) {
            if (c.before.options.periods[k].name == name) {
                return k;
            }
        }
        return qsizetype(-1);
    };
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        return std::pair(directionRank(a.first), periodRank(a.second)) <
               std::pair(directionRank(b.first), periodRank(b.second));
    });
    for (const auto& [direction, period] : keys) {
        CompareGroup g;
        g.direction = direction;
        g.period = period;
        g.before = findGroup(c.before, direction, period);
        g.after = findGroup(c.after, direction, period);
        // Stretches are matched by their node labels, which name the same
        // places only when both sides mark as many nodes.
        const bool sameNodes =
            g.before && g.after && g.before->byNodes.keys() == g.after->byNodes.keys();
        if (g.before && g.after && !sameNodes) {
            g.notes << QStringLiteral("The node counts differ between the studies (before %1, "
                                      "after %2): the stretches are shown side by side but only "
                                      "the whole run is compared.")
                           .arg(nodeCounts(*g.before), nodeCounts(*g.after));
        }
        QList<std::pair<QString, QString>> rows;
        for (const SummaryGroup* side : {g.before, g.after}) {
            for (const SummaryRow& r : side ? side->rows : QList<SummaryRow>()) {
                if (!rows.contains(std::pair(r.from, r.to))) {
                    rows << std::pair(r.from, r.to);
                }
            }
        }
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
            return std::pair(labelRank(a.first), labelRank(a.second)) <
                   std::pair(labelRank(b.first), labelRank(b.second));
        });
        for (const auto& [from, to] : rows) {
            CompareRow row;
            row.from = from;
            row.to = to;
            row.before = findRow(g.before, from, to);
            row.after = findRow(g.after, from, to);
            row.compared = row.isRun() || sameNodes;
            compareRow(row, c);
            g.rows << row;
        }
        explain(g);
        c.groups << g;
    }
}

QByteArray compareCsv(const Comparison& c)
{
    return csvTable(compareColumns(c), c);
}

QByteArray compareText(const Comparison& c)
{
    const Columns<Line> columns = compareColumns(c);
    QString out = QStringLiteral("Before and after: %1 run%2 before (%3), %4 run%5 after (%6)\n")
                      .arg(c.before.runs.size())
                      .arg(c.before.runs.size() == 1 ? "" : "s")
                      .arg(nameList(c.before.files))
                      .arg(c.after.runs.size())
                      .arg(c.after.runs.size() == 1 ? "" : "s")
                      .arg(nameList(c.after.files));
    out += headline(c) + u'\n';
    if (c.groups.isEmpty()) {
        out += QStringLiteral("\nNo runs to compare.\n");
    }
    for (const CompareGroup& g : c.groups) {
        out += QStringLiteral("\n%1, %2: before %3; after %4\n")
                   .arg(g.direction, periodText(c.before.options, g.period),
                        sideRuns(c.before, g.before), sideRuns(c.after, g.after));
        out += textHeader(columns);
        for (const CompareRow& r : g.rows) {
            out += textLine(columns, Line{c, g, r});
        }
        for (const QString& note : g.notes) {
            out += QStringLiteral("  Note: ") + note + u'\n';
        }
    }
    const QStringList notes = c.before.notes + c.after.notes;
    if (!notes.isEmpty()) {
        out += QStringLiteral("\nLeft out or doubtful:\n");
        for (const QString& note : notes) {
            out += QStringLiteral("  ") + note + u'\n';
        }
    }
    out += u'\n' + legend(c) + u'\n';
    return out.toUtf8();
}

QByteArray compareHtml(const Comparison& c)
{
    QByteArray page;
    Sink out(page);
    writeCompareHtml(c, out);
    return page;
}

void writeCompareHtml(const Comparison& c, Sink& sink)
{
    using namespace charts;
    const Columns<Line> columns = compareColumns(c);
    Lines out(sink);
    out << pageHead(QStringLiteral("Before and after"));
    out << QStringLiteral("<h1>Before and after</h1>");
    out << QStringLiteral("<p>Before: %1 (%2 runs). After: %3 (%4 runs).</p>")
               .arg(esc(nameList(c.before.files)))
               .arg(c.before.runs.size())
               .arg(esc(nameList(c.after.files)))
               .arg(c.after.runs.size());
    out << QStringLiteral("<p>%1 %2</p>").arg(esc(headline(c)), esc(legend(c)));
    out << sideSignalsNotes(c);
    for (const QString& note : c.before.notes + c.after.notes) {
        out << QStringLiteral("<p class=\"note\">%1</p>").arg(esc(note));
    }
    if (c.groups.isEmpty()) {
        out << QStringLiteral("<p class=\"note\">No runs to compare.</p>");
    }
    for (const CompareGroup& g : c.groups) {
        out << QStringLiteral("<h2>%1, %2</h2>")
                   .arg(esc(g.direction), esc(periodText(c.before.options, g.period)));
        out << QStringLiteral("<p>Before: %1. After: %2.</p>")
                   .arg(esc(sideRuns(c.before, g.before)), esc(sideRuns(c.after, g.after)));
        for (const QString& note : g.notes) {
            out << QStringLiteral("<p class=\"note\">%1</p>").arg(esc(note));
        }
        QString table = QStringLiteral("<table>\n") + htmlHeader(columns);
        for (const CompareRow& r : g.rows) {
            table += htmlLine(columns, Line{c, g, r});
        }
        out << table + QStringLiteral("</table>");
        out << meansChart(c, g);
        // Both diagrams on one scale, one above the other, so that a slower
        // corridor looks slower.
        const QList<const SummaryRun*> before = groupRuns(c.before, g.before);
        const QList<const SummaryRun*> after = groupRuns(c.after, g.after);
        const auto [minutes, miles] = routeExtent(before + after);
        const QString title =
            QStringLiteral("%1, %2").arg(g.direction, periodText(c.before.options, g.period));
        if (!before.isEmpty()) {
            out << timeSpaceChart(title + QStringLiteral(": before"), before, minutes, miles);
        }
        if (!after.isEmpty()) {
            out << timeSpaceChart(title + QStringLiteral(": after"), after, minutes, miles);
        }
        out << signalPictures(title + QStringLiteral(", before"), before,
                              c.before.options.measures);
        out << signalPictures(title + QStringLiteral(", after"), after, c.after.options.measures);
    }
    out << QStringLiteral("</body>\n</html>");
}

QString sideSignalsNotes(const Comparison& c)
{
    const MeasureOptions& before = c.before.options.measures;
    const MeasureOptions& after = c.after.options.measures;
    if (before.signalsFile == after.signalsFile) {
        return signalsNote(before);
    }
    return signalsNote(before, QStringLiteral("before")) +
           signalsNote(after, QStringLiteral("after"));
}

int runCompare(const Arguments& a, CliOutput& io)
{
    Comparison c;
    SummaryOptions options;
    if (const QString error = readSummaryOptions(a, options); !error.isEmpty()) {
        return usageError(io, error);
    }
    bool ok = true;
    if (a.has("--detect")) {
        c.detectPct = a.value("--detect").toDouble(&ok);
        if (!ok || !(c.detectPct > 0.0) || c.detectPct > 100.0) {
            return usageError(io,
                              QStringLiteral("--detect takes a percentage above 0, such as 10"));
        }
    }
    if (a.has("--power")) {
        c.powerPct = a.value("--power").toDouble(&ok);
        if (!ok || !(c.powerPct >= 50.0) || !(c.powerPct < 100.0)) {
            return usageError(io, QStringLiteral("--power takes a percentage from 50 to below "
                                                 "100, such as 80"));
        }
    }
    c.before.options = options;
    c.after.options = options;
    if (a.has("--signals-after")) {
        if (const QString error = readSignalsAfter(a, c.after.options.measures); !error.isEmpty()) {
            return usageError(io, error);
        }
    }
    const QString html = a.value("--html");
    if (!readSide(c.before, a.all("--before"), !html.isEmpty(), "before", io) ||
        !readSide(c.after, a.all("--after"), !html.isEmpty(), "after", io)) {
        return kExitBadFile;
    }
    // A change of nothing against itself would be reported as no change.
    for (const StudyRead& after : c.after.read) {
        if (const StudyRead* before = sameStudy(c.before, after)) {
            say(io, QStringLiteral("%1 (before) and %2 (after) are the same study: nothing to "
                                   "compare")
                        .arg(before->path, after.path));
            return kExitUsage;
        }
    }
    compareGroups(c);
    // The text carries its notes; the table and the page have them told.
    if (a.has("--csv") || !html.isEmpty()) {
        sayNotes(c.before, io);
        sayNotes(c.after, io);
        for (const CompareGroup& g : c.groups) {
            for (const QString& note : g.notes) {
                say(io, QStringLiteral("%1, %2: %3")
                            .arg(g.direction, periodText(options, g.period), note));
            }
        }
    }
    QByteArray text;
    if (options.nodes && !html.isEmpty()) {
        Sink page(text);
        writeNodesCompareHtml(c, page);
    } else if (options.nodes) {
        text = a.has("--csv") ? nodesCompareCsv(c) : nodesCompareText(c);
    } else {
        text = !html.isEmpty() ? compareHtml(c) : a.has("--csv") ? compareCsv(c) : compareText(c);
    }
    const bool written = writeOutput(io, html.isEmpty() ? a.value("-o") : html, [&](Sink& out) {
        out << text;
        return true;
    });
    return written ? kExitOk : kExitBadFile;
}

} // namespace gd2
