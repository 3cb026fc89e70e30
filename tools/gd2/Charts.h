#pragma once
// The pictures of gd2's pages, drawn inline as SVG: a chart with axes from
// zero, lines thinned to what a pixel shows, and the runs of a route as a
// time-space diagram and as speed along the route.

#include "SignalTiming.h"
#include "Sink.h"
#include "Summary.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <array>

namespace gd2::charts {

constexpr double kWidth = 900;
constexpr double kLeft = 75;
constexpr double kRight = 870;
constexpr double kTop = 45;
constexpr double kPlotHeight = 300;

// Ten colours that stay apart on screen and in grey print.
constexpr std::array<const char*, 10> kColours = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                                  "#9467bd", "#8c564b", "#e377c2", "#7f7f7f",
                                                  "#bcbd22", "#17becf"};

QString esc(const QString& text);

// A chart with axes from zero; the caller draws into `body` in the
// coordinates x() and y() give.
class Chart
{
public:
    Chart(QString title, QString xTitle, QString yTitle, double xTop, double yTop);

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

    QString svg() const;

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

// A line through the points, or a dot for one.
void drawLine(Chart& c, const QList<QPointF>& pts, const char* colour);

// The runs' distance from their start against the time since it, node
// passings circled and the mean node positions dashed; the axes reach at
// least `minutesTop` and `milesTop`, so that two diagrams can share a scale.
QString timeSpaceChart(const QString& title, const QList<const SummaryRun*>& runs,
                       double minutesTop = 0.0, double milesTop = 0.0);
// The runs of one direction over their signals' green and red: at each
// signalised node's distance a band along the time axis, green where the
// run's through movement has green. Where every signal there has the same
// cycle, the runs are laid over one another, each shifted by whole cycles
// to start within half a cycle of the first (one picture); else one
// picture per run. Nothing without a signalised node.
QStringList signalTimeSpaceCharts(const QString& title, const QList<const SummaryRun*>& runs,
                                  const timing::NodeSignals& tied, qint16 direction);
// The signal pictures of a group of runs of one direction, as HTML; empty
// without signal timing.
QString signalPictures(const QString& title, const QList<const SummaryRun*>& runs,
                       const MeasureOptions& options);
// The runs' speed against the distance from their start.
QString speedChart(const QString& title, const QList<const SummaryRun*>& runs);
// How far and how long the longest of the runs went.
std::pair<double, double> routeExtent(const QList<const SummaryRun*>& runs);

// The start of a page, its style included, up to the opening body.
QString pageHead(const QString& title);

// A page written out a line at a time as it is made: a page of many runs
// never stands whole in memory.
class Lines
{
public:
    explicit Lines(Sink& out) : out_(out) {}
    Lines& operator<<(const QString& line)
    {
        out_ << line << '\n';
        return *this;
    }

private:
    Sink& out_;
};

} // namespace gd2::charts
