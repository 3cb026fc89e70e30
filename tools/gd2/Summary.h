#pragma once
// The study summary: runs grouped by direction and time period, and per
// group, for the whole run and each node stretch, the travel-time
// statistics across runs, with the number of runs a precision needs.

#include "Cli.h"
#include "Report.h"
#include "Stats.h"
#include "StudyReader.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace gd2 {

// A time of day when runs start, from `from` up to (not including) `to`,
// in milliseconds of the day; past midnight when `to` is not after `from`.
struct Period
{
    QString name;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    bool contains(qint64 msOfDay) const;
};

// "AM=07:00-09:00,PM=16:00-18:30"; nothing, with the reason, for other
// text or periods that overlap.
std::optional<QList<Period>> parsePeriods(const QString& text, QString& error);

struct SummaryOptions
{
    double precisionPct = 10.0;
    int confidencePct = 95;
    QList<Period> periods;
    std::optional<double> referenceMph;
};

// A point of a run for the pictures: since the run's start, along its fixes.
struct RunPoint
{
    float seconds = 0.0f;
    float miles = 0.0f;
    float mph = -1.0f; // below zero: no speed
    qint16 node = 0;
};

struct SummaryRun
{
    QString file;
    QString label; // the run number, with the file when several are given
    RunReport report;
    QList<RunPoint> path;  // timed fixes with a position
    QList<RunPoint> marks; // where a node was passed
};

// One group's figures for the whole run ("run" to "run") or one stretch.
struct SummaryRow
{
    QString from;
    QString to;
    // Indices into Summary::runs of the runs with a travel time here, and
    // those times in seconds.
    QList<qsizetype> runs;
    QList<double> seconds;
    vtstats::Description time;
    std::optional<double> meanMph;
    double stopsPerRun = 0.0;
    double stoppedSecondsPerRun = 0.0;
    std::optional<double> delaySeconds;
    std::optional<double> tti;
    QMap<qint16, int> delays; // delay number: how often
    bool isRun() const { return from == u"run"; }
};

struct SummaryGroup
{
    QString direction; // SB, NB, WB, EB or none
    QString period;    // a period's name, or "all"
    QList<qsizetype> runs;
    QList<SummaryRow> rows;
    QStringList notes;
};

struct Summary
{
    SummaryOptions options;
    QStringList files;
    QList<SummaryRun> runs;
    QList<SummaryGroup> groups;
    QStringList notes; // about the input: files and runs left out
};

// Takes the runs of one study; `name` names it in labels and notes.
void addStudy(Summary& summary, const Study& study, const QString& name);
// Groups the runs taken and works out every row.
void computeGroups(Summary& summary);

QString periodText(const Summary& summary, const QString& period);

QByteArray summaryText(const Summary& summary);
QByteArray summaryCsv(const Summary& summary);
QByteArray summaryHtml(const Summary& summary);

// `gd2 summary ...`, `args` after the command.
int runSummary(const QStringList& args, CliOutput& io);

} // namespace gd2
