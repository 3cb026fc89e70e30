// Control delay per direction, period and node across runs.

#include "NodeSummary.h"

#include "Charts.h"
#include "Columns.h"
#include "Sink.h"
#include "TextFormat.h"

#include <algorithm>
#include <array>

namespace gd2 {

namespace {

struct NodeLine
{
    const Summary& s;
    const SummaryGroup& g;
    const NodeRow& r;
};

Columns<NodeLine> nodeColumns(const Summary& s)
{
    const auto any = [](const NodeLine& l) { return l.r.delay.n > 0; };
    const auto v = [any](auto get, int decimals) {
        return [any, get, decimals](const NodeLine& l, Output) {
            return any(l) ? fixed(get(l), decimals) : QString();
        };
    };
    Columns<NodeLine> c{
        {"direction", {}, {}, 0, [](const NodeLine& l, Output) { return l.g.direction; }},
        {"period", {}, {}, 0, [](const NodeLine& l, Output) { return l.g.period; }},
        {"node", "Node", "Node", 5,
         [](const NodeLine& l, Output o) {
             return o == Output::Csv ? QString::number(l.r.node)
                                     : QStringLiteral("N%1").arg(l.r.node);
         }},
        {"runs", "Runs", "Runs", 5,
         [](const NodeLine& l, Output) { return QString::number(l.r.delay.n); }},
        {"mean_control_delay_s", "Delay", "Mean control delay s", 7,
         v([](const NodeLine& l) { return l.r.delay.mean; }, 1)},
        {"sd_control_delay_s", "SD", "SD", 6,
         [](const NodeLine& l, Output) {
             return l.r.delay.sd ? fixed(*l.r.delay.sd, 1) : QString();
         }},
        {"ci_low_s",
         {},
         {},
         0,
         [](const NodeLine& l, Output) {
             return l.r.delay.ci ? fixed(l.r.delay.ci->low, 1) : QString();
         }},
        {"ci_high_s",
         {},
         {},
         0,
         [](const NodeLine& l, Output) {
             return l.r.delay.ci ? fixed(l.r.delay.ci->high, 1) : QString();
         }},
        {{},
         QStringLiteral("%1% CI").arg(s.options.confidencePct),
         QStringLiteral("%1 % interval").arg(s.options.confidencePct),
         13,
         [](const NodeLine& l, Output o) {
             if (!l.r.delay.ci) {
                 return QString();
             }
             return fixed(l.r.delay.ci->low, 1) +
                    (o == Output::Html ? QStringLiteral("\u2013") : QStringLiteral("..")) +
                    fixed(l.r.delay.ci->high, 1);
         }},
        {"mean_stopped_delay_s", "Stopped", "Mean stopped delay s", 8,
         v([](const NodeLine& l) { return l.r.meanStopped; }, 1)},
        {"stop_share", "Stopped%", "Runs stopping", 9,
         [any](const NodeLine& l, Output o) {
             if (!any(l)) {
                 return QString();
             }
             return o == Output::Csv ? fixed(l.r.stopShare, 2)
                                     : fixed(100.0 * l.r.stopShare, 0) + QStringLiteral(" %");
         }},
        {"mean_stops", "Stops", "Mean stops", 6,
         v([](const NodeLine& l) { return l.r.meanStops; }, 2)},
        {"los", "LOS", "LOS", 4,
         [any](const NodeLine& l, Output) {
             return any(l) ? intersectionLos(l.r.delay.mean) : QString();
         }},
        {"on_green_share", "Green%", "Arrivals on green", 7,
         [](const NodeLine& l, Output o) {
             if (!l.r.onGreenShare) {
                 return QString();
             }
             return o == Output::Csv ? fixed(*l.r.onGreenShare, 2)
                                     : fixed(100.0 * *l.r.onGreenShare, 0) + QStringLiteral(" %");
         }},
    };
    return c;
}

} // namespace

QList<NodeRow> nodeRows(const Summary& s, const SummaryGroup& g)
{
    QList<NodeRow> rows;
    for (qsizetype k : g.runs) {
        QList<qint16> seen;
        for (const NodeDelay& d : s.runs[k].report.nodeDelays) {
            if (seen.contains(d.node) || !d.cruiseMph) {
                continue;
            }
            seen << d.node;
            auto row = std::find_if(rows.begin(), rows.end(),
                                    [&](const NodeRow& r) { return r.node == d.node; });
            if (row == rows.end()) {
                rows.append(NodeRow{});
                row = rows.end() - 1;
                row->node = d.node;
            }
            row->runs << k;
            row->control << d.controlS;
            row->stopped << d.stoppedS;
            row->stops << double(d.stops);
            if (const std::optional<bool> green =
                    arrivedOnGreen(s.options.measures, s.runs[k].report.direction, d)) {
                row->onGreen << *green;
            }
        }
    }
    std::sort(rows.begin(), rows.end(),
              [](const NodeRow& a, const NodeRow& b) { return a.node < b.node; });
    for (NodeRow& r : rows) {
        r.delay =
            vtstats::describe(r.control, s.options.confidencePct / 100.0, s.options.precisionPct);
        r.meanStopped = vtstats::mean(r.stopped);
        r.meanStops = vtstats::mean(r.stops);
        r.stopShare = double(std::count_if(r.stops.cbegin(), r.stops.cend(),
                                           [](double n) { return n > 0.0; })) /
                      double(r.stops.size());
        if (!r.onGreen.isEmpty()) {
            r.onGreenShare = double(r.onGreen.count(true)) / double(r.onGreen.size());
        }
    }
    return rows;
}

QByteArray nodesCsv(const Summary& s)
{
    return csvTable(nodeColumns(s), s, nodeRows);
}

QByteArray nodesText(const Summary& s)
{
    const Columns<NodeLine> columns = nodeColumns(s);
    QString out = QStringLiteral("Control delay per node of %1: %2 run%3 in %4 group%5\n")
                      .arg(s.files.join(QStringLiteral(", ")))
                      .arg(s.runs.size())
                      .arg(s.runs.size() == 1 ? "" : "s")
                      .arg(s.groups.size())
                      .arg(s.groups.size() == 1 ? "" : "s");
    out += QStringLiteral("Stops under %1 mph, over once above %2 mph; delays in seconds.\n")
               .arg(plain(s.options.measures.stops.stopMph), plain(s.options.measures.stops.goMph));
    if (s.groups.isEmpty()) {
        out += QStringLiteral("\nNo runs to summarise.\n");
    }
    for (const SummaryGroup& g : s.groups) {
        out += QStringLiteral("\n%1, %2: %3 run%4 (%5)\n")
                   .arg(g.direction, periodText(s.options, g.period))
                   .arg(g.runs.size())
                   .arg(g.runs.size() == 1 ? "" : "s")
                   .arg(runList(s, g.runs));
        const QList<NodeRow> rows = nodeRows(s, g);
        if (rows.isEmpty()) {
            out += QStringLiteral("  No node marked.\n");
            continue;
        }
        out += textHeader(columns);
        for (const NodeRow& r : rows) {
            out += textLine(columns, NodeLine{s, g, r});
        }
    }
    return out.toUtf8();
}

QString nodesHtmlTable(const Summary& s, const SummaryGroup& g, const QList<NodeRow>& rows)
{
    const Columns<NodeLine> columns = nodeColumns(s);
    QString out = QStringLiteral("<table>\n") + htmlHeader(columns);
    for (const NodeRow& r : rows) {
        out += htmlLine(columns, NodeLine{s, g, r});
    }
    return out + QStringLiteral("</table>");
}

void writeNodesHtml(const Summary& s, Sink& sink)
{
    using namespace charts;
    Lines out(sink);
    out << pageHead(QStringLiteral("Control delay per node"));
    out << QStringLiteral("<h1>Control delay per node</h1>");
    out << QStringLiteral("<p>%1 &middot; %2 runs &middot; stops under %3 mph, over once above "
                          "%4 mph. Delays in seconds.</p>")
               .arg(esc(s.files.join(QStringLiteral(", "))))
               .arg(s.runs.size())
               .arg(plain(s.options.measures.stops.stopMph), plain(s.options.measures.stops.goMph));
    out << signalsNote(s.options.measures);
    for (const QString& note : s.notes) {
        out << QStringLiteral("<p class=\"note\">%1</p>").arg(esc(note));
    }
    for (const SummaryGroup& g : s.groups) {
        const QString name = g.direction + QStringLiteral(", ") + periodText(s.options, g.period);
        out << QStringLiteral("<h2>%1</h2>").arg(esc(name));
        const QList<NodeRow> rows = nodeRows(s, g);
        out << nodesHtmlTable(s, g, rows);
        if (!rows.isEmpty()) {
            out << delayBarChart(name + QStringLiteral(": control delay per intersection"), rows);
        }
    }
    out << QStringLiteral("</body>\n</html>");
}

QString delayBarChart(const QString& title, const QList<NodeRow>& rows, const QList<NodeRow>* after)
{
    using namespace charts;
    QList<qint16> nodes;
    double top = 10.0;
    for (const QList<NodeRow>* side : {&rows, after}) {
        if (!side) {
            continue;
        }
        for (const NodeRow& r : *side) {
            if (!nodes.contains(r.node)) {
                nodes << r.node;
            }
            top = std::max(top, r.delay.mean);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    QStringList names;
    for (qint16 n : nodes) {
        names << QStringLiteral("N%1").arg(n);
    }
    Chart c(title, QStringLiteral("Node"), QStringLiteral("Mean control delay (s)"), 1.0,
            top * 1.1);
    c.categories(names);
    // The level-of-service limits behind the bars.
    static constexpr std::array<std::pair<double, const char*>, 5> kLimits = {
        {{10, "A"}, {20, "B"}, {35, "C"}, {55, "D"}, {80, "E"}}};
    for (const auto& [limit, grade] : kLimits) {
        if (limit > top * 1.1) {
            break;
        }
        c.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#999999\" "
                                 "stroke-dasharray=\"3 3\"/><text x=\"%4\" y=\"%5\" "
                                 "font-size=\"11\" fill=\"#666666\">%6</text>")
                      .arg(svgNumber(kLeft), svgNumber(c.y(limit)), svgNumber(kRight),
                           svgNumber(kRight + 4), svgNumber(c.y(limit) + 12), QLatin1String(grade));
    }
    const double slot = (kRight - kLeft) / double(names.size() + 1);
    const double width = std::min(60.0, slot * (after ? 0.4 : 0.6));
    const auto bars = [&](const QList<NodeRow>& side, double shift, const char* colour,
                          const QString& label) {
        for (const NodeRow& r : side) {
            const double x = c.x(double(nodes.indexOf(r.node) + 1)) + shift - width / 2.0;
            c.body << QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                     "fill=\"%5\"><title>%6N%7: %8 s over %9 run%10</title></rect>")
                          .arg(svgNumber(x), svgNumber(c.y(r.delay.mean)), svgNumber(width),
                               svgNumber(c.bottom() - c.y(r.delay.mean)), QLatin1String(colour),
                               label.isEmpty() ? QString() : label + QStringLiteral(" "))
                          .arg(r.node)
                          .arg(fixed(r.delay.mean, 1))
                          .arg(r.delay.n)
                          .arg(r.delay.n == 1 ? "" : "s");
        }
    };
    if (after) {
        bars(rows, -width / 2.0, kColours[0], QStringLiteral("before"));
        bars(*after, width / 2.0, kColours[3], QStringLiteral("after"));
        c.legend(QLatin1String(kColours[0]), QStringLiteral("before"), false);
        c.legend(QLatin1String(kColours[3]), QStringLiteral("after"), false);
    } else {
        bars(rows, 0.0, kColours[0], {});
        c.legend(QLatin1String(kColours[0]), QStringLiteral("mean control delay"), false);
    }
    return c.svg();
}

} // namespace gd2
