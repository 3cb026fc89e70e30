#pragma once
// A route's checkpoints taken from a run whose nodes were marked by key:
// where it began, where each node was first recorded, where it ended. The
// first run of a study driven with a passenger gives the file that lets
// every later run be driven alone.

#include "CheckpointFile.h"
#include "StudyReader.h"

#include <QList>
#include <QString>
#include <optional>

namespace gd2 {

// The run a route is taken from: the one numbered `number`, or without one
// the first run with a node marked (else the first run). Nothing when the
// study has no such run.
std::optional<Run> routeRun(const QList<Run>& runs, const QList<FixRecord>& records,
                            std::optional<qint16> number);

// "start", "N1" … "Nk", "end", at the first positioned record of the run and
// of each node and the run's last positioned record; signed as the study
// lies (the file holds unsigned degrees). Fewer than two when the run has
// too few positions.
QList<route::Checkpoint> checkpointsOfRun(const Study& study, const Run& run, bool west,
                                          bool south);

// Why the run's checkpoints cannot be signed: it comes so near the 180° or
// the 0° meridian, or the equator, that it may have crossed it, and the
// file's unsigned degrees cannot tell one side from the other (--west and
// --south sign every position alike, so those across would lie mirrored).
// Empty when it keeps clear of them.
QString signingDoubt(const Study& study, const Run& run);

} // namespace gd2
