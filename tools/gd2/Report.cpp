// The travel-time report per run and node stretch.

#include "Report.h"

#include "Sink.h"
#include "TextFormat.h"

#include <QStringList>

namespace gd2 {

namespace {

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
