#pragma once
// A route's checkpoints in driving order, first to last, as a CSV, GPX or
// GeoJSON file gives them, and the CSV written back. Positions are signed
// decimal degrees on WGS 84.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace route {

struct Checkpoint
{
    QString name;
    double latitude = 0.0;  // north positive
    double longitude = 0.0; // east positive
    // How far to either side of the route the checkpoint's line reaches;
    // the route's default when the file gives none.
    std::optional<double> radiusM;
};

struct CheckpointList
{
    QList<Checkpoint> checkpoints;
    // What is wrong, naming the file and the line; empty when all is well.
    // A file with an error gives no checkpoints at all: a run never starts
    // with half a route.
    QString error;
    // By checkpoint, the CSV's optional ffs_mph column: the base free-flow
    // speed of the stretch that ends there. Empty when the file has none.
    QList<std::optional<double>> ffsMph;
    bool ok() const { return error.isEmpty(); }
};

// Reads FILE: GPX (waypoints, or the points of its first route), GeoJSON (a
// FeatureCollection of points, as QGIS saves them), or CSV with the header
// name,latitude,longitude and optional radius_m and ffs_mph columns.
CheckpointList readCheckpoints(const QString& path);
// The same from the file's bytes; `name` names it in messages.
CheckpointList parseCheckpoints(const QByteArray& content, const QString& name);

// The CSV form, which readCheckpoints reads back as it was.
QByteArray checkpointsCsv(const QList<Checkpoint>& checkpoints);

} // namespace route
