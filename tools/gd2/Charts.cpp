// The pictures of gd2's pages.

#include "Charts.h"

#include "TextFormat.h"

#include <algorithm>
#include <cmath>

namespace gd2::charts {

namespace {

constexpr double kLegendRow = 18;
constexpr int kLegendPerRow = 6;

// An axis from zero: its top and its step, about six ticks.
std::pair<double, double> axis(double top)
{
    const double step = niceStep(std::max(top, 1e-3) / 6.0);
    return {std::max(step, std::ceil(top / step) * step), step};
}

} // namespace

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

Chart::Chart(QString title, QString xTitle, QString yTitle, double xTop, double yTop)
    : title_(std::move(title)), xTitle_(std::move(xTitle)), yTitle_(std::move(yTitle))
{
    std::tie(xTop_, xStep_) = axis(xTop);
    std::tie(yTop_, yStep_) = axis(yTop);
}

QString Chart::svg() const
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
        out << (e.line ? QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" "
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

namespace {

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
    const QList<bool> keep = cornersKept(columns, 0.4);
    QStringList out;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (keep[i]) {
            out << svgNumber(columns[i].x()) + u',' + svgNumber(columns[i].y());
        }
    }
    return out.join(u' ');
}

} // namespace

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

namespace {

// Where each node lies, on average over the runs that passed it.
QMap<qint16, double> nodeMiles(const QList<const SummaryRun*>& runs)
{
    QMap<qint16, std::pair<double, int>> sums;
    for (const SummaryRun* run : runs) {
        for (const RunPoint& m : run->report.marks) {
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

} // namespace

std::pair<double, double> routeExtent(const QList<const SummaryRun*>& runs)
{
    double minutes = 0.0;
    double miles = 0.0;
    for (const SummaryRun* run : runs) {
        if (!run->report.path.isEmpty()) {
            minutes = std::max(minutes, double(run->report.path.last().seconds) / 60.0);
            miles = std::max(miles, double(run->report.path.last().miles));
        }
    }
    return {minutes, miles};
}

QString timeSpaceChart(const QString& title, const QList<const SummaryRun*>& runs,
                       double minutesTop, double milesTop)
{
    const auto [minutes, miles] = routeExtent(runs);
    Chart c(title, QStringLiteral("Time since the run's start (min)"),
            QStringLiteral("Distance from the run's start (mi)"), std::max(minutes, minutesTop),
            std::max(miles, milesTop));
    const QMap<qint16, double> nodes = nodeMiles(runs);
    for (auto it = nodes.cbegin(); it != nodes.cend(); ++it) {
        c.body << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#999999\" "
                                 "stroke-dasharray=\"3 3\"/><text x=\"%4\" y=\"%5\" "
                                 "text-anchor=\"end\" font-weight=\"bold\">N%6</text>")
                      .arg(svgNumber(kLeft), svgNumber(c.y(it.value())), svgNumber(kRight),
                           svgNumber(kRight - 2), svgNumber(c.y(it.value()) - 3))
                      .arg(it.key());
    }
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const SummaryRun& run = *runs[i];
        const char* colour = kColours[std::size_t(i) % kColours.size()];
        QList<QPointF> pts;
        pts.reserve(run.report.path.size());
        for (const RunPoint& p : run.report.path) {
            pts.append({c.x(p.seconds / 60.0), c.y(p.miles)});
        }
        drawLine(c, pts, colour);
        for (const RunPoint& m : run.report.marks) {
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

namespace {

// Light enough for the runs' lines to stand out on them.
constexpr const char* kGreen = "#8fd18f";
constexpr const char* kRed = "#f4a6a6";

// The green and red of a node's through movement along the time axis, from
// `fromS` (seconds since the cycle zero) over `spanS` seconds, as a band at
// distance `miles`.
void signalBand(Chart& c, const timing::Intersection& x, timing::Movement m, double fromS,
                double spanS, double miles)
{
    constexpr double kBand = 7.0;
    const double y = c.y(miles) - kBand / 2;
    const auto rect = [&](double a, double b, const char* colour) {
        c.body << QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                                 "fill=\"%5\"/>")
                      .arg(svgNumber(c.x(a / 60.0)), svgNumber(y),
                           svgNumber(c.x(b / 60.0) - c.x(a / 60.0)), svgNumber(kBand),
                           QLatin1String(colour));
    };
    rect(0.0, spanS, kRed);
    // Each green of each cycle the span touches, clipped to it.
    const double first = std::floor(fromS / x.cycleS) - 1;
    for (double k = first; k * x.cycleS < fromS + spanS; ++k) {
        for (const timing::Green& g : x.greens[int(m)]) {
            const double start = k * x.cycleS + g.start;
            const double end = k * x.cycleS + g.end + (g.end < g.start ? x.cycleS : 0.0);
            const double a = std::max(start - fromS, 0.0);
            const double b = std::min(end - fromS, spanS);
            if (b > a) {
                rect(a, b, kGreen);
            }
        }
    }
}

} // namespace

QStringList signalTimeSpaceCharts(const QString& title, const QList<const SummaryRun*>& runs,
                                  const timing::NodeSignals& tied, qint16 direction)
{
    const std::optional<timing::Movement> movement = timing::throughMovement(direction);
    QList<const SummaryRun*> timed;
    for (const SummaryRun* run : runs) {
        if (run->report.start && !run->report.path.isEmpty()) {
            timed << run;
        }
    }
    if (!movement || timed.isEmpty()) {
        return {};
    }
    // The signalised nodes the runs pass, at their mean distance.
    QList<std::pair<const timing::Intersection*, double>> lights;
    QList<qint16> lit;
    const QMap<qint16, double> nodes = nodeMiles(timed);
    double cycle = -1.0;
    for (auto it = nodes.cbegin(); it != nodes.cend(); ++it) {
        const timing::Intersection* x = tied.at(direction, it.key());
        if (x && !x->greens[int(*movement)].isEmpty()) {
            lights.append({x, it.value()});
            lit << it.key();
            cycle = cycle < 0 || std::fabs(cycle - x->cycleS) < 1e-6 ? x->cycleS : 0.0;
        }
    }
    if (lights.isEmpty()) {
        return {};
    }
    const auto picture = [&](const QList<const SummaryRun*>& group, const QString& name) {
        // Every run shifted by whole cycles to start near the first; with
        // one run, no shift.
        const double zero = tied.sinceCycleZeroAt(*group.first()->report.start);
        const auto startOf = [&](const SummaryRun* run) {
            const double t = tied.sinceCycleZeroAt(*run->report.start);
            if (group.size() == 1) {
                return t;
            }
            return t - std::round((t - zero) / cycle) * cycle;
        };
        double earliest = zero;
        double latest = zero;
        double miles = 0.0;
        for (const SummaryRun* run : group) {
            const double from = startOf(run);
            earliest = std::min(earliest, from);
            latest = std::max(latest, from + double(run->report.path.last().seconds));
            miles = std::max(miles, double(run->report.path.last().miles));
        }
        const QString from =
            group.size() == 1
                ? QStringLiteral("Time (min) from %1").arg(clockText(*group.first()->report.start))
                : QStringLiteral("Time (min) from %1 s into the %2 s cycle, runs shifted by whole "
                                 "cycles")
                      .arg(QString::number(std::fmod(earliest, cycle), 'f', 0),
                           QString::number(cycle, 'g', 6));
        Chart c(name, from, QStringLiteral("Distance from the run's start (mi)"),
                (latest - earliest) / 60.0, miles);
        for (const auto& [x, at] : lights) {
            signalBand(c, *x, *movement, earliest, latest - earliest, at);
        }
        for (qsizetype i = 0; i < lit.size(); ++i) {
            c.body << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\" "
                                     "font-weight=\"bold\">N%3 (%4)</text>")
                          .arg(svgNumber(kRight - 2), svgNumber(c.y(lights[i].second) - 6))
                          .arg(lit[i])
                          .arg(lights[i].first->id);
        }
        for (qsizetype i = 0; i < group.size(); ++i) {
            const SummaryRun& run = *group[i];
            const char* colour = kColours[std::size_t(i) % kColours.size()];
            const double shift = startOf(group[i]) - earliest;
            QList<QPointF> pts;
            for (const RunPoint& p : run.report.path) {
                pts.append({c.x((shift + p.seconds) / 60.0), c.y(p.miles)});
            }
            drawLine(c, pts, colour);
            c.legend(QLatin1String(colour), QStringLiteral("run ") + run.label, true);
        }
        c.legend(QLatin1String(kGreen), QStringLiteral("green"), false);
        c.legend(QLatin1String(kRed), QStringLiteral("red"), false);
        return c.svg();
    };
    QStringList out;
    if (cycle > 0.0) {
        out << picture(timed, title);
    } else {
        for (const SummaryRun* run : timed) {
            out << picture({run}, title + QStringLiteral(", run ") + run->label);
        }
    }
    return out;
}

QString signalPictures(const QString& title, const QList<const SummaryRun*>& runs,
                       const MeasureOptions& options)
{
    if (!options.nodeSignals || runs.isEmpty()) {
        return {};
    }
    return signalTimeSpaceCharts(title + QStringLiteral(": runs over the signals"), runs,
                                 *options.nodeSignals, runs.first()->report.direction)
        .join(u'\n');
}

QString speedChart(const QString& title, const QList<const SummaryRun*>& runs)
{
    double dTop = 0.0;
    double vTop = 10.0;
    for (const SummaryRun* run : runs) {
        for (const RunPoint& p : run->report.path) {
            dTop = std::max(dTop, double(p.miles));
            vTop = std::max(vTop, double(p.mph));
        }
    }
    Chart c(title, QStringLiteral("Distance from the run's start (mi)"),
            QStringLiteral("Speed (mph)"), dTop, vTop);
    const QMap<qint16, double> nodes = nodeMiles(runs);
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
        const SummaryRun& run = *runs[i];
        const char* colour = kColours[std::size_t(i) % kColours.size()];
        QList<QPointF> pts;
        for (const RunPoint& p : run.report.path) {
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

QString pageHead(const QString& title)
{
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<title>%1</title>\n"
               "<style>\n"
               "body{font-family:sans-serif;margin:2em;color:#111;max-width:1200px}\n"
               "table{border-collapse:collapse;margin:.5em 0 1em;font-size:13px}\n"
               "th,td{border:1px solid #bbb;padding:3px 6px}th{background:#eee}\n"
               "td.n{text-align:right;font-variant-numeric:tabular-nums}\n"
               "td.na{color:#888;font-style:italic;text-align:center}\n"
               ".note{background:#fff4d6;border-left:4px solid #e0a800;padding:4px 8px}\n"
               "svg{display:block;max-width:100%;height:auto;margin:.5em 0 1.5em}\n"
               "@media print{body{margin:0}svg,table{break-inside:avoid}}\n"
               "</style>\n</head>\n<body>")
        .arg(esc(title));
}

} // namespace gd2::charts
