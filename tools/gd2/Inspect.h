#pragma once
// What a study file holds, for a person to read: its header and runs with
// any fault of structure, and every record field by field.

#include "StudyReader.h"

#include <QByteArray>
#include <QStringList>

namespace gd2 {

// Faults of structure, one sentence each; empty for a sound file.
QStringList structuralProblems(const Study& study, const QList<Run>& runs);
// The faults the other commands warn of before they carry on.
QStringList readingWarnings(const Study& study, const QList<Run>& runs);

QByteArray infoText(const Study& study, const QString& fileName);
QByteArray dumpText(const Study& study);

} // namespace gd2
