#pragma once
// Before and after: the runs of studies driven before a change and after
// it, grouped as the summary groups them, and per group and stretch the
// change of the mean travel time, Welch's t-test of it and the runs each
// side needs to detect a given change.

#include "Cli.h"
#include "Columns.h"
#include "Summary.h"
#include "TextFormat.h"

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

// Welch's test of a change as columns, the same in every comparison's table:
// t, df, p, the interval of the change and whether it is significant.
template <typename Line>
Columns<Line> welchColumns(std::optional<vtstats::Welch> (*testOf)(const Line&), int confidencePct)
{
    const auto figure = [testOf](double (*get)(const vtstats::Welch&), int decimals) {
        return [testOf, get, decimals](const Line& l, Output) {
            const auto t = testOf(l);
            return t ? fixed(get(*t), decimals) : QString();
        };
    };
    return {
        {"t", "t", "t", 7, figure([](const vtstats::Welch& w) { return w.t; }, 2)},
        {"df", "df", "df", 8, figure([](const vtstats::Welch& w) { return w.df; }, 2)},
        {"p_value", "p", "p", 8, figure([](const vtstats::Welch& w) { return w.p; }, 4)},
        {"ci_low_s", {}, {}, 0, figure([](const vtstats::Welch& w) { return w.change.low; }, 1)},
        {"ci_high_s", {}, {}, 0, figure([](const vtstats::Welch& w) { return w.change.high; }, 1)},
        {{},
         QStringLiteral("%1% CI of change").arg(confidencePct),
         QStringLiteral("%1 % interval of the change, s").arg(confidencePct),
         19,
         [testOf](const Line& l, Output o) {
             const auto t = testOf(l);
             if (!t) {
                 return QString();
             }
             return fixed(t->change.low, 1) +
                    (o == Output::Html ? QStringLiteral(" to ") : QStringLiteral("..")) +
                    fixed(t->change.high, 1);
         }},
        {"significant", "Signif", "Significant", 7,
         [testOf](const Line& l, Output o) {
             const auto t = testOf(l);
             if (!t) {
                 return QString();
             }
             if (o == Output::Html && t->significant) {
                 return QStringLiteral("<b>yes</b>");
             }
             return t->significant ? QStringLiteral("yes") : QStringLiteral("no");
         }},
    };
}

// The signal timing each side was judged by: one note where it is the same.
QString sideSignalsNotes(const Comparison& c);

// `gd2 compare ...`.
int runCompare(const Arguments& a, CliOutput& io);

} // namespace gd2
