#pragma once
// The travel-time report of a study: per run and per node stretch, the time
// taken, the distance along the fixes, the speed and the time stopped.

#include "RunWalk.h"

#include <QByteArray>
#include <QList>

namespace gd2 {

// Every run of a study, text and CSV, whole.
QByteArray reportText(const Study& study, const QList<RunReport>& runs);
QByteArray reportCsv(const QList<RunReport>& runs);

// The same a run at a time, so that a run's analysis can go once written.
class Sink;
void writeReportHead(const Study& study, qsizetype runs, Sink& out);
void writeReportRun(const RunReport& run, Sink& out);
void writeReportCsvHead(Sink& out);
void writeReportCsvRun(const RunReport& run, Sink& out);

} // namespace gd2
