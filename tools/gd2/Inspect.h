#pragma once
// What a study file holds, for a person to read: its header and runs with
// any fault of structure, and every record field by field.

#include "StudyReader.h"

#include <QByteArray>
#include <QStringList>

namespace gd2 {

class Sink;

// Faults of structure, one sentence each; empty for a sound file.
QStringList structuralProblems(const Study& study, const QList<Run>& runs);
// The faults the other commands warn of before they carry on.
QStringList readingWarnings(const Study& study, const QList<Run>& runs);

QByteArray infoText(const Study& study, const QString& fileName);
// Times as the runs date them: a day later past midnight.
QByteArray dumpText(const Study& study);
// The same as dumpText, written out record by record; `runs` are the study's.
void writeDump(const Study& study, const QList<Run>& runs, Sink& out);

} // namespace gd2
