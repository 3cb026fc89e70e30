// The travel-time report per run and node stretch.

#include "Report.h"

#include "Sink.h"
#include "TextFormat.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace gd2 {

namespace {

constexpr double kMetresPerSecondPerMph = 0.44704;

QString nodeLabel(qint16 node)
{
    return node == 0 ? QStringLiteral("start") : QStringLiteral("N%1").arg(node);
}

QString orDash(const std::optional<QString>& text)
{
    return text ? *text : QStringLiteral("-");
}

QString miles(double metres)
{
    return fixed(metres / kMetresPerMile, 3);
}

QString kilometres(double metres)
{
    return fixed(metres / 1000.0, 3);
}

QString seconds(qint64 ms)
{
    return plain(double(ms) / 1000.0);
}

std::optional<QString> mphText(double metres, std::optional<qint64> ms)
{
    const auto mph = averageMph(metres, ms);
    return mph ? std::optional(fixed(*mph, 1)) : std::nullopt;
}

QString percent(qsizetype part, qsizetype whole)
{
    return whole == 0 ? QStringLiteral("-") : fixed(100.0 * double(part) / double(whole), 1) + u'%';
}

QString padLeft(const QString& s, int width)
{
    return s.rightJustified(width, u' ');
}

QString padRight(const QString& s, int width)
{
    return s.leftJustified(width, u' ');
}

QString directionName(qint16 dir)
{
    const QString code = directionCode(dir);
    return code.isEmpty() ? QString() : QStringLiteral(" (") + code + u')';
}

} // namespace

double haversineMetres(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double rad = std::numbers::pi / 180.0;
    const double sinLat = std::sin((lat2 - lat1) * rad / 2.0);
    const double sinLon = std::sin((lon2 - lon1) * rad / 2.0);
    double a = sinLat * sinLat + std::cos(lat1 * rad) * std::cos(lat2 * rad) * sinLon * sinLon;
    a = std::clamp(a, 0.0, 1.0);
    return 2.0 * kEarthRadiusMetres * std::asin(std::sqrt(a));
}

std::optional<double> averageMph(double metres, std::optional<qint64> ms)
{
    if (!ms || *ms <= 0) {
        return std::nullopt;
    }
    return metres / (double(*ms) / 1000.0) / kMetresPerSecondPerMph;
}

std::optional<qint64> RunReport::durationMs() const
{
    if (!start || !end) {
        return std::nullopt;
    }
    return *end - *start;
}

QList<RunReport> analyse(const Study& study)
{
    QList<RunReport> reports;
    for (const Run& run : splitRuns(study.records)) {
        reports.append(analyseRun(study, run));
    }
    return reports;
}

RunReport analyseRun(const Study& study, const Run& run, bool forChart)
{
    RunReport rep;
    rep.number = run.number;
    rep.direction = run.direction;
    rep.fixes = run.count;
    const auto rec = [&](qsizetype j) -> const FixRecord& { return study.records[run.first + j]; };

    // A fix's time runs to the next timed fix and its distance to the next
    // fix with a position: both are settled when that fix comes, so that
    // nothing is kept per fix beyond the records themselves.
    struct Timed
    {
        qsizetype stretch;
        qint64 at;
        bool slow;
        bool inStop;
    };
    struct Placed
    {
        qsizetype stretch;
        double lat;
        double lon;
    };
    std::optional<Timed> lastTimed;
    std::optional<Placed> lastPlaced;
    QList<qsizetype> delayStretch;
    bool moved = false;
    bool inStop = false;
    for (qsizetype j = 0; j < run.count; ++j) {
        const FixRecord& r = rec(j);
        const std::optional<qint64> stamp = run.stamps[j];
        if (rep.stretches.isEmpty() || rep.stretches.last().node != r.NodeNum) {
            if (!rep.stretches.isEmpty()) {
                rep.stretches.last().to = nodeLabel(r.NodeNum);
                if (r.NodeNum > rep.stretches.last().node && stamp) {
                    rep.nodes.append({*stamp, r.NodeNum});
                }
            }
            Stretch s;
            s.node = r.NodeNum;
            s.from = nodeLabel(r.NodeNum);
            s.to = QStringLiteral("end");
            rep.stretches.append(s);
        }
        Stretch& s = rep.stretches.last();
        ++s.fixes;
        if (isIncomplete(r)) {
            ++s.incomplete;
            ++rep.incomplete;
        }
        if (r.DelayNum != missing::kInteger) {
            s.delays.append(r.DelayNum);
            rep.delays.append({r.DelayNum, stamp, QString()});
            delayStretch.append(rep.stretches.size() - 1);
        }
        const auto mph = speedOf(r);
        const bool slow = mph && *mph < kStoppedBelowMph;
        if (slow && moved && !inStop) {
            ++s.stops;
            ++rep.stops;
        }
        inStop = slow && moved;
        moved = moved || (mph && !slow);
        if (hasPosition(r)) {
            ++s.positioned;
            ++rep.positioned;
        }
        const qsizetype here = rep.stretches.size() - 1;
        if (stamp) {
            if (lastTimed) {
                Stretch& before = rep.stretches[lastTimed->stretch];
                const qint64 dt = *stamp - lastTimed->at;
                *before.travelMs += dt;
                if (lastTimed->slow && dt > 0) {
                    before.stoppedMs += dt;
                    rep.stoppedMs += dt;
                    if (lastTimed->inStop) {
                        before.stopsMs += dt;
                        rep.stopsMs += dt;
                    }
                    if (forChart && !rep.stopped.isEmpty() &&
                        rep.stopped.last().to == lastTimed->at) {
                        rep.stopped.last().to = *stamp;
                    } else if (forChart) {
                        rep.stopped.append({lastTimed->at, *stamp});
                    }
                }
            }
            if (!rep.start) {
                rep.start = stamp;
            }
            rep.end = stamp;
            if (!s.start) {
                s.start = stamp;
                s.travelMs = 0;
            }
            if (forChart) {
                rep.samples.append({*stamp, mph});
            }
            lastTimed = Timed{here, *stamp, slow, inStop};
        }
        if (hasPosition(r)) {
            if (lastPlaced) {
                const double leg =
                    haversineMetres(lastPlaced->lat, lastPlaced->lon, r.Latitude, r.Longitude);
                rep.stretches[lastPlaced->stretch].metres += leg;
                rep.metres += leg;
            }
            lastPlaced = Placed{here, r.Latitude, r.Longitude};
        }
    }
    // A delay's stretch is named once the node after it is known; the
    // delays of a stretch share its name.
    QStringList names;
    for (const Stretch& s : rep.stretches) {
        names << s.from + u'-' + s.to;
    }
    for (qsizetype k = 0; k < rep.delays.size(); ++k) {
        rep.delays[k].stretch = names[delayStretch[k]];
    }
    return rep;
}

void writeReportHead(const Study& study, qsizetype runs, Sink& out)
{
    const auto date = studyDateStamp(study.header);
    out << QStringLiteral("Study of %1, file version %2: %3 %4, %5 %6\n")
               .arg(date ? dateText(*date) : QStringLiteral("an unreadable date"),
                    versionText(study.header), QString::number(runs),
                    runs == 1 ? QStringLiteral("run") : QStringLiteral("runs"),
                    QString::number(study.records.size()),
                    study.records.size() == 1 ? QStringLiteral("record")
                                              : QStringLiteral("records"));
}

void writeReportRun(const RunReport& run, Sink& out)
{
    const auto duration = run.durationMs();
    const auto mph = averageMph(run.metres, duration);
    QStringList lines;
    lines << QString();
    lines << QStringLiteral("Run %1%2").arg(run.number).arg(directionName(run.direction));
    lines << QStringLiteral("  Start       ") +
                 (run.start ? isoLocal(*run.start) : QStringLiteral("-"));
    lines << QStringLiteral("  End         ") +
                 (run.end ? isoLocal(*run.end) : QStringLiteral("-"));
    lines << QStringLiteral("  Duration    ") +
                 (duration ? durationText(*duration) : QStringLiteral("-"));
    lines << QStringLiteral("  Distance    %1 mi, %2 km")
                 .arg(miles(run.metres), kilometres(run.metres));
    lines << QStringLiteral("  Avg speed   ") +
                 (mph ? fixed(*mph, 1) + QStringLiteral(" mph, ") +
                            fixed(*mph * kMetresPerSecondPerMph * 3.6, 1) + QStringLiteral(" km/h")
                      : QStringLiteral("-"));
    lines << QStringLiteral("  Stopped     %1 (under 5 mph)").arg(durationText(run.stoppedMs));
    out << lines.join(u'\n') << "\n  Delays      ";
    // One at a time: a file of nonsense can have a delay in every record.
    if (run.delays.isEmpty()) {
        out << "none";
    }
    for (qsizetype k = 0; k < run.delays.size(); ++k) {
        const Delay& d = run.delays[k];
        out << QStringLiteral("%1%2 at %3 (%4)")
                   .arg(k == 0 ? QString() : QStringLiteral(", "), QString::number(d.number),
                        d.at ? clockText(*d.at) : QStringLiteral("an unknown time"), d.stretch);
    }
    lines.clear();
    lines << QString();
    lines << QStringLiteral("  Incomplete  %1 of %2 fixes (%3)")
                 .arg(run.incomplete)
                 .arg(run.fixes)
                 .arg(percent(run.incomplete, run.fixes));
    lines << QString();
    const auto line = [&](const QStringList& cells) {
        lines << QStringLiteral("  ") + padRight(cells[0], 12) + u' ' + padRight(cells[1], 8) +
                     u' ' + padLeft(cells[2], 8) + u' ' + padLeft(cells[3], 8) + u' ' +
                     padLeft(cells[4], 7) + u' ' + padLeft(cells[5], 8) + u' ' +
                     padLeft(cells[6], 8) + u' ' + padLeft(cells[7], 6);
    };
    line({QStringLiteral("Stretch"), QStringLiteral("Start"), QStringLiteral("Time"),
          QStringLiteral("Miles"), QStringLiteral("Km"), QStringLiteral("Avg mph"),
          QStringLiteral("Stopped"), QStringLiteral("Fixes")});
    for (const Stretch& s : run.stretches) {
        line({s.from + u'-' + s.to, s.start ? clockText(*s.start) : QStringLiteral("-"),
              s.travelMs ? durationText(*s.travelMs) : QStringLiteral("-"), miles(s.metres),
              kilometres(s.metres), orDash(mphText(s.metres, s.travelMs)),
              durationText(s.stoppedMs), QString::number(s.fixes)});
    }
    out << lines.join(u'\n') << '\n';
}

void writeReportCsvHead(Sink& out)
{
    out << "run,direction,stretch,from,to,start,travel_time_s,distance_mi,distance_km,"
           "avg_speed_mph,stopped_s,fixes,incomplete_fixes,delays\n";
}

void writeReportCsvRun(const RunReport& run, Sink& out)
{
    const auto row = [&](const QString& stretch, const QString& from, const QString& to,
                         std::optional<qint64> start, std::optional<qint64> travel, double metres,
                         qint64 stopped, qsizetype fixes, qsizetype incomplete,
                         const QString& delays) {
        out << QStringList{QString::number(run.number),
                           directionCode(run.direction),
                           stretch,
                           from,
                           to,
                           start ? isoLocal(*start) : QString(),
                           travel ? seconds(*travel) : QString(),
                           miles(metres),
                           kilometres(metres),
                           mphText(metres, travel).value_or(QString()),
                           seconds(stopped),
                           QString::number(fixes),
                           QString::number(incomplete),
                           delays}
                   .join(u',')
            << '\n';
    };
    // Built whole rather than joined: a file of nonsense can have millions.
    const auto delayText = [](const QList<qint16>& numbers) {
        QString text;
        for (qint16 d : numbers) {
            text += QString::number(d) + u' ';
        }
        text.chop(1);
        return text;
    };
    QList<qint16> delays;
    for (const Delay& d : run.delays) {
        delays << d.number;
    }
    row(QStringLiteral("all"), QStringLiteral("start"), QStringLiteral("end"), run.start,
        run.durationMs(), run.metres, run.stoppedMs, run.fixes, run.incomplete, delayText(delays));
    for (const Stretch& s : run.stretches) {
        row(QString::number(s.node), s.from, s.to, s.start, s.travelMs, s.metres, s.stoppedMs,
            s.fixes, s.incomplete, delayText(s.delays));
    }
}

QByteArray reportText(const Study& study, const QList<RunReport>& runs)
{
    QByteArray text;
    Sink out(text);
    writeReportHead(study, runs.size(), out);
    for (const RunReport& run : runs) {
        writeReportRun(run, out);
    }
    return text;
}

QByteArray reportCsv(const QList<RunReport>& runs)
{
    QByteArray text;
    Sink out(text);
    writeReportCsvHead(out);
    for (const RunReport& run : runs) {
        writeReportCsvRun(run, out);
    }
    return text;
}

} // namespace gd2
