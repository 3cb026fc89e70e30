// Speed charts as SVG.

#include "SpeedChart.h"

#include "TextFormat.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>

namespace gd2 {

namespace {

constexpr double kWidth = 960;
constexpr double kHeight = 420;
constexpr double kLeft = 70;
constexpr double kRight = 930;
constexpr double kTop = 50;
constexpr double kBottom = 360;

// Clock-friendly tick spacings, in seconds; days beyond.
constexpr std::array<qint64, 18> kTimeSteps = {
    1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
constexpr int kMaxTicks = 10;

qint64 timeStepMs(qint64 spanMs)
{
    for (qint64 s : kTimeSteps) {
        if (spanMs / (s * 1000) < kMaxTicks) {
            return s * 1000;
        }
    }
    const double days = niceStep(double(spanMs) / double(kMsPerDay) / (kMaxTicks - 1));
    return qint64(days) * kMsPerDay;
}

// The colours of a node's delays and the times each covers.
using DelayPart = std::pair<qint64, qint64> (*)(const NodeDelay&);
const std::array<std::pair<const char*, DelayPart>, 3> kDelayParts = {{
    {"#fdd49e", [](const NodeDelay& d) { return std::pair(d.from, d.stoppedFrom); }},
    {"#f4a6a0", [](const NodeDelay& d) { return std::pair(d.stoppedFrom, d.stoppedTo); }},
    {"#b8e0b0", [](const NodeDelay& d) { return std::pair(d.stoppedTo, d.to); }},
}};

qint64 ceilTo(qint64 v, qint64 step)
{
    const qint64 r = v % step;
    return r == 0 ? v : (r > 0 ? v - r + step : v - r);
}

} // namespace

QByteArray speedChartSvg(const RunReport& run)
{
    qint64 t0 = 0;
    qint64 t1 = 0;
    double top = 0;
    bool any = false;
    for (const SpeedSample& s : run.samples) {
        t0 = any ? std::min(t0, s.at) : s.at;
        t1 = any ? std::max(t1, s.at) : s.at;
        any = true;
        if (s.mph) {
            top = std::max(top, *s.mph);
        }
    }
    // A run of one fix still gets a minute of axis.
    const qint64 span = std::max<qint64>(t1 - t0, 60'000);
    const double speedStep = niceStep(std::max(top, 10.0) / 8.0);
    top = std::ceil(std::max(top, 10.0) / speedStep) * speedStep;
    const auto x = [&](qint64 t) {
        return kLeft + double(t - t0) / double(span) * (kRight - kLeft);
    };
    const auto y = [&](double mph) { return kBottom - mph / top * (kBottom - kTop); };

    QStringList out;
    out << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    out << QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                          "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" font-size=\"12\">")
               .arg(svgNumber(kWidth), svgNumber(kHeight));
    const QString direction = directionCode(run.direction);
    const QString title =
        QStringLiteral("Run %1%2")
            .arg(run.number)
            .arg(direction.isEmpty() ? QString() : QStringLiteral(" (") + direction + u')') +
        (any ? QStringLiteral(", ") + dateText(t0) : QString()) +
        QStringLiteral(": speed against local time");
    out << QStringLiteral("<title>%1</title>").arg(title);
    out << QStringLiteral("<rect width=\"%1\" height=\"%2\" fill=\"white\"/>")
               .arg(svgNumber(kWidth), svgNumber(kHeight));
    out << QStringLiteral("<text x=\"%1\" y=\"24\" font-size=\"16\" font-weight=\"bold\">%2</text>")
               .arg(svgNumber(kLeft), title);

    // Stopped time under everything else; with the nodes' delays, each
    // node's slowing, standing and speeding up again.
    const auto band = [&](qint64 from, qint64 to) {
        const double a = x(from);
        const double b = x(to);
        out << QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"/>")
                   .arg(svgNumber(std::min(a, b)), svgNumber(kTop), svgNumber(std::fabs(b - a)),
                        svgNumber(kBottom - kTop));
    };
    const bool delays = !run.nodeDelays.isEmpty();
    if (delays) {
        for (const auto& [colour, part] : kDelayParts) {
            out << QStringLiteral("<g fill=\"%1\">").arg(QLatin1String(colour));
            for (const NodeDelay& d : run.nodeDelays) {
                if (d.slowed()) {
                    const auto [from, to] = part(d);
                    band(from, to);
                }
            }
            out << QStringLiteral("</g>");
        }
    } else {
        out << QStringLiteral("<g fill=\"#f6c9c4\">");
        for (const Interval& iv : run.stopped) {
            band(iv.from, iv.to);
        }
        out << QStringLiteral("</g>");
    }

    // Grid and tick labels.
    out << QStringLiteral("<g stroke=\"#dddddd\" stroke-width=\"1\">");
    QStringList labels;
    for (int k = 0; k * speedStep <= top + speedStep / 2 && k <= 20; ++k) {
        const double v = k * speedStep;
        out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\"/>")
                   .arg(svgNumber(kLeft), svgNumber(y(v)), svgNumber(kRight));
        labels << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>")
                      .arg(svgNumber(kLeft - 6), svgNumber(y(v) + 4), plain(v));
    }
    const qint64 step = timeStepMs(span);
    int ticks = 0;
    for (qint64 t = ceilTo(t0, step); t <= t0 + span && ticks <= 2 * kMaxTicks;
         t += step, ++ticks) {
        out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>")
                   .arg(svgNumber(x(t)), svgNumber(kTop), svgNumber(kBottom));
        const QString label = step < 60'000      ? clockText(t)
                              : step < kMsPerDay ? clockText(t).left(5)
                                                 : dateText(t);
        labels << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                      .arg(svgNumber(x(t)), svgNumber(kBottom + 18), label);
    }
    out << QStringLiteral("</g>");
    out << labels;

    // Axes and their titles.
    out << QStringLiteral("<g stroke=\"black\" stroke-width=\"1\">");
    out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>")
               .arg(svgNumber(kLeft), svgNumber(kTop), svgNumber(kBottom));
    out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\"/>")
               .arg(svgNumber(kLeft), svgNumber(kBottom), svgNumber(kRight));
    out << QStringLiteral("</g>");
    out << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">Local time</text>")
               .arg(svgNumber((kLeft + kRight) / 2), svgNumber(kBottom + 40));
    out << QStringLiteral("<text x=\"20\" y=\"%1\" text-anchor=\"middle\" "
                          "transform=\"rotate(-90 20 %1)\">Speed (mph)</text>")
               .arg(svgNumber((kTop + kBottom) / 2));

    // Nodes.
    out << QStringLiteral("<g stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"4 3\">");
    for (const NodeMark& n : run.nodes) {
        out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>")
                   .arg(svgNumber(x(n.at)), svgNumber(kTop - 4), svgNumber(kBottom));
    }
    out << QStringLiteral("</g>");
    for (const NodeMark& n : run.nodes) {
        out << QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" "
                              "font-weight=\"bold\">N%3</text>")
                   .arg(svgNumber(x(n.at)), svgNumber(kTop - 8), QString::number(n.node));
    }

    // Speed held from each fix to the next, as the stopped time counts it;
    // broken where a fix has none.
    QStringList points;
    const auto flush = [&] {
        if (points.size() == 1) {
            const QStringList xy = points.first().split(u',');
            out << QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"2\" fill=\"#1f5fa8\"/>")
                       .arg(xy[0], xy[1]);
        } else if (points.size() > 1) {
            out << QStringLiteral("<polyline fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"2\" "
                                  "stroke-linejoin=\"round\" points=\"%1\"/>")
                       .arg(points.join(u' '));
        }
        points.clear();
    };
    for (qsizetype k = 0; k < run.samples.size(); ++k) {
        const SpeedSample& s = run.samples[k];
        if (!s.mph) {
            flush();
            continue;
        }
        points << svgNumber(x(s.at)) + u',' + svgNumber(y(*s.mph));
        if (k + 1 < run.samples.size()) {
            points << svgNumber(x(run.samples[k + 1].at)) + u',' + svgNumber(y(*s.mph));
        }
    }
    flush();

    // Legend.
    const auto key = [&](double at, double base, const char* colour, const QString& text) {
        out << QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"14\" height=\"10\" fill=\"%3\"/>")
                   .arg(svgNumber(at), svgNumber(base - 9), QLatin1String(colour));
        out << QStringLiteral("<text x=\"%1\" y=\"%2\">%3</text>")
                   .arg(svgNumber(at + 20), svgNumber(base), text);
    };
    if (delays) {
        // Beside the title: under the time axis there is no room for three.
        key(kRight - 400, 22, kDelayParts[0].first, QStringLiteral("deceleration delay"));
        key(kRight - 260, 22, kDelayParts[1].first, QStringLiteral("stopped delay"));
        key(kRight - 150, 22, kDelayParts[2].first, QStringLiteral("acceleration delay"));
    } else {
        key(kRight - 250, kHeight - 15, "#f6c9c4", QStringLiteral("stopped (under 5 mph)"));
    }
    out << QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#1f5fa8\" "
                          "stroke-width=\"2\"/>")
               .arg(svgNumber(kRight - 90), svgNumber(kHeight - 19), svgNumber(kRight - 70));
    out << QStringLiteral("<text x=\"%1\" y=\"%2\">speed</text>")
               .arg(svgNumber(kRight - 64), svgNumber(kHeight - 15));
    out << QStringLiteral("</svg>");
    return (out.join(u'\n') + u'\n').toUtf8();
}

} // namespace gd2
