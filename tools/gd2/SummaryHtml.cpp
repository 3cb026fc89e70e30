// The summary as one page: the tables and, drawn inline as SVG, the travel
// time of each run, the time-space diagram and the speed along the route.

#include "Charts.h"
#include "NodeSummary.h"
#include "Summary.h"
#include "TextFormat.h"

#include <algorithm>

namespace gd2 {

using namespace charts;

namespace {

// Each run's travel time as a dot, the mean as a line and its interval as
// a band.
QString travelTimeChart(const Summary& s, const SummaryGroup& g, const SummaryRow& row)
{
    QStringList names;
    double top = 0.0;
    for (qsizetype k = 0; k < row.runs.size(); ++k) {
        names << s.runs[row.runs[k]].label;
        top = std::max(top, row.seconds[k]);
    }
    if (row.time.ci) {
        top = std::max(top, row.time.ci->high);
    }
    Chart c(QStringLiteral("%1, %2: travel time per run")
                .arg(g.direction, periodText(s.options, g.period)),
            QStringLiteral("Run (in order of start)"), QStringLiteral("Travel time (s)"),
            top * 1.05, top * 1.05);
    c.categories(names);
    if (row.time.ci) {
        c.body << QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                 "fill=\"#c6dbef\"/>")
                      .arg(svgNumber(kLeft + 1), svgNumber(c.y(row.time.ci->high)),
                           svgNumber(kRight - kLeft - 1),
                           svgNumber(c.y(row.time.ci->low) - c.y(row.time.ci->high)));
        c.legend(QStringLiteral("#c6dbef"),
                 QStringLiteral("%1% interval").arg(s.options.confidencePct), false);
    }
    c.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#08519c\" "
                             "stroke-width=\"2\" stroke-dasharray=\"6 4\"/>")
                  .arg(svgNumber(kLeft), svgNumber(c.y(row.time.mean)), svgNumber(kRight));
    c.legend(QStringLiteral("#08519c"), QStringLiteral("mean %1 s").arg(fixed(row.time.mean, 1)),
             true);
    for (qsizetype k = 0; k < row.runs.size(); ++k) {
        c.body << QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"4.5\" fill=\"#d62728\"><title>"
                                 "run %3: %4 s</title></circle>")
                      .arg(svgNumber(c.x(double(k + 1))), svgNumber(c.y(row.seconds[k])),
                           esc(names[k]), fixed(row.seconds[k], 1));
    }
    c.legend(QStringLiteral("#d62728"), QStringLiteral("a run"), false);
    return c.svg();
}

// The runs of one direction, in the order of their start.
QList<const SummaryRun*> directionRuns(const Summary& s, const QString& direction)
{
    QList<const SummaryRun*> runs;
    for (const SummaryGroup& g : s.groups) {
        if (g.direction == direction) {
            for (qsizetype k : g.runs) {
                runs << &s.runs[k];
            }
        }
    }
    std::sort(runs.begin(), runs.end(), [](const SummaryRun* a, const SummaryRun* b) {
        return *a->report.start < *b->report.start;
    });
    return runs;
}

} // namespace

QByteArray summaryHtml(const Summary& s)
{
    QByteArray page;
    Sink out(page);
    writeSummaryHtml(s, out);
    return page;
}

void writeSummaryHtml(const Summary& s, Sink& sink)
{
    const bool ref = s.options.referenceMph.has_value();
    Lines out(sink);
    out << pageHead(QStringLiteral("Travel-time summary"));
    out << QStringLiteral("<h1>Travel-time summary</h1>");
    out << QStringLiteral("<p>%1 &middot; %2 runs &middot; confidence %3&nbsp;% &middot; "
                          "precision &plusmn;%4&nbsp;%%5. Times in seconds; speeds are "
                          "space-mean speeds (total distance over total time). Figures marked * "
                          "are indicative: fewer than %6 runs.</p>")
               .arg(esc(s.files.join(QStringLiteral(", "))))
               .arg(s.runs.size())
               .arg(s.options.confidencePct)
               .arg(plain(s.options.precisionPct))
               .arg(ref ? QStringLiteral(" &middot; reference speed %1 mph")
                              .arg(plain(*s.options.referenceMph))
                        : QString())
               .arg(kReliableRuns);
    for (const QString& note : s.notes) {
        out << QStringLiteral("<p class=\"note\">%1</p>").arg(esc(note));
    }
    if (s.groups.isEmpty()) {
        out << QStringLiteral("<p class=\"note\">No runs to summarise.</p>");
    }
    for (const SummaryGroup& g : s.groups) {
        out << QStringLiteral("<h2>%1, %2</h2>")
                   .arg(esc(g.direction), esc(periodText(s.options, g.period)));
        out << QStringLiteral("<p>%1 run%2: %3</p>")
                   .arg(g.runs.size())
                   .arg(g.runs.size() == 1 ? QString() : QStringLiteral("s"))
                   .arg(esc(runList(s, g.runs)));
        for (const QString& note : g.notes) {
            out << QStringLiteral("<p class=\"note\">%1</p>").arg(esc(note));
        }
        out << summaryHtmlTable(s, g);
        if (!g.rows.isEmpty() && !g.rows.first().runs.isEmpty()) {
            out << travelTimeChart(s, g, g.rows.first());
        }
        if (const QList<NodeRow> nodes = nodeRows(s, g); !nodes.isEmpty()) {
            const QString name =
                g.direction + QStringLiteral(", ") + periodText(s.options, g.period);
            out << QStringLiteral("<h3>Control delay per intersection</h3>");
            out << nodesHtmlTable(s, g, nodes);
            out << delayBarChart(name + QStringLiteral(": control delay per intersection"), nodes);
        }
    }
    QStringList directions;
    for (const SummaryGroup& g : s.groups) {
        if (!directions.contains(g.direction)) {
            directions << g.direction;
        }
    }
    for (const QString& dir : directions) {
        const QList<const SummaryRun*> runs = directionRuns(s, dir);
        out << QStringLiteral("<h2 id=\"route-%1\">%1: runs along the route</h2>").arg(esc(dir));
        out << timeSpaceChart(QStringLiteral("%1: time-space diagram").arg(dir), runs);
        out << speedChart(QStringLiteral("%1: speed along the route").arg(dir), runs);
    }
    out << QStringLiteral("</body>\n</html>");
}

} // namespace gd2
