#pragma once
// The study summary: runs grouped by direction and time period, and per
// group, for the whole run and each node stretch, the travel-time
// statistics across runs, with the number of runs a precision needs and the
// reliability measures.

#include "Cli.h"
#include "Columns.h"
#include "Delays.h"
#include "Files.h"
#include "RunWalk.h"
#include "Stats.h"
#include "SystemFiles.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace gd2 {

class Sink;
enum class Output;

// A time of day when runs start, from `from` up to (not including) `to`,
// in milliseconds of the day; past midnight when `to` is not after `from`.
struct Period
{
    QString name;
    qint64 fromMs = 0;
    qint64 toMs = 0;
    bool contains(qint64 msOfDay) const;
};

// "AM=07:00-09:00,PM=16:00-24:00"; nothing, with the reason, for other
// text or periods that overlap.
std::optional<QList<Period>> parsePeriods(const QString& text, QString& error);

struct SummaryOptions
{
    double precisionPct = 10.0;
    int confidencePct = 95;
    QList<Period> periods;
    std::optional<double> referenceMph;
    MeasureOptions measures;
    bool nodes = false; // --nodes: a row per node instead of per stretch
};

// Below this many runs the percentiles and the indexes built on them are
// only indicative.
constexpr std::size_t kReliableRuns = 20;

struct SummaryRun
{
    QString file;
    QString label; // the run number, with the file when several are given
    RunReport report;
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
    std::optional<double> meanMph;    // the travel speed: all distance over all time
    std::optional<double> runningMph; // all distance over the time above the stop speed
    std::optional<double> stopsPerMile;
    QString los; // from the travel speed; empty without a base free-flow speed
    double stopsPerRun = 0.0;
    double stoppedSecondsPerRun = 0.0;
    std::optional<double> delaySeconds;
    std::optional<double> tti;
    std::optional<double> freeFlowSeconds; // the mean distance at the reference speed
    QMap<qint16, int> delays;              // delay number: how often
    QList<qsizetype> twice;                // runs that pass the stretch twice, left out
    bool isRun() const { return from == u"run"; }
    std::optional<double> bufferIndex() const;
    std::optional<double> planningTimeIndex() const;
    std::optional<double> lottr() const;
};

struct SummaryGroup
{
    QString direction; // SB, NB, WB, EB or none
    QString period;    // a period's name, or "all"
    QList<qsizetype> runs;
    QList<SummaryRow> rows;
    QStringList notes;
    // The highest node of each run, and how many runs have it.
    QMap<int, QList<qsizetype>> byNodes;
};

// A study file counted, so that the same study given again is known.
struct StudyRead
{
    QString path;
    std::optional<FileIdentity> id;
    std::optional<std::size_t> digest; // once read
    qint64 records = 0;
};

struct Summary
{
    SummaryOptions options;
    QStringList files; // those counted, each study once
    QList<StudyRead> read;
    QList<SummaryRun> runs;
    QList<SummaryGroup> groups;
    QStringList notes; // about the input: files and runs left out or counted once
    QStringList said;  // the notes said on standard error already
};

// The study counted in `summary` that `file` holds again: the same file,
// however named, or a file with the same header and records.
const StudyRead* sameStudy(const Summary& summary, const StudyRead& file);

// Says on standard error the notes not said yet: the text carries them, the
// table and the page have them told.
void sayNotes(Summary& summary, CliOutput& io);

// Takes the runs of one study; `name` names it in labels and notes.
void addStudy(Summary& summary, const Study& study, const QString& name);
// What else a reader of the file does as it goes: `record` after the run
// walk has taken each record, `run` with the index in Summary::runs of each
// run once it is in (while its last record is the latest given).
struct StudyHooks
{
    std::function<void(const FixRecord&)> record;
    std::function<void(qsizetype)> run;
};
// The same from a file, read a piece at a time: only the runs' figures are
// kept, and with `path` their thinned paths for the pictures. Warnings and
// a file left out go to `io`; false when the file cannot be read. A study
// already counted is counted once, with a note.
bool addStudyFile(Summary& summary, const QString& path, bool paths, CliOutput& io,
                  const StudyHooks& hooks = {});
// Groups the runs taken and works out every row.
void computeGroups(Summary& summary);

// Says the notes that the CSV table and the page do not carry.
// Says the notes of the groups: runs left out of a group.
void sayGroupNotes(const Summary& summary, CliOutput& io);

// A row of the summary's tables, and the columns they have.
struct SummaryLine
{
    const Summary& s;
    const SummaryGroup& g;
    const SummaryRow& r;
};
Columns<SummaryLine> summaryColumns(const Summary& summary);

QString periodText(const SummaryOptions& options, const QString& period);
// The orders of groups and rows: SB, NB, WB, EB, other codes, none; and
// the whole run, "start", "N1", ..., "end".
int directionRank(const QString& direction);
int labelRank(const QString& label);
QString runList(const Summary& s, const QList<qsizetype>& runs);
// Runs needed or runs to detect as a cell. A figure at its bound (no n up
// to it was enough) is ">1000000" in the text and the page; the CSV holds
// numbers only, so there it is the bound, and the `_capped` column beside
// it says "yes".
QString runsCell(const std::optional<vtstats::RunsNeeded>& n, Output o);
QString cappedCell(const std::optional<vtstats::RunsNeeded>& n);

QByteArray summaryText(const Summary& summary);
QByteArray summaryCsv(const Summary& summary);
QByteArray summaryHtml(const Summary& summary);
// The page written out as it is made.
void writeSummaryHtml(const Summary& summary, Sink& out);
// The rows of a group as the page's tables, each narrow enough for a
// 1280-pixel window: travel time; speed, stops and level of service;
// reliability.
QString summaryHtmlTable(const Summary& summary, const SummaryGroup& group);

// The options summary and compare share, read from their words; an error
// text for a value that makes no sense.
QString readSummaryOptions(const Arguments& a, SummaryOptions& options);

// `gd2 summary ...`.
int runSummary(const Arguments& a, CliOutput& io);

} // namespace gd2
