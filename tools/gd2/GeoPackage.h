#pragma once
// The GeoPackage export: one SQLite file of typed map layers (the fixes, the
// runs, their stretches, the summary's stretches and the node marks) that
// GIS programs open as they are, the stretches coloured by speed.

#include "Delays.h"
#include "Export.h"

#include <QStringList>

namespace gd2 {

struct CliOutput;

// Writes the studies `files` to `path` beside which it is built, putting it
// in place only once whole; false, having said why, when no study can be
// read or the package cannot be written. Records without a position are
// counted and said; a file that cannot be read is said and left out.
// `measures` give the stops, delays and levels of service.
bool writeGeoPackage(const QStringList& files, const ExportOptions& options,
                     const MeasureOptions& measures, const QString& path, CliOutput& io);

} // namespace gd2
