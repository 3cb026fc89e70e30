// gd2's command line: the table of commands, and what reads it.

#include "Cli.h"

#include "Checkpoints.h"
#include "Compare.h"
#include "Delays.h"
#include "Export.h"
#include "Files.h"
#include "GeoPackage.h"
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

const Option kOutput{"-o",           "FILE",     "write to FILE instead of standard output",
                     Complete::File, {},         false,
                     false,          "--output", Role::Output};

// Options whose values are files read or written, each with its role, so
// that no output can be a study file.
const Option kHtml{"--html",       "FILE",  "one page with the tables and pictures",
                   Complete::File, {},      false,
                   false,          nullptr, Role::Output};
const Option kSvg{"--svg",
                  "DIR",
                  "also a speed chart per run, DIR/run-N.svg",
                  Complete::Folder,
                  {},
                  false,
                  false,
                  nullptr,
                  Role::OutputFolder,
                  "run-*.svg"};
const Option kBefore{"--before",     "FILE",  "a study driven before the change",
                     Complete::File, {},      true,
                     true,           nullptr, Role::Study};
const Option kAfter{"--after",      "FILE",  "a study driven after the change",
                    Complete::File, {},      true,
                    true,           nullptr, Role::Study};

// The options summary and compare share.
QList<Option> groupingOptions()
{
    const QList<Option> own{
        {"--periods", "NAME=HH:MM-HH:MM,...", "group runs by the local time of their start"},
        {"--confidence",
         "PCT",
         "confidence level in percent (default 95)",
         Complete::Words,
         {"90", "95", "99"}},
        {"--reference-mph", "MPH", "also the delay and travel time indexes against this speed"},
        {"--csv", nullptr, "one CSV table instead of text"},
        kHtml,
        kOutput,
    };
    return own + measureOptions();
}

// Reads the one study file of info, dump, export and report, and warns of
// what the commands skip.
bool readOne(const Arguments& a, CliOutput& io, Study& study, QList<Run>& runs, bool warn)
{
    QString error;
    if (!readStudyFile(a.files.first(), study, error)) {
        say(io, error);
        return false;
    }
    runs = splitRuns(study.records);
    if (warn) {
        for (const QString& w : readingWarnings(study, runs)) {
            say(io, QStringLiteral("warning: ") + w);
        }
    }
    return true;
}

int status(bool written)
{
    return written ? kExitOk : kExitBadFile;
}

int runInfo(const Arguments& a, CliOutput& io)
{
    Study study;
    QList<Run> runs;
    if (!readOne(a, io, study, runs, false)) {
        return kExitBadFile;
    }
    return status(writeOutput(io, a.value("-o"), [&](Sink& out) {
        out << infoText(study, a.files.first());
        return true;
    }));
}

int runDump(const Arguments& a, CliOutput& io)
{
    Study study;
    QList<Run> runs;
    if (!readOne(a, io, study, runs, true)) {
        return kExitBadFile;
    }
    return status(writeOutput(io, a.value("-o"), [&](Sink& out) {
        writeDump(study, runs, out);
        return true;
    }));
}

int runExport(const Arguments& a, CliOutput& io)
{
    ExportOptions options;
    options.west = a.has("--west");
    options.south = a.has("--south");
    if (a.has("--utc-offset")) {
        options.utcOffsetSeconds = parseUtcOffset(a.value("--utc-offset"));
        if (!options.utcOffsetSeconds) {
            return usageError(io, QStringLiteral("--utc-offset takes hours east of UTC, such as "
                                                 "-5, 5.5 or +05:30, not \"%1\"")
                                      .arg(a.value("--utc-offset")));
        }
    }
    const QString format = a.value("--format");
    MeasureOptions measures;
    if (const QString error = readMeasureOptions(a, measures); !error.isEmpty()) {
        return usageError(io, error);
    }
    for (const Option& o : measureOptions()) {
        if (format != u"gpkg" && a.has(o.name)) {
            return usageError(io, QStringLiteral("%1 is for --format gpkg").arg(o.name));
        }
    }
    if (format == u"gpkg") {
        // SQLite writes the file itself, so it needs one.
        if (a.value("-o").isEmpty()) {
            return usageError(io, QStringLiteral("--format gpkg needs -o FILE.gpkg"));
        }
        return status(writeGeoPackage(a.files, options, measures, a.value("-o"), io));
    }
    if (a.files.size() > 1) {
        return usageError(io, QStringLiteral("--format %1 takes one study file").arg(format));
    }
    Study study;
    QList<Run> runs;
    if (!readOne(a, io, study, runs, true)) {
        return kExitBadFile;
    }
    if (format != u"csv") {
        if (const qsizetype left = recordsWithoutPosition(study); left > 0) {
            say(io, QStringLiteral("%1 of %2 records have no position and were left out")
                        .arg(left)
                        .arg(study.records.size()));
        }
    }
    return status(writeOutput(io, a.value("-o"), [&](Sink& out) {
        if (format == u"csv") {
            writeCsv(study, runs, options, out);
        } else if (format == u"gpx") {
            writeGpx(study, runs, options, out);
        } else if (format == u"kml") {
            writeKml(study, runs, options, out);
        } else {
            writeGeoJson(study, runs, options, out);
        }
        return true;
    }));
}

int runCheckpoints(const Arguments& a, CliOutput& io)
{
    std::optional<qint16> number;
    if (a.has("--run")) {
        bool ok = false;
        const int n = a.value("--run").toInt(&ok);
        if (!ok || n < 1 || n > 32767) {
            return usageError(
                io, QStringLiteral("--run takes a run number, not \"%1\"").arg(a.value("--run")));
        }
        number = qint16(n);
    }
    Study study;
    QList<Run> runs;
    if (!readOne(a, io, study, runs, true)) {
        return kExitBadFile;
    }
    const std::optional<Run> run = routeRun(runs, study.records, number);
    if (!run) {
        say(io, number ? QStringLiteral("%1 has no run %2").arg(a.files.first()).arg(*number)
                       : QStringLiteral("%1 has no run").arg(a.files.first()));
        return kExitBadFile;
    }
    if (const QString doubt = signingDoubt(study, *run); !doubt.isEmpty()) {
        say(io, doubt);
        return kExitBadFile;
    }
    const QList<route::Checkpoint> cps =
        checkpointsOfRun(study, *run, a.has("--west"), a.has("--south"));
    for (qsizetype i = 1; i < cps.size(); ++i) {
        if (haversineMetres(cps[i - 1].latitude, cps[i - 1].longitude, cps[i].latitude,
                            cps[i].longitude) < 1.0) {
            say(io, QStringLiteral("run %1: %2 lies where %3 lies, so the route would have no "
                                   "direction between them; mark the nodes of another run")
                        .arg(run->number)
                        .arg(cps[i].name, cps[i - 1].name));
            return kExitBadFile;
        }
    }
    // Written only as the collector will read it back: what it would refuse
    // is refused here.
    const QByteArray csv = route::checkpointsCsv(cps);
    const route::CheckpointList back =
        route::parseCheckpoints(csv, QStringLiteral("run %1").arg(run->number));
    if (!back.ok()) {
        say(io, back.error);
        return kExitBadFile;
    }
    return status(writeOutput(io, a.value("-o"), [&](Sink& out) {
        out << QString::fromUtf8(csv);
        return true;
    }));
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

int runReport(const Arguments& a, CliOutput& io)
{
    Study study;
    QList<Run> runs;
    if (!readOne(a, io, study, runs, true)) {
        return kExitBadFile;
    }
    const QString svgDir = a.value("--svg");
    if (!svgDir.isEmpty() && !QDir().mkpath(svgDir)) {
        say(io, QStringLiteral("%1: cannot make the folder").arg(svgDir));
        return kExitBadFile;
    }
    const bool csv = a.has("--csv");
    // Written out a run at a time, as each is walked.
    return status(writeOutput(io, a.value("-o"), [&](Sink& out) {
        if (csv) {
            writeReportCsvHead(out);
        } else {
            writeReportHead(study, runs.size(), out);
        }
        const QDir charts(svgDir);
        QSet<QString> used;
        bool charted = true;
        WalkOptions walk;
        walk.speedChart = !svgDir.isEmpty();
        RunWalker walker(walk, [&](RunReport&& run) {
            if (!svgDir.isEmpty() && charted) {
                charted = writeChart(run, charts, used, io);
            }
            if (csv) {
                writeReportCsvRun(run, out);
            } else {
                writeReportRun(run, out);
            }
        });
        for (const FixRecord& r : study.records) {
            walker.add(r);
        }
        walker.finish();
        return charted;
    }));
}

int runHelp(const Arguments&, CliOutput& io)
{
    return status(writeOutput(io, {}, [](Sink& out) {
        out << usageText();
        return true;
    }));
}

int runVersion(const Arguments&, CliOutput& io)
{
    return status(writeOutput(io, {}, [](Sink& out) {
        out << QStringLiteral("gd2 %1\n").arg(version::text());
        return true;
    }));
}

int runCompletion(const Arguments&, CliOutput& io)
{
    return status(writeOutput(io, {}, [](Sink& out) {
        out << bashCompletion();
        return true;
    }));
}

// Help and the completion script are commands without files; the script's
// command is left out of the usage.
bool listed(const Command& c)
{
    return !QByteArray(c.name).startsWith("--bash");
}

QString valueText(const Option& o)
{
    return o.words.isEmpty() ? QLatin1String(o.value) : o.words.join(u'|');
}

QString synopsis(const Command& c)
{
    QStringList parts{QStringLiteral("gd2"), QLatin1String(c.name)};
    for (const Option& o : c.options) {
        QString part = QLatin1String(o.name);
        if (o.value) {
            part += u' ' + valueText(o);
        }
        if (o.repeats) {
            part += QStringLiteral(" ...");
        }
        parts << (o.required ? part : u'[' + part + u']');
    }
    if (c.maxFiles > 0) {
        parts << QLatin1String(c.filesName);
    }
    // Wrapped under the command's name.
    QStringList lines{QStringLiteral(" ")};
    for (const QString& part : parts) {
        if (lines.last().size() + 1 + part.size() > 78 && lines.last().size() > 8) {
            lines << QString(5 + qsizetype(qstrlen(c.name)), u' ');
        }
        lines.last() += u' ' + part;
    }
    return lines.join(u'\n');
}

// Dispatch's check of a command's words against its options.
QString parse(const Command& c, const QStringList& args, Arguments& a)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (optionsEnded || !arg.startsWith(u'-') || arg == u"-") {
            a.files << arg;
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
        const auto o = std::find_if(c.options.cbegin(), c.options.cend(), [&](const Option& o) {
            return arg == QLatin1String(o.name) || (o.alias && arg == QLatin1String(o.alias));
        });
        if (o == c.options.cend()) {
            return QStringLiteral("%1 takes no option %2").arg(QLatin1String(c.name), arg);
        }
        QString value;
        if (!o->value) {
            if (inlineValue) {
                return QStringLiteral("%1 takes no value").arg(arg);
            }
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        }
        if (o->value && value.isEmpty()) {
            return QStringLiteral("%1 needs a value").arg(arg);
        }
        if (!o->words.isEmpty() && !o->words.contains(value)) {
            return QStringLiteral("%1 takes %2, not \"%3\"")
                .arg(QLatin1String(o->name), o->words.join(QStringLiteral(", ")), value);
        }
        QStringList& values = a.values[QLatin1String(o->name)];
        if (o->repeats) {
            values << value;
        } else {
            values = QStringList{value}; // the last one given holds
        }
    }
    for (const Option& o : c.options) {
        if (o.required && !a.has(o.name)) {
            return QStringLiteral("%1 needs %2 %3")
                .arg(QLatin1String(c.name), QLatin1String(o.name), valueText(o));
        }
    }
    if (a.files.size() < c.minFiles) {
        return QStringLiteral("%1 needs a study file").arg(QLatin1String(c.name));
    }
    if (a.files.size() > c.maxFiles) {
        return c.maxFiles == 0
                   ? QStringLiteral("%1 takes no file \"%2\"")
                         .arg(QLatin1String(c.name), a.files.first())
                   : QStringLiteral("%1 takes one study file").arg(QLatin1String(c.name));
    }
    return {};
}

// Why the command must not run: one of its outputs, standard output
// included, is a study file. Empty when none is. Said before anything is
// read or written, and the files read are kept in `io` so that every later
// write is checked the same way.
QString outputsRefused(const Command& c, const Arguments& a, CliOutput& io)
{
    io.studies = a.files;
    for (const Option& o : c.options) {
        if (o.role == Role::Study) {
            io.studies << a.all(o.name);
        }
    }
    for (const Option& o : c.options) {
        for (const QString& path : a.all(o.name)) {
            const QString what = QLatin1String(o.name) + u' ' + path;
            QString refused;
            if (o.role == Role::Output || o.role == Role::OutputFolder) {
                refused = outputRefusal(what, path, io.studies);
            }
            if (o.role == Role::OutputFolder && refused.isEmpty()) {
                const QDir folder(path);
                for (const QFileInfo& f :
                     folder.entryInfoList({QLatin1String(o.folderFiles)},
                                          QDir::Files | QDir::System | QDir::Hidden)) {
                    if (refused.isEmpty()) {
                        refused = outputRefusal(f.filePath(), f.filePath(), io.studies);
                    }
                }
            }
            if (!refused.isEmpty()) {
                return refused;
            }
        }
    }
    return io.outDevice ? outputRefusal(*io.outDevice, io.studies) : QString();
}

} // namespace

const QList<Command>& commands()
{
    static const QList<Command> table{
        {"info",
         "header, preferences, runs and any fault of structure",
         {kOutput},
         1,
         1,
         "FILE",
         runInfo},
        {"dump", "every record, one line each", {kOutput}, 1, 1, "FILE", runDump},
        {"export", "the records for spreadsheets and maps; gpkg: GIS layers of the studies",
         QList<Option>{
             {"--format",
              "FORMAT",
              "the format to write",
              Complete::Words,
              {"csv", "gpx", "geojson", "kml", "gpkg"},
              true},
             {"--west", nullptr,
              "the study lies west of Greenwich: the file holds unsigned degrees"},
             {"--south", nullptr, "the study lies south of the equator"},
             {"--utc-offset", "HOURS",
              "hours east of UTC of the file's local times (-5, 5.5, +05:30), for GPX and "
              "GeoPackage times; default: this machine's time zone"}} +
             measureOptions() + QList<Option>{kOutput},
         1, 1 << 20, "FILE...", runExport},
        {"checkpoints",
         "a route's checkpoint file from a run whose nodes were marked by key",
         {{"--run", "N", "the run (default: the first with a node marked)"},
          {"--west", nullptr, "the study lies west of Greenwich: the file holds unsigned degrees"},
          {"--south", nullptr, "the study lies south of the equator"},
          kOutput},
         1,
         1,
         "FILE",
         runCheckpoints},
        {"report",
         "travel time, distance, speed and stops per run and node stretch",
         {{"--csv", nullptr, "one CSV table instead of text"}, kSvg, kOutput},
         1,
         1,
         "FILE",
         runReport},
        {"delays", "control delay, stops and level of service per run and node",
         measureOptions() +
             QList<Option>{{"--csv", nullptr, "one CSV table instead of text"}, kHtml, kOutput},
         1, 1 << 20, "FILE...", runDelays},
        {"summary", "travel-time statistics across runs, per direction and period",
         QList<Option>{
             {"--precision", "PCT", "relative error allowed for the runs needed (default 10)"},
             {"--nodes", nullptr,
              "a row per direction, period and node: control delay and stops"}} +
             groupingOptions(),
         1, 1 << 20, "FILE...", runSummary},
        {"compare",
         "before and after: the change of travel time, Welch's t-test, runs to detect a change",
         QList<Option>{
             kBefore,
             kAfter,
             {"--detect", "PCT",
              "the change to detect, in percent of the mean before (default 10)"},
             {"--power", "PCT", "the power to detect it with (default 80)"},
             {"--nodes", nullptr, "a row per direction, period and node: control delay and stops"},
             {"--signals-after", "FILE",
              "the signal timing in force after the change, where it was retimed "
              "(default: --signals for both sides)",
              Complete::File}} +
             groupingOptions(),
         0, 0, "", runCompare},
        {"help", "this text", {}, 0, 0, "", runHelp},
        {"--version", "the version of gd2", {}, 0, 0, "", runVersion},
        {"--bash-completion", "a bash completion script for gd2", {}, 0, 0, "", runCompletion},
    };
    return table;
}

QString usageText()
{
    QStringList out{QStringLiteral("Usage:")};
    QList<const Option*> options;
    for (const Command& c : commands()) {
        if (!listed(c)) {
            continue;
        }
        out << synopsis(c) << QStringLiteral("      ") + QLatin1String(c.help);
        for (const Option& o : c.options) {
            const bool known = std::any_of(options.cbegin(), options.cend(), [&](const Option* k) {
                return qstrcmp(k->name, o.name) == 0;
            });
            if (!known) {
                options << &o;
            }
        }
    }
    out << QString() << QStringLiteral("Options:");
    for (const Option* o : options) {
        QString name = QLatin1String(o->name);
        if (o->alias) {
            name += QStringLiteral(", ") + QLatin1String(o->alias);
        }
        if (o->value) {
            name += u' ' + QLatin1String(o->value);
        }
        // The help wrapped beside the name, or under it when the name is long.
        const QString indent(25, u' ');
        QString line = QStringLiteral("  ") + name;
        line += name.size() > 21 ? u'\n' + indent : QString(23 - name.size(), u' ');
        qsizetype column = 25;
        bool first = true;
        for (const QString& word : QString::fromLatin1(o->help).split(u' ')) {
            if (!first && column + 1 + word.size() > 79) {
                line += u'\n' + indent;
                column = 25;
            } else if (!first) {
                line += u' ';
                ++column;
            }
            line += word;
            column += word.size();
            first = false;
        }
        out << line;
    }
    out << QString()
        << QStringLiteral("Exit status: 0 done, 1 the file cannot be read, is no regular file or "
                          "no study\nfile, or the output cannot be written, 2 wrong arguments, "
                          "an output that is a\nstudy file, or one study before and after.");
    return out.join(u'\n') + u'\n';
}

QString bashCompletion()
{
    QStringList names;
    QStringList cases;
    for (const Command& c : commands()) {
        if (listed(c)) {
            names << QLatin1String(c.name);
        }
        QStringList words;
        QStringList values;
        for (const Option& o : c.options) {
            QString patterns = QLatin1String(o.name);
            words << QLatin1String(o.name);
            if (o.alias) {
                patterns += u'|' + QLatin1String(o.alias);
                words << QLatin1String(o.alias);
            }
            if (!o.value) {
                continue;
            }
            const QString reply =
                o.complete == Complete::File     ? QStringLiteral("compgen -f -- \"$cur\"")
                : o.complete == Complete::Folder ? QStringLiteral("compgen -d -- \"$cur\"")
                : o.complete == Complete::Words
                    ? QStringLiteral("compgen -W '%1' -- \"$cur\"").arg(o.words.join(u' '))
                    : QStringLiteral("true");
            values << QStringLiteral("                %1) COMPREPLY=($(%2)); return ;;")
                          .arg(patterns, reply);
        }
        cases << QStringLiteral("        %1)\n            opts='%2'\n            case \"$prev\" "
                                "in\n%3\n            esac\n            files=%4\n            ;;")
                     .arg(QLatin1String(c.name), words.join(u' '), values.join(u'\n'),
                          c.maxFiles > 0 ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return QStringLiteral(
               "# bash completion for gd2; written by `gd2 --bash-completion` from its table of\n"
               "# commands.\n"
               "_gd2()\n"
               "{\n"
               "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    local opts='' files=0\n"
               "    COMPREPLY=()\n"
               "    if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
               "        COMPREPLY=($(compgen -W '%1 --help' -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    case \"${COMP_WORDS[1]}\" in\n"
               "%2\n"
               "        *) return ;;\n"
               "    esac\n"
               "    if [[ $cur == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
               "    elif [ \"$files\" = 1 ]; then\n"
               "        COMPREPLY=($(compgen -f -X '!*.gd2' -- \"$cur\") $(compgen -d -- "
               "\"$cur\"))\n"
               "    fi\n"
               "    return 0\n"
               "}\n"
               "complete -o filenames -F _gd2 gd2\n")
        .arg(names.join(u' '), cases.join(u'\n'));
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

int usageError(CliOutput& io, const QString& text)
{
    say(io, text);
    sayRaw(io, usageText());
    return kExitUsage;
}

bool writeOutput(CliOutput& io, const QString& path, const std::function<bool(Sink&)>& produce)
{
    const auto failed = [&](const QString& name, const QString& why) {
        say(io, QStringLiteral("%1: cannot be written: %2").arg(name, why));
        return false;
    };
    // Said as it is: a file or folder there that cannot be written is not missing.
    const auto cannotOpen = [&](const QFileInfo& info, const QString& why) {
        if (info.exists()) {
            say(io, QStringLiteral("%1: exists but cannot be written: %2").arg(path, why));
        } else if (!QFileInfo(info.absolutePath()).isDir()) {
            say(io, QStringLiteral("%1: cannot be written: the folder %2 does not exist")
                        .arg(path, QDir::toNativeSeparators(info.absolutePath())));
        } else {
            failed(path, why);
        }
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
    if (const QString refused = outputRefusal(path, path, io.studies); !refused.isEmpty()) {
        say(io, refused);
        return false;
    }
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        // Replacing a device or pipe with a regular file would break whatever
        // relies on it: it is written as it stands.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return cannotOpen(info, file.errorString());
        }
        Sink out(file);
        const bool done = produce(out);
        if (!out.flush()) {
            return failed(path, out.errorString());
        }
        return done;
    }
    // Never written in place, not even where the folder forbids a new file:
    // an interrupted write must leave the old file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return cannotOpen(info, file.errorString());
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
    QString name = args.first();
    if (name == u"--help" || name == u"-h") {
        name = QStringLiteral("help");
    }
    const auto c = std::find_if(commands().cbegin(), commands().cend(),
                                [&](const Command& c) { return name == QLatin1String(c.name); });
    if (c == commands().cend()) {
        return usageError(io, QStringLiteral("unknown command \"%1\"").arg(name));
    }
    Arguments a;
    if (const QString error = parse(*c, args.mid(1), a); !error.isEmpty()) {
        return usageError(io, error);
    }
    if (const QString refused = outputsRefused(*c, a, io); !refused.isEmpty()) {
        say(io, refused);
        return kExitUsage;
    }
    return c->run(a, io);
}

} // namespace gd2
