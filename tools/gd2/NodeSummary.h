#pragma once
// The control delay at each node across the runs of a group: the rows of
// `gd2 summary --nodes`, their text, CSV and page, and the bar chart of
// delay per intersection that the summary and compare pages draw.

#include "Summary.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace gd2 {

class Sink;

struct NodeRow
{
    qint16 node = 0;
    // Indices into Summary::runs of the runs whose delay there could be
    // judged, and per run its delays and stops.
    QList<qsizetype> runs;
    QList<double> control;
    QList<double> stopped;
    QList<double> stops;
    vtstats::Description delay; // of `control`
    double meanStopped = 0.0;
    double stopShare = 0.0; // runs that stopped there, of all
    double meanStops = 0.0;
};

// A group's nodes in order; each run counts at the first passing of a node.
QList<NodeRow> nodeRows(const Summary& s, const SummaryGroup& g);

QByteArray nodesCsv(const Summary& s);
QByteArray nodesText(const Summary& s);
void writeNodesHtml(const Summary& s, Sink& out);
// A group's node table for a page.
QString nodesHtmlTable(const Summary& s, const SummaryGroup& g, const QList<NodeRow>& rows);

// Mean control delay per node as bars, with the level-of-service bands
// behind; with `after`, the two side by side.
QString delayBarChart(const QString& title, const QList<NodeRow>& rows,
                      const QList<NodeRow>* after = nullptr);

} // namespace gd2
