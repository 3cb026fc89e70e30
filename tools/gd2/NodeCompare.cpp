// Control delay per node before and after.

#include "NodeCompare.h"
#include "Stats.h"

#include "Charts.h"
#include "Columns.h"
#include "Sink.h"
#include "TextFormat.h"

#include <algorithm>

namespace gd2 {

namespace {

struct NodeLine
{
    const Comparison& c;
    const CompareGroup& g;
    const NodeCompareRow& r;
};

QString sideCell(const std::optional<NodeRow>& side, std::optional<double> (*get)(const NodeRow&),
                 int decimals)
{
    const auto v = side ? get(*side) : std::nullopt;
    return v ? fixed(*v, decimals) : QString();
}

std::optional<double> meanOf(const NodeRow& r)
{
    return r.delay.n > 0 ? std::optional(r.delay.mean) : std::nullopt;
}
std::optional<double> sdOf(const NodeRow& r)
{
    return r.delay.sd;
}
std::optional<double> shareOf(const NodeRow& r)
{
    return r.delay.n > 0 ? std::optional(r.stopShare) : std::nullopt;
}

// The share of a side's arrivals at a signal that were on green.
QString greenCell(const std::optional<NodeRow>& side, Output o)
{
    if (!side || !side->onGreenShare) {
        return QString();
    }
    return o == Output::Csv ? fixed(*side->onGreenShare, 2)
                            : fixed(100.0 * *side->onGreenShare, 0) + QStringLiteral(" %");
}

// Fisher's exact test of arrivals on green and on red, before against after.
std::optional<double> onGreenP(const NodeCompareRow& r)
{
    if (!r.before || !r.after || r.before->onGreen.isEmpty() || r.after->onGreen.isEmpty()) {
        return std::nullopt;
    }
    const auto greens = [](const NodeRow& n) { return (long long)n.onGreen.count(true); };
    const auto reds = [](const NodeRow& n) { return (long long)n.onGreen.count(false); };
    return vtstats::fisherExactTwoSided(greens(*r.before), reds(*r.before), greens(*r.after),
                                        reds(*r.after));
}

Columns<NodeLine> nodeCompareColumns(const Comparison& c)
{
    const int confidence = c.before.options.confidencePct;
    const auto opt = [](const std::optional<double>& v, int decimals) {
        return v ? fixed(*v, decimals) : QString();
    };
    const auto runs = [](const std::optional<NodeRow>& side) {
        return QString::number(side ? side->delay.n : 0);
    };
    Columns<NodeLine> columns{
        {"direction", {}, {}, 0, [](const NodeLine& l, Output) { return l.g.direction; }},
        {"period", {}, {}, 0, [](const NodeLine& l, Output) { return l.g.period; }},
        {"node", "Node", "Node", 5,
         [](const NodeLine& l, Output o) {
             return o == Output::Csv ? QString::number(l.r.node)
                                     : QStringLiteral("N%1").arg(l.r.node);
         }},
        {"runs_before", "Runs", "Runs before", 5,
         [runs](const NodeLine& l, Output) { return runs(l.r.before); }},
        {"mean_delay_before_s", "Before", "Mean delay before", 7,
         [](const NodeLine& l, Output) { return sideCell(l.r.before, meanOf, 1); }},
        {"sd_delay_before_s", "SD", "SD before", 6,
         [](const NodeLine& l, Output) { return sideCell(l.r.before, sdOf, 1); }},
        {"runs_after", "Runs", "Runs after", 5,
         [runs](const NodeLine& l, Output) { return runs(l.r.after); }},
        {"mean_delay_after_s", "After", "Mean delay after", 7,
         [](const NodeLine& l, Output) { return sideCell(l.r.after, meanOf, 1); }},
        {"sd_delay_after_s", "SD", "SD after", 6,
         [](const NodeLine& l, Output) { return sideCell(l.r.after, sdOf, 1); }},
        {"change_s", "Change", "Change s", 7,
         [opt](const NodeLine& l, Output) { return opt(l.r.change, 1); }},
        {"change_pct", "%", "Change %", 7,
         [opt](const NodeLine& l, Output) { return opt(l.r.changePct, 1); }},
    };
    columns += welchColumns<NodeLine>([](const NodeLine& l) { return l.r.test; }, confidence);
    columns += Columns<NodeLine>{
        {"stop_share_before", "Stop% b", "Runs stopping before", 8,
         [](const NodeLine& l, Output) { return sideCell(l.r.before, shareOf, 2); }},
        {"stop_share_after", "Stop% a", "Runs stopping after", 8,
         [](const NodeLine& l, Output) { return sideCell(l.r.after, shareOf, 2); }},
        {"on_green_before", "Green% b", "Arrivals on green before", 9,
         [](const NodeLine& l, Output o) { return greenCell(l.r.before, o); }},
        {"on_green_after", "Green% a", "Arrivals on green after", 9,
         [](const NodeLine& l, Output o) { return greenCell(l.r.after, o); }},
        {"p_value_on_green", "p green", "p (arrivals on green)", 8,
         [](const NodeLine& l, Output) {
             const std::optional<double> p = onGreenP(l.r);
             return p ? fixed(*p, 4) : QString();
         }},
    };
    return columns;
}

std::optional<NodeRow> sideRow(const QList<NodeRow>& rows, qint16 node)
{
    for (const NodeRow& r : rows) {
        if (r.node == node) {
            return r;
        }
    }
    return std::nullopt;
}

QString groupTitle(const Comparison& c, const CompareGroup& g)
{
    return QStringLiteral("%1, %2").arg(g.direction, periodText(c.before.options, g.period));
}

} // namespace

QList<NodeCompareRow> nodeCompareRows(const Comparison& c, const CompareGroup& g)
{
    const QList<NodeRow> before = g.before ? nodeRows(c.before, *g.before) : QList<NodeRow>();
    const QList<NodeRow> after = g.after ? nodeRows(c.after, *g.after) : QList<NodeRow>();
    QList<qint16> nodes;
    for (const NodeRow& r : before + after) {
        if (!nodes.contains(r.node)) {
            nodes << r.node;
        }
    }
    std::sort(nodes.begin(), nodes.end());
    QList<NodeCompareRow> rows;
    for (qint16 node : nodes) {
        NodeCompareRow row;
        row.node = node;
        row.before = sideRow(before, node);
        row.after = sideRow(after, node);
        if (row.before && row.after) {
            const vtstats::Description& b = row.before->delay;
            const vtstats::Description& a = row.after->delay;
            row.change = a.mean - b.mean;
            if (b.mean > 0.0) {
                row.changePct = 100.0 * *row.change / b.mean;
            }
            if (b.sd && a.sd) {
                row.test = vtstats::welch(b.n, b.mean, *b.sd, a.n, a.mean, *a.sd,
                                          c.before.options.confidencePct / 100.0);
            }
        }
        rows << row;
    }
    return rows;
}

QByteArray nodesCompareCsv(const Comparison& c)
{
    return csvTable(nodeCompareColumns(c), c, nodeCompareRows);
}

QByteArray nodesCompareText(const Comparison& c)
{
    const Columns<NodeLine> columns = nodeCompareColumns(c);
    QString out = QStringLiteral("Control delay per node before and after. Confidence %1 %; "
                                 "delays in seconds; change is after - before (Welch's t-test).\n")
                      .arg(c.before.options.confidencePct);
    for (const CompareGroup& g : c.groups) {
        out += u'\n' + groupTitle(c, g) + u'\n';
        const QList<NodeCompareRow> rows = nodeCompareRows(c, g);
        if (rows.isEmpty()) {
            out += QStringLiteral("  No node marked.\n");
            continue;
        }
        out += textHeader(columns);
        for (const NodeCompareRow& r : rows) {
            out += textLine(columns, NodeLine{c, g, r});
        }
    }
    return out.toUtf8();
}

void writeNodesCompareHtml(const Comparison& c, Sink& sink)
{
    using namespace charts;
    const Columns<NodeLine> columns = nodeCompareColumns(c);
    Lines out(sink);
    out << pageHead(QStringLiteral("Control delay before and after"));
    out << QStringLiteral("<h1>Control delay before and after</h1>");
    out << QStringLiteral("<p>Before: %1 (%2 runs). After: %3 (%4 runs). Confidence %5&nbsp;%; "
                          "delays in seconds; change is after &minus; before, tested by Welch's "
                          "t-test.</p>")
               .arg(esc(c.before.files.join(QStringLiteral(", "))))
               .arg(c.before.runs.size())
               .arg(esc(c.after.files.join(QStringLiteral(", "))))
               .arg(c.after.runs.size())
               .arg(c.before.options.confidencePct);
    out << sideSignalsNotes(c);
    if (c.groups.isEmpty()) {
        out << QStringLiteral("<p class=\"note\">No runs to compare.</p>");
    }
    for (const CompareGroup& g : c.groups) {
        out << QStringLiteral("<h2>%1</h2>").arg(esc(groupTitle(c, g)));
        const QList<NodeCompareRow> rows = nodeCompareRows(c, g);
        QString table = QStringLiteral("<table>\n") + htmlHeader(columns);
        QList<NodeRow> before;
        QList<NodeRow> after;
        for (const NodeCompareRow& r : rows) {
            table += htmlLine(columns, NodeLine{c, g, r});
            if (r.before) {
                before << *r.before;
            }
            if (r.after) {
                after << *r.after;
            }
        }
        out << table + QStringLiteral("</table>");
        if (!rows.isEmpty()) {
            out << delayBarChart(groupTitle(c, g) +
                                     QStringLiteral(": control delay per intersection"),
                                 before, &after);
        }
    }
    out << QStringLiteral("</body>\n</html>");
}

} // namespace gd2
