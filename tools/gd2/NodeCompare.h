#pragma once
// Before and after per node: the change of the mean control delay at each
// node of each direction and period, Welch's t-test of it, and the share of
// runs that stopped there; `gd2 compare --nodes`.

#include "Compare.h"
#include "NodeSummary.h"

#include <QByteArray>
#include <optional>

namespace gd2 {

class Sink;

struct NodeCompareRow
{
    qint16 node = 0;
    std::optional<NodeRow> before;
    std::optional<NodeRow> after;
    std::optional<double> change; // after - before, seconds
    std::optional<double> changePct;
    std::optional<vtstats::Welch> test;
};

// A group's nodes in order, from both sides.
QList<NodeCompareRow> nodeCompareRows(const Comparison& c, const CompareGroup& g);

QByteArray nodesCompareCsv(const Comparison& c);
QByteArray nodesCompareText(const Comparison& c);
void writeNodesCompareHtml(const Comparison& c, Sink& out);

} // namespace gd2
