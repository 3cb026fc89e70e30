#pragma once
// Before and after: the runs of studies driven before a change and after
// it, grouped as the summary groups them, and per group and stretch the
// change of the mean travel time, Welch's t-test of it and the runs each
// side needs to detect a given change.

#include "Cli.h"
#include "Summary.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace gd2 {

class Sink;

struct CompareRow
{
    QString from;
    QString to;
    // Each side's figures, when the side has the stretch.
    const SummaryRow* before = nullptr;
    const SummaryRow* after = nullptr;
    bool compared = true;         // false where the stretches cannot be matched
    std::optional<double> change; // after - before, seconds
    std::optional<double> changePct;
    std::optional<vtstats::Welch> test;
    std::optional<vtstats::RunsNeeded> toDetect;
    bool isRun() const { return from == u"run"; }
};

struct CompareGroup
{
    QString direction;
    QString period;
    const SummaryGroup* before = nullptr;
    const SummaryGroup* after = nullptr;
    QList<CompareRow> rows;
    QStringList notes;
};

// Its rows point into its sides' groups, so it is never copied.
struct Comparison
{
    Comparison() = default;
    Comparison(const Comparison&) = delete;
    Comparison& operator=(const Comparison&) = delete;

    double detectPct = 10.0;
    double powerPct = 80.0;
    Summary before;
    Summary after;
    QList<CompareGroup> groups;
};

// Matches the sides' groups and rows, once both sides' groups are computed.
void compareGroups(Comparison& c);

QByteArray compareText(const Comparison& c);
QByteArray compareCsv(const Comparison& c);
QByteArray compareHtml(const Comparison& c);
// The page written out as it is made.
void writeCompareHtml(const Comparison& c, Sink& out);

// `gd2 compare ...`.
int runCompare(const Arguments& a, CliOutput& io);

} // namespace gd2
