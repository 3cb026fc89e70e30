// Checkpoints from a run marked by key.

#include "Checkpoints.h"

namespace gd2 {

std::optional<Run> routeRun(const QList<Run>& runs, const QList<FixRecord>& records,
                            std::optional<qint16> number)
{
    if (number) {
        for (const Run& run : runs) {
            if (run.number == *number) {
                return run;
            }
        }
        return std::nullopt;
    }
    for (const Run& run : runs) {
        for (qsizetype i = run.first; i < run.first + run.count; ++i) {
            if (records[i].NodeNum > 0) {
                return run;
            }
        }
    }
    return runs.isEmpty() ? std::nullopt : std::optional<Run>(runs.first());
}

QList<route::Checkpoint> checkpointsOfRun(const Study& study, const Run& run, bool west, bool south)
{
    QList<route::Checkpoint> out;
    const auto at = [&](const QString& name, const FixRecord& r) {
        out.append({name, south ? -r.Latitude : r.Latitude, west ? -r.Longitude : r.Longitude,
                    std::nullopt});
    };
    qint16 node = -1;
    const FixRecord* last = nullptr;
    const FixRecord* marked = nullptr; // the record of the last checkpoint taken
    for (qsizetype i = run.first; i < run.first + run.count; ++i) {
        const FixRecord& r = study.records[i];
        if (!hasPosition(r)) {
            continue;
        }
        if (node < 0) {
            at(QStringLiteral("start"), r);
            node = r.NodeNum;
            marked = &r;
        } else if (r.NodeNum > node) {
            node = r.NodeNum;
            at(QStringLiteral("N%1").arg(node), r);
            marked = &r;
        }
        last = &r;
    }
    if (last && last != marked) {
        at(QStringLiteral("end"), *last);
    } else if (last && out.size() > 1) {
        out.last().name = QStringLiteral("end"); // the run ended at a node
    }
    return out;
}

} // namespace gd2
