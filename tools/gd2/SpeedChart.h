#pragma once
// One run's speed against time as an SVG picture: stopped time shaded (or,
// when the run has its nodes' delays, each node's deceleration, stopped and
// acceleration delay), the nodes marked where they were passed.

#include "Report.h"

#include <QByteArray>

namespace gd2 {

QByteArray speedChartSvg(const RunReport& run);

} // namespace gd2
