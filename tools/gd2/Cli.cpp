// gd2's command line.

#include "Cli.h"

#include "Export.h"
#include "Inspect.h"
#include "Report.h"
#include "Sink.h"
#include "SpeedChart.h"
#include "StudyReader.h"
#include "Summary.h"
#include "TextFormat.h"
#include "Version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace gd2 {

namespace {

struct Options
{
    QString command;
    QString file;
    QString output;
    QString format;
    QString svgDir;
    bool csv = false;
    ExportOptions exportOptions;
};

// Which options each command takes; every command takes -o.
bool allowed(const QString& command, const QString& option)
{
    if (option == u"-o") {
        return true;
    }
    if (command == u"export") {
        return option == u"--format" || option == u"--west" || option == u"--south" ||
               option == u"--utc-offset";
    }
    if (command == u"report") {
        return option == u"--csv" || option == u"--svg";
    }
    return false;
}

bool takesValue(const QString& option)
{
    return option == u"-o" || option == u"--format" || option == u"--utc-offset" ||
           option == u"--svg";
}

// Fills `o` from the arguments after the command; an error text when they
// do not make sense.
QString parse(const QStringList& args, Options& o)
{
    QStringList files;
    const QString error = walkArguments(
        args.mid(1), files,
        [&o](QString arg, const std::optional<QString>& inlineValue, const auto& next) -> QString {
            if (arg == u"--output") {
                arg = QStringLiteral("-o");
            }
            if (!allowed(o.command, arg)) {
                return QStringLiteral("%1 takes no option %2").arg(o.command, arg);
            }
            QString value = inlineValue.value_or(QString());
            if (takesValue(arg) && !inlineValue) {
                const std::optional<QString> following = next();
                if (!following) {
                    return QStringLiteral("%1 needs a value").arg(arg);
                }
                value = *following;
            } else if (!takesValue(arg) && inlineValue) {
                return QStringLiteral("%1 takes no value").arg(arg);
            }
            if (takesValue(arg) && value.isEmpty()) {
                return QStringLiteral("%1 needs a value").arg(arg);
            }
            if (arg == u"-o") {
                o.output = value;
            } else if (arg == u"--format") {
                o.format = value;
            } else if (arg == u"--svg") {
                o.svgDir = value;
            } else if (arg == u"--csv") {
                o.csv = true;
            } else if (arg == u"--west") {
                o.exportOptions.west = true;
            } else if (arg == u"--south") {
                o.exportOptions.south = true;
            } else if (arg == u"--utc-offset") {
                o.exportOptions.utcOffsetSeconds = parseUtcOffset(value);
                if (!o.exportOptions.utcOffsetSeconds) {
                    return QStringLiteral(
                               "--utc-offset takes hours east of UTC, such as -5, 5.5 or "
                               "+05:30, not \"%1\"")
                        .arg(value);
                }
            }
            return {};
        });
    if (!error.isEmpty()) {
        return error;
    }
    if (files.size() != 1) {
        return files.isEmpty() ? QStringLiteral("%1 needs a study file").arg(o.command)
                               : QStringLiteral("%1 takes one study file").arg(o.command);
    }
    o.file = files.first();
    if (o.command == u"export" && o.format != u"csv" && o.format != u"gpx" &&
        o.format != u"geojson" && o.format != u"kml") {
        return o.format.isEmpty()
                   ? QStringLiteral("export needs --format csv, gpx, geojson or kml")
                   : QStringLiteral("unknown format \"%1\": csv, gpx, geojson or kml")
                         .arg(o.format);
    }
    return {};
}

// A chart per run; a run number that comes back later gets a file of its own.
bool writeChart(const RunReport& run, const QDir& dir, QSet<QString>& used, CliOutput& io)
{
    const QString base = QStringLiteral("run-%1").arg(run.number);
    QString name = base + QStringLiteral(".svg");
    for (int k = 2; used.contains(name); ++k) {
        name = base + QStringLiteral("-%1.svg").arg(k);
    }
    used.insert(name);
    return writeOutput(io, dir.filePath(name), [&](Sink& out) {
        out << speedChartSvg(run);
        return true;
    });
}

} // namespace

QString walkArguments(const QStringList& args, QStringList& files, const OptionHandler& option)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (optionsEnded || !arg.startsWith(u'-') || arg == u"-") {
            files << arg;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        std::optional<QString> inlineValue;
        if (const qsizetype eq = arg.indexOf(u'='); arg.startsWith(u"--") && eq > 0) {
            inlineValue = arg.mid(eq + 1);
            arg = arg.left(eq);
        }
        const auto next = [&]() -> std::optional<QString> {
            return i + 1 < args.size() ? std::optional<QString>(args[++i]) : std::nullopt;
        };
        if (const QString error = option(arg, inlineValue, next); !error.isEmpty()) {
            return error;
        }
    }
    return {};
}

QString usageText()
{
    return QStringLiteral(
        "Usage:\n"
        "  gd2 info FILE        header, preferences, runs and any fault of structure\n"
        "  gd2 dump FILE        every record, one line each\n"
        "  gd2 export --format csv|gpx|geojson|kml [--west] [--south] [--utc-offset HOURS]\n"
        "             FILE\n"
        "  gd2 report [--csv] [--svg DIR] FILE\n"
        "  gd2 summary [--precision PCT] [--confidence 90|95|99]\n"
        "              [--periods NAME=HH:MM-HH:MM,...] [--reference-mph MPH]\n"
        "              [--csv | --html FILE] FILE [MORE ...]\n"
        "  gd2 --version\n"
        "\n"
        "Options:\n"
        "  -o FILE              write to FILE instead of standard output\n"
        "  --west, --south      the study lies west of Greenwich / south of the equator:\n"
        "                       the file holds unsigned degrees, so give it their sign\n"
        "  --utc-offset HOURS   hours east of UTC of the file's local times (-5, 5.5,\n"
        "                       +05:30), for GPX times; default: this machine's time zone\n"
        "  --csv                the report as one CSV table, a row per run and per stretch\n"
        "  --svg DIR            also write a speed chart per run, DIR/run-N.svg\n"
        "  summary: travel-time statistics across runs, per direction (and period):\n"
        "  --precision PCT      relative error allowed for the runs needed (default 10)\n"
        "  --confidence N       confidence level in percent (default 95)\n"
        "  --periods ...        group runs by the local time of their start\n"
        "  --reference-mph MPH  also the delay and travel time index against this speed\n"
        "  --html FILE          one page with the tables and pictures\n"
        "\n"
        "Exit status: 0 done, 1 the file cannot be read, is no regular file or no study\n"
        "file, or the output cannot be written, 2 wrong arguments.\n");
}

void say(CliOutput& io, const QString& text)
{
    sayRaw(io, QStringLiteral("gd2: ") + text + u'\n');
}

void sayRaw(CliOutput& io, const QString& raw)
{
    // Said at once, so that it stands above the output on a terminal.
    if (io.errDevice) {
        io.errDevice->write(raw.toUtf8());
    } else {
        io.err += raw.toUtf8();
    }
}

bool writeOutput(CliOutput& io, const QString& path, const std::function<bool(Sink&)>& produce)
{
    const auto failed = [&](const QString& name, const QString& why) {
        say(io, QStringLiteral("%1: cannot be written: %2").arg(name, why));
        return false;
    };
    if (path.isEmpty()) {
        if (!io.outDevice) {
            Sink out(io.out);
            return produce(out);
        }
        Sink out(*io.outDevice);
        const bool done = produce(out);
        if (!out.flush()) {
            return failed(QStringLiteral("standard output"), out.errorString());
        }
        return done;
    }
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        // Replacing a device or pipe with a regular file would break whatever
        // relies on it: it is written as it stands.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return failed(path, file.errorString());
        }
        Sink out(file);
        const bool done = produce(out);
        if (!out.flush()) {
            return failed(path, out.errorString());
        }
        return done;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return failed(path, file.errorString());
    }
    Sink out(file);
    if (!produce(out)) {
        return false; // the file is left as it was
    }
    if (!out.flush()) {
        return failed(path, out.errorString());
    }
    if (!file.commit()) {
        return failed(path, file.errorString());
    }
    return true;
}

int runCli(const QStringList& args, CliOutput& io)
{
    if (args.isEmpty()) {
        sayRaw(io, usageText());
        return kExitUsage;
    }
    const QString command = args.first();
    if (command == u"help" || command == u"--help" || command == u"-h") {
        return writeOutput(io, {},
                           [](Sink& out) {
                               out << usageText();
                               return true;
                           })
                   ? kExitOk
                   : kExitBadFile;
    }
    if (command == u"--version") {
        return writeOutput(io, {},
                           [](Sink& out) {
                               out << QStringLiteral("gd2 %1\n").arg(version::text());
                               return true;
                           })
                   ? kExitOk
                   : kExitBadFile;
    }
    if (command != u"info" && command != u"dump" && command != u"export" && command != u"report" &&
        command != u"summary") {
        say(io, QStringLiteral("unknown command \"%1\"").arg(command));
        sayRaw(io, usageText());
        return kExitUsage;
    }
    if (command == u"summary") {
        return runSummary(args.mid(1), io);
    }
    Options o;
    o.command = command;
    if (const QString error = parse(args, o); !error.isEmpty()) {
        say(io, error);
        sayRaw(io, usageText());
        return kExitUsage;
    }

    Study study;
    QString error;
    if (!readStudyFile(o.file, study, error)) {
        say(io, error);
        return kExitBadFile;
    }
    const QList<Run> runs = splitRuns(study.records);
    if (command != u"info") {
        for (const QString& w : readingWarnings(study, runs)) {
            say(io, QStringLiteral("warning: ") + w);
        }
    }
    if (command == u"export" && o.format != u"csv") {
        if (const qsizetype left = recordsWithoutPosition(study); left > 0) {
            say(io, QStringLiteral("%1 of %2 records have no position and were left out")
                        .arg(left)
                        .arg(study.records.size()));
        }
    }
    if (!o.svgDir.isEmpty() && !QDir().mkpath(o.svgDir)) {
        say(io, QStringLiteral("%1: cannot make the folder").arg(o.svgDir));
        return kExitBadFile;
    }

    // Written out as it is made: a run's report once it is analysed, a
    // record's line once it is formatted.
    const bool written = writeOutput(io, o.output, [&](Sink& out) {
        if (command == u"info") {
            out << infoText(study, o.file);
        } else if (command == u"dump") {
            writeDump(study, out);
        } else if (command == u"export") {
            if (o.format == u"csv") {
                writeCsv(study, runs, o.exportOptions, out);
            } else if (o.format == u"gpx") {
                writeGpx(study, runs, o.exportOptions, out);
            } else if (o.format == u"kml") {
                writeKml(study, runs, o.exportOptions, out);
            } else {
                writeGeoJson(study, runs, o.exportOptions, out);
            }
        } else {
            if (o.csv) {
                writeReportCsvHead(out);
            } else {
                writeReportHead(study, runs.size(), out);
            }
            const QDir charts(o.svgDir);
            QSet<QString> used;
            for (const Run& run : runs) {
                const RunReport report = analyseRun(study, run, !o.svgDir.isEmpty());
                if (!o.svgDir.isEmpty() && !writeChart(report, charts, used, io)) {
                    return false;
                }
                if (o.csv) {
                    writeReportCsvRun(report, out);
                } else {
                    writeReportRun(report, out);
                }
            }
        }
        return true;
    });
    return written ? kExitOk : kExitBadFile;
}

} // namespace gd2
