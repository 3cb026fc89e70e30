// The summary as one page: the tables and, drawn inline as SVG, the travel
// time of each run, the time-space diagram and the speed along the route.

#include "Summary.h"
#include "TextFormat.h"

#include <QPointF>
#include <algorithm>
#include <array>
#include <cmath>

namespace gd2 {

namespace {

constexpr double kWidth = 900;
constexpr double kLeft = 75;
constexpr double kRight = 870;
constexpr double kTop = 45;
constexpr double kPlotHeight = 300;
constexpr double kLegendRow = 18;
constexpr int kLegendPerRow = 6;

// Ten colours that stay apart on screen and in grey print.
constexpr std::array<const char*, 10> kColours = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                                  "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                                  "#bcbd22", "#17becf"};

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

// An axis from zero: its top and its step, about six ticks.
std::pair<double, double> axis(double top)
{
    const double step = niceStep(std::max(top, 1e-3) / 6.0);
    return {std::max(step, std::ceil(top / step) * step), step};
}

// A chart with axes from zero; the caller draws into `body` in the
// coordinates x() and y() give.
class Chart
{
public:
    Chart(QString title, QString xTitle, QString yTitle, double xTop, double yTop)
        : title_(std::move(title)), xTitle_(std::move(xTitle)), yTitle_(std::move(yTitle))
    {
        std::tie(xTop_, xStep_) = axis(xTop);
        std::tie(yTop_, yStep_) = axis(yTop);
    }

    double x(double v) const { return kLeft + v / xTop_ * (kRight - kLeft); }
    double y(double v) const { return kTop + kPlotHeight - v / yTop_ * kPlotHeight; }
    double bottom() const { return kTop + kPlotHeight; }

    // Run numbers under the x axis instead of a scale.
    void categories(const QStringList& names)
    {
        names_ = names;
        xTop_ = double(names.size() + 1);
    }
    void legend(const QString& colour, const QString& text, bool line)
    {
        legend_.append({colour, text, line});
    }

    QStringList body;

    QString svg() const
    {
        const int legendRows = int((legend_.size() + kLegendPerRow - 1) / kLegendPerRow);
        const double legendTop = bottom() + 55;
        const double height = legendTop + legendRows * kLegendRow + 10;
        QStringList out;
        out << QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                              "height=\"%2\" viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" "
                              "font-size=\"12\" role=\"img\">")
                   .arg(svgNumber(kWidth), svgNumber(height));
        out << QStringLiteral("<title>%1</title>").arg(esc(title_));
        out << QStringLiteral("<rect width=\"%1\" height=\"%2\" fill=\"white\"/>")
                   .arg(svgNumber(kWidth), svgNumber(height));
        out << QStringLiteral("<text x=\"%1\" y=\"22\" font-size=\"15\" "
                              "font-weight=\"bold\">%2</text>")
                   .arg(svgNumber(kLeft), esc(title_));
        out << QStringLiteral("<g stroke=\"#dddddd\">");
        QStringList labels;
        for (int k = 0; k * yStep_ <= yTop_ + yStep_ / 2; ++k) {
            const double v = k * yStep_;
            out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\"/>")
                       .arg(svgNumber(kLeft), svgNumber(y(v)), svgNumber(kRight));
            labels << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>")
                          .arg(svgNumber(kLeft - 6), svgNumber(y(v) + 4), plain(v));
        }
        if (names_.isEmpty()) {
            for (int k = 0; k * xStep_ <= xTop_ + xStep_ / 2; ++k) {
                const double v = k * xStep_;
                out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>")
                           .arg(svgNumber(x(v)), svgNumber(kTop), svgNumber(bottom()));
                labels << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                              .arg(svgNumber(x(v)), svgNumber(bottom() + 18), plain(v));
            }
        } else {
            // Every label when they fit, else every few.
            const qsizetype every = std::max<qsizetype>(1, names_.size() / 30 + 1);
            for (qsizetype k = 0; k < names_.size(); k += every) {
                labels << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                              .arg(svgNumber(x(double(k + 1))), svgNumber(bottom() + 18),
                                   esc(names_[k]));
            }
        }
        out << QStringLiteral("</g>") << labels;
        out << QStringLiteral("<g stroke=\"black\"><line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>"
                              "<line x1=\"%1\" y1=\"%3\" x2=\"%4\" y2=\"%3\"/></g>")
                   .arg(svgNumber(kLeft), svgNumber(kTop), svgNumber(bottom()), svgNumber(kRight));
        out << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                   .arg(svgNumber((kLeft + kRight) / 2), svgNumber(bottom() + 38), esc(xTitle_));
        out << QStringLiteral("<text x=\"18\" y=\"%1\" text-anchor=\"middle\" "
                              "transform=\"rotate(-90 18 %1)\">%2</text>")
                   .arg(svgNumber(kTop + kPlotHeight / 2), esc(yTitle_));
        out << body;
        for (qsizetype k = 0; k < legend_.size(); ++k) {
            const double lx = kLeft + double(k % kLegendPerRow) * (kRight - kLeft) / kLegendPerRow;
            const double ly = legendTop + double(k / kLegendPerRow) * kLegendRow;
            const Entry& e = legend_[k];
            out << (e.line
                        ? QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" "
                                         "stroke=\"%4\" stroke-width=\"2.5\"/>")
                              .arg(svgNumber(lx), svgNumber(ly - 4), svgNumber(lx + 18), e.colour)
                        : QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"18\" height=\"9\" "
                                         "fill=\"%3\"/>")
                              .arg(svgNumber(lx), svgNumber(ly - 9), e.colour));
            out << QStringLiteral("<text x=\"%1\" y=\"%2\">%3</text>")
                       .arg(svgNumber(lx + 23), svgNumber(ly), esc(e.text));
        }
        out << QStringLiteral("</svg>");
        return out.join(u'\n');
    }

private:
    struct Entry
    {
        QString colour;
        QString text;
        bool line = false;
    };
    QString title_;
    QString xTitle_;
    QString yTitle_;
    double xTop_ = 1;
    double xStep_ = 1;
    double yTop_ = 1;
    double yStep_ = 1;
    QStringList names_;
    QList<Entry> legend_;
};

// Drops the points that lie within a fraction of a pixel of the line
// between their neighbours (Douglas-Peucker), marking those to keep.
void simplify(const QList<QPointF>& pts, qsizetype first, qsizetype last, QList<bool>& keep)
{
    constexpr double kTolerance = 0.4;
    QList<std::pair<qsizetype, qsizetype>> todo{{first, last}};
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
        if (at >= 0 && worst > kTolerance) {
            keep[at] = true;
            todo.append({a, at});
            todo.append({at, b});
        }
    }
}

// A polyline as drawn: per pixel column only its first, lowest, highest and
// last point, and of those only what changes the line by more than a
// fraction of a pixel. A day of fixes at 10 Hz draws as it would whole, at
// a small part of the size.
QString polylinePoints(const QList<QPointF>& pts)
{
    QList<QPointF> columns;
    qsizetype k = 0;
    while (k < pts.size()) {
        const double column = std::floor(pts[k].x());
        qsizetype end = k;
        qsizetype lo = k;
        qsizetype hi = k;
        while (end < pts.size() && std::floor(pts[end].x()) == column) {
            lo = pts[end].y() < pts[lo].y() ? end : lo;
            hi = pts[end].y() > pts[hi].y() ? end : hi;
            ++end;
        }
        QList<qsizetype> picked{k, lo, hi, end - 1};
        std::sort(picked.begin(), picked.end());
        picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
        for (qsizetype i : picked) {
            columns.append(pts[i]);
        }
        k = end;
    }
    QList<bool> keep(columns.size(), false);
    keep.first() = true;
    keep.last() = true;
    simplify(columns, 0, columns.size() - 1, keep);
    QStringList out;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (keep[i]) {
            out << svgNumber(columns[i].x()) + u',' + svgNumber(columns[i].y());
        }
    }
    return out.join(u' ');
}

void drawLine(Chart& c, const QList<QPointF>& pts, const char* colour)
{
    if (pts.size() == 1) {
        c.body << QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"2\" fill=\"%3\"/>")
                      .arg(svgNumber(pts[0].x()), svgNumber(pts[0].y()), QLatin1String(colour));
    } else if (pts.size() > 1) {
        c.body << QStringLiteral("<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"1.6\" "
                                 "stroke-linejoin=\"round\" points=\"%2\"/>")
                      .arg(QLatin1String(colour), polylinePoints(pts));
    }
}

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
    Chart c(QStringLiteral("%1, %2: travel time per run").arg(g.direction, periodText(s, g.period)),
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
QList<qsizetype> directionRuns(const Summary& s, const QString& direction)
{
    QList<qsizetype> runs;
    for (const SummaryGroup& g : s.groups) {
        if (g.direction == direction) {
            runs << g.runs;
        }
    }
    std::sort(runs.begin(), runs.end(), [&](qsizetype a, qsizetype b) {
        return *s.runs[a].report.start < *s.runs[b].report.start;
    });
    return runs;
}

// Where each node lies, on average over the runs that passed it.
QMap<qint16, double> nodeMiles(const Summary& s, const QList<qsizetype>& runs)
{
    QMap<qint16, std::pair<double, int>> sums;
    for (qsizetype k : runs) {
        for (const RunPoint& m : s.runs[k].marks) {
            sums[m.node].first += m.miles;
            ++sums[m.node].second;
        }
    }
    QMap<qint16, double> miles;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
        miles[it.key()] = it.value().first / it.value().second;
    }
    return miles;
}

QString timeSpaceChart(const Summary& s, const QString& direction, const QList<qsizetype>& runs)
{
    double tTop = 0.0;
    double dTop = 0.0;
    for (qsizetype k : runs) {
        if (!s.runs[k].path.isEmpty()) {
            tTop = std::max(tTop, double(s.runs[k].path.last().seconds) / 60.0);
            dTop = std::max(dTop, double(s.runs[k].path.last().miles));
        }
    }
    Chart c(QStringLiteral("%1: time-space diagram").arg(direction),
            QStringLiteral("Time since the run's start (min)"),
            QStringLiteral("Distance from the run's start (mi)"), tTop, dTop);
    const QMap<qint16, double> nodes = nodeMiles(s, runs);
    for (auto it = nodes.cbegin(); it != nodes.cend(); ++it) {
        c.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#999999\" "
                                 "stroke-dasharray=\"3 3\"/><text x=\"%4\" y=\"%5\" "
                                 "text-anchor=\"end\" font-weight=\"bold\">N%6</text>")
                      .arg(svgNumber(kLeft), svgNumber(c.y(it.value())), svgNumber(kRight),
                           svgNumber(kRight - 2), svgNumber(c.y(it.value()) - 3))
                      .arg(it.key());
    }
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const SummaryRun& run = s.runs[runs[i]];
        const char* colour = kColours[std::size_t(i) % kColours.size()];
        QList<QPointF> pts;
        pts.reserve(run.path.size());
        for (const RunPoint& p : run.path) {
            pts.append({c.x(p.seconds / 60.0), c.y(p.miles)});
        }
        drawLine(c, pts, colour);
        for (const RunPoint& m : run.marks) {
            c.body << QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"3.5\" fill=\"%3\" "
                                     "stroke=\"black\" stroke-width=\"0.8\"/>")
                          .arg(svgNumber(c.x(m.seconds / 60.0)), svgNumber(c.y(m.miles)),
                               QLatin1String(colour));
        }
        c.legend(QLatin1String(colour), QStringLiteral("run ") + run.label, true);
    }
    c.legend(QStringLiteral("#999999"), QStringLiteral("node (mean distance)"), true);
    return c.svg();
}

QString speedChart(const Summary& s, const QString& direction, const QList<qsizetype>& runs)
{
    double dTop = 0.0;
    double vTop = 10.0;
    for (qsizetype k : runs) {
        for (const RunPoint& p : s.runs[k].path) {
            dTop = std::max(dTop, double(p.miles));
            vTop = std::max(vTop, double(p.mph));
        }
    }
    Chart c(QStringLiteral("%1: speed along the route").arg(direction),
            QStringLiteral("Distance from the run's start (mi)"), QStringLiteral("Speed (mph)"),
            dTop, vTop);
    const QMap<qint16, double> nodes = nodeMiles(s, runs);
    for (auto it = nodes.cbegin(); it != nodes.cend(); ++it) {
        c.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"#999999\" "
                                 "stroke-dasharray=\"3 3\"/><text x=\"%1\" y=\"%4\" "
                                 "text-anchor=\"middle\" font-weight=\"bold\">N%5</text>")
                      .arg(svgNumber(c.x(it.value())), svgNumber(kTop), svgNumber(c.bottom()),
                           svgNumber(kTop - 4))
                      .arg(it.key());
    }
    c.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#555555\" "
                             "stroke-dasharray=\"1 3\"/>")
                  .arg(svgNumber(kLeft), svgNumber(c.y(kStoppedBelowMph)), svgNumber(kRight));
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const SummaryRun& run = s.runs[runs[i]];
        const char* colour = kColours[std::size_t(i) % kColours.size()];
        QList<QPointF> pts;
        for (const RunPoint& p : run.path) {
            // A fix without a speed breaks the line.
            if (p.mph < 0.0f) {
                drawLine(c, pts, colour);
                pts.clear();
                continue;
            }
            pts.append({c.x(p.miles), c.y(p.mph)});
        }
        drawLine(c, pts, colour);
        c.legend(QLatin1String(colour), QStringLiteral("run ") + run.label, true);
    }
    c.legend(QStringLiteral("#555555"), QStringLiteral("5 mph: stopped below"), true);
    return c.svg();
}

QString td(const QString& text, bool number = true)
{
    if (text.isEmpty() || text == u"n/a") {
        return QStringLiteral("<td class=\"na\">n/a</td>");
    }
    return (number ? QStringLiteral("<td class=\"n\">") : QStringLiteral("<td>")) + esc(text) +
           QStringLiteral("</td>");
}

} // namespace

QByteArray summaryHtml(const Summary& s)
{
    // The table's cells as the text shows them, a row per CSV row.
    const QList<QByteArray> csvLines = summaryCsv(s).split('\n');
    const bool ref = s.options.referenceMph.has_value();
    QStringList out;
    out << QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">");
    out << QStringLiteral("<title>Travel-time summary</title>");
    out << QStringLiteral(
        "<style>\n"
        "body{font-family:sans-serif;margin:2em;color:#111;max-width:1200px}\n"
        "table{border-collapse:collapse;margin:.5em 0 1em;font-size:13px}\n"
        "th,td{border:1px solid #bbb;padding:3px 6px}th{background:#eee}\n"
        "td.n{text-align:right;font-variant-numeric:tabular-nums}\n"
        "td.na{color:#888;font-style:italic;text-align:center}\n"
        ".note{background:#fff4d6;border-left:4px solid #e0a800;padding:4px 8px}\n"
        "svg{display:block;max-width:100%;height:auto;margin:.5em 0 1.5em}\n"
        "@media print{body{margin:0}svg,table{break-inside:avoid}}\n"
        "</style>\n</head>\n<body>");
    out << QStringLiteral("<h1>Travel-time summary</h1>");
    out << QStringLiteral("<p>%1 &middot; %2 runs &middot; confidence %3&nbsp;% &middot; "
                          "precision &plusmn;%4&nbsp;%%5. Times in seconds; speeds are "
                          "space-mean speeds (total distance over total time).</p>")
               .arg(esc(s.files.join(QStringLiteral(", "))))
               .arg(s.runs.size())
               .arg(s.options.confidencePct)
               .arg(plain(s.options.precisionPct))
               .arg(ref ? QStringLiteral(" &middot; reference speed %1 mph")
                              .arg(plain(*s.options.referenceMph))
                        : QString());
    for (const QString& note : s.notes) {
        out << QStringLiteral("<p class=\"note\">%1</p>").arg(esc(note));
    }
    if (s.groups.isEmpty()) {
        out << QStringLiteral("<p class=\"note\">No runs to summarise.</p>");
    }
    qsizetype line = 1;
    for (const SummaryGroup& g : s.groups) {
        out << QStringLiteral("<h2>%1, %2</h2>")
                   .arg(esc(g.direction), esc(periodText(s, g.period)));
        QStringList runNames;
        for (qsizetype k : g.runs) {
            runNames << s.runs[k].label;
        }
        out << QStringLiteral("<p>%1 run%2: %3</p>")
                   .arg(g.runs.size())
                   .arg(g.runs.size() == 1 ? QString() : QStringLiteral("s"))
                   .arg(esc(runNames.join(QStringLiteral(", "))));
        for (const QString& note : g.notes) {
            out << QStringLiteral("<p class=\"note\">%1</p>").arg(esc(note));
        }
        out << QStringLiteral(
                   "<table>\n<tr><th>Stretch</th><th>Runs</th><th>Mean</th><th>Median</th>"
                   "<th>SD</th><th>Min</th><th>Max</th><th>CV %</th><th>%1 % interval</th>"
                   "<th>Runs needed</th><th>Enough</th><th>Mean mph</th><th>Stops per run</th>"
                   "<th>Stopped s per run</th>%2<th>Delay numbers (number &times;times)</th></tr>")
                   .arg(s.options.confidencePct)
                   .arg(ref ? QStringLiteral("<th>Delay s</th><th>TTI</th>") : QString());
        for (const SummaryRow& r : g.rows) {
            const QStringList c = QString::fromUtf8(csvLines.value(line++)).split(u',');
            QString row = QStringLiteral("<tr><td>%1</td>")
                              .arg(r.isRun() ? QStringLiteral("<b>whole run</b>")
                                             : esc(r.from + u'\u2013' + r.to));
            row += td(r.runs.size() == g.runs.size()
                          ? QString::number(r.runs.size())
                          : QStringLiteral("%1 of %2").arg(r.runs.size()).arg(g.runs.size()));
            for (int k = 5; k <= 10; ++k) {
                row += td(c.value(k));
            }
            row += td(c.value(11).isEmpty() ? QString() : c.value(11) + u'\u2013' + c.value(12));
            for (int k = 13; k <= (ref ? 19 : 17); ++k) {
                row += td(c.value(k));
            }
            QStringList delays;
            for (auto it = r.delays.cbegin(); it != r.delays.cend(); ++it) {
                delays << QStringLiteral("%1 &times;%2").arg(it.key()).arg(it.value());
            }
            row += QStringLiteral("<td>%1</td></tr>").arg(delays.join(QStringLiteral(", ")));
            out << row;
        }
        out << QStringLiteral("</table>");
        if (!g.rows.isEmpty() && !g.rows.first().runs.isEmpty()) {
            out << travelTimeChart(s, g, g.rows.first());
        }
    }
    QStringList directions;
    for (const SummaryGroup& g : s.groups) {
        if (!directions.contains(g.direction)) {
            directions << g.direction;
        }
    }
    for (const QString& dir : directions) {
        const QList<qsizetype> runs = directionRuns(s, dir);
        out << QStringLiteral("<h2 id=\"route-%1\">%1: runs along the route</h2>").arg(esc(dir));
        out << timeSpaceChart(s, dir, runs);
        out << speedChart(s, dir, runs);
    }
    out << QStringLiteral("</body>\n</html>");
    return (out.join(u'\n') + u'\n').toUtf8();
}

} // namespace gd2
