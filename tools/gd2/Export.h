#pragma once
// The records in formats other programs read: CSV for spreadsheets, GPX
// tracks, GeoJSON lines and KML placemarks (Google Earth) for maps.

#include "StudyReader.h"

#include <QByteArray>
#include <limits>
#include <optional>

namespace gd2 {

struct ExportOptions
{
    // The file keeps unsigned degrees; these give them their hemisphere.
    bool west = false;
    bool south = false;
    // Seconds east of UTC of the file's local times; this machine's offset
    // at each time when not given.
    std::optional<int> utcOffsetSeconds;
};

// The offset from UTC at each local time: the one given, or this machine's,
// asked once per quarter hour, since the zone's own rules are slow to ask and
// no zone changes its offset twice within one.
class UtcOffsets
{
public:
    explicit UtcOffsets(const ExportOptions& o) : given_(o.utcOffsetSeconds) {}
    int at(qint64 localMs);

private:
    static constexpr qint64 kQuarterMs = 15 * 60 * 1000;
    std::optional<int> given_;
    qint64 quarter_ = std::numeric_limits<qint64>::min();
    // Plain values: optimisers lose track of an optional kept across calls.
    int offset_ = 0;
    bool steady_ = false;
};

struct ExportResult
{
    QByteArray text;
    // Records left out of a map for having no position.
    qsizetype withoutPosition = 0;
};

class Sink;

// Written out record by record; `runs` are the study's.
void writeCsv(const Study& study, const QList<Run>& runs, const ExportOptions& options, Sink& out);
void writeGpx(const Study& study, const QList<Run>& runs, const ExportOptions& options, Sink& out);
void writeGeoJson(const Study& study, const QList<Run>& runs, const ExportOptions& options,
                  Sink& out);
void writeKml(const Study& study, const QList<Run>& runs, const ExportOptions& options, Sink& out);
// The records a map leaves out for having no position.
qsizetype recordsWithoutPosition(const Study& study);

// The same, whole.
ExportResult exportCsv(const Study& study, const ExportOptions& options);
ExportResult exportGpx(const Study& study, const ExportOptions& options);
ExportResult exportGeoJson(const Study& study, const ExportOptions& options);
ExportResult exportKml(const Study& study, const ExportOptions& options);

} // namespace gd2
