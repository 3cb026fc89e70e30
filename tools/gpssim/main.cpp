// gpssim: a simulated GPS receiver on a line named as ports/comN where the
// collector beside it looks, so that the collector opens it as port N: a
// pseudo-terminal on Linux, a TCP port on this computer on Windows
// (ReceiverLine.h).
// It replays a recorded log or drives a synthetic route, and never needs
// hardware.

#include "CheckpointFile.h"
#include "Drive.h"
#include "FileLocations.h"
#include "ReceiverLine.h"
#include "SystemFiles.h"
#include "RouteDrive.h"
#include "SignalTiming.h"
#include "SystemFolders.h"
#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <optional>

#include <csignal>
#include <cstdio>

namespace {

// A hundred years of driving: more than anyone waits for.
constexpr double kLongestSeconds = 100.0 * 365 * 86400;
// The route drive lays its route on a flat plane, which holds only away
// from the poles; nothing it sends may pass 90 degrees.
constexpr double kFurthestLatitude = 89.0;

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

// Writes at the pace of a serial line of the given speed (10 bits a character).
void paced(ReceiverLine& line, const QByteArray& bytes, int baud)
{
    if (baud <= 0) {
        line.send(bytes);
        return;
    }
    const int chunk = qMax(1, baud / 10 / 50); // about 20 ms of line time
    for (qsizetype at = 0; at < bytes.size() && !stopRequested; at += chunk) {
        const QByteArray part = bytes.mid(at, chunk);
        line.send(part);
        QThread::usleep(static_cast<unsigned long>(part.size() * 10'000'000LL / baud));
    }
}

// A finite number from lowest to highest, or nothing: "nan" and "inf" are
// numbers to QString, and would reach the sentences as garbage.
std::optional<double> numberIn(const QString& text, double lowest, double highest)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) && v >= lowest && v <= highest ? std::optional<double>(v)
                                                                 : std::nullopt;
}

bool parseSpan(const QString& text, double* from, double* length)
{
    const QStringList parts = text.split(u':');
    if (parts.size() != 2) {
        return false;
    }
    const std::optional<double> f = numberIn(parts[0], 0, kLongestSeconds);
    const std::optional<double> l = numberIn(parts[1], 0, kLongestSeconds);
    if (f && l) {
        *from = *f;
        *length = *l;
    }
    return f && l;
}

// The sentence's time of day, to group a log into receiver cycles.
QByteArray cycleKey(const QByteArray& line)
{
    if (line.startsWith('@')) {
        return line.mid(7, 6);
    }
    const QByteArray type = line.mid(3, 3);
    if (type == "RMC" || type == "GGA") {
        return line.mid(7, line.indexOf(',', 7) - 7);
    }
    return {};
}

// Ties the route's checkpoints to the intersections of a timing file: by
// study node numbers, or by the checkpoint file's signal column. Each way
// driven takes its through movement. An error names what is wrong.
QString tieSignals(const QList<route::Checkpoint>& checkpoints, const QString& timingFile,
                   const QString& nodeList, RouteDriveOptions* ro)
{
    const timing::SignalTiming t = timing::readSignalTiming(timingFile);
    if (!t.ok()) {
        return t.error;
    }
    const qsizetype n = checkpoints.size();
    QList<std::optional<int>> intidForward(n), intidBackward(n);
    if (!nodeList.isEmpty()) {
        QString error;
        const std::optional<QHash<int, int>> nodes = timing::parseSignalNodes(nodeList, &error);
        if (!nodes) {
            return error;
        }
        for (auto it = nodes->cbegin(); it != nodes->cend(); ++it) {
            const int node = it.key();
            if (node > n - 2) {
                return QStringLiteral("--signal-nodes: the route's nodes are 1 to %1; %2 is none")
                    .arg(n - 2)
                    .arg(node);
            }
            // A run numbers its nodes in the order it crosses them.
            intidForward[node] = it.value();
            intidBackward[n - 1 - node] = it.value();
        }
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            intidForward[i] = intidBackward[i] = checkpoints[i].signal;
        }
    }
    const route::CheckpointLines lines(checkpoints);
    ro->signalled = true;
    for (const route::Way way : {route::Way::Forward, route::Way::Backward}) {
        const bool forward = way == route::Way::Forward;
        const std::optional<timing::Movement> movement =
            timing::throughMovement(lines.runDirection(way));
        QList<std::optional<CheckpointSignal>>& into =
            forward ? ro->forwardSignals : ro->backwardSignals;
        into.resize(n);
        for (qsizetype i = 0; i < n; ++i) {
            const std::optional<int> id = (forward ? intidForward : intidBackward)[i];
            if (!id || !movement) {
                continue;
            }
            const timing::Intersection* x = t.find(*id);
            if (!x) {
                return QStringLiteral("%1 has no timing for intersection %2")
                    .arg(timingFile)
                    .arg(*id);
            }
            if (x->greens[int(*movement)].isEmpty()) {
                return QStringLiteral("intersection %1: %2")
                    .arg(*id)
                    .arg(x->whyNone[int(*movement)]);
            }
            into[i] = CheckpointSignal{*x, *movement};
        }
    }
    return {};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("gpssim");
    QCoreApplication::setApplicationVersion(version::text());
    QCommandLineParser p;
    p.setApplicationDescription(
        "A simulated GPS receiver on a pseudo-terminal (on Windows a TCP port on this computer), "
        "named as ports/comN where the collector looks, so that the collector opens it as port N.");
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption portOpt("port", "Port number N (link ports/comN).", "N", "1");
    const QCommandLineOption folderOpt(
        "program-folder",
        "Folder holding ports/ (default: the collector's beside gpssim, or "
        "~/.config/gps-collector when installed).",
        "DIR");
    const QCommandLineOption logOpt(
        "log", "Replay a recorded log ($ and @ lines; # lines skipped).", "FILE");
    const QCommandLineOption rateOpt("rate", "Fix cycles per second, 1 to 10.", "HZ", "1");
    const QCommandLineOption baudOpt(
        "baud", "Pace output as a serial line of this speed; 0 for no pacing.", "BAUD", "38400");
    const QCommandLineOption vtgOpt("vtg", "Send VTG after RMC and GGA.");
    const QCommandLineOption textOpt("text",
                                     "Send the fixed-column @ text sentence instead of NMEA.");
    const QCommandLineOption talkerOpt("talker", "Talker before RMC, GGA, VTG.", "XX", "GP");
    const QCommandLineOption lfOpt("lf", "End lines with LF only.");
    const QCommandLineOption lossOpt(
        "fix-loss", "Lose the fix from second S for L seconds (empty fields, quality 0).", "S:L");
    const QCommandLineOption silentOpt("silent", "Go silent from second S for L seconds.", "S:L");
    const QCommandLineOption secondsOpt(
        "seconds", "Stop after this many seconds (default: run until stopped).", "S");
    const QCommandLineOption loopOpt("loop", "Replay the log again and again.");
    const QCommandLineOption routeOpt(
        "route",
        "Drive the route of a checkpoint file back and forth instead, waiting before every "
        "checkpoint.",
        "FILE");
    const QCommandLineOption waitOpt(
        "route-wait", "Seconds waited before each checkpoint, 0 to 86400.", "S", "30");
    const QCommandLineOption noiseOpt(
        "noise", "Position error of the route drive, metres (one standard deviation), 0 to 1000.",
        "M", "0");
    const QCommandLineOption truthOpt(
        "truth",
        "Write where the route drive truly crossed each checkpoint, and at signals whether it "
        "arrived on green, to FILE (CSV).",
        "FILE");
    const QCommandLineOption signalsOpt(
        "signals",
        "Signal timing (combined UTDF CSV, or intid,cycle_s,movement,green_start_s,green_end_s): "
        "the route drive stops at the checkpoints' signals on red only.",
        "FILE");
    const QCommandLineOption signalNodesOpt(
        "signal-nodes",
        "Which study nodes are which intersections of --signals, as N=INTID,... (node N is the "
        "Nth checkpoint crossed after the run's start); else the route file's signal column.",
        "LIST");
    const QCommandLineOption cycleZeroOpt(
        "cycle-zero", "The local time of day from which every controller counts its cycles.",
        "HH:MM:SS", "00:00:00");
    const QCommandLineOption toFileOpt(
        "to-file",
        "Write the sentences to FILE as fast as they are made, for --seconds of drive, instead "
        "of to a port.",
        "FILE");
    const QCommandLineOption quietOpt("quiet", "Print nothing but errors.");
    const QCommandLineOption echoOpt("echo", "Print every sentence sent.");
    p.addOptions({portOpt,        folderOpt,    logOpt,    rateOpt,  baudOpt,   vtgOpt,
                  textOpt,        talkerOpt,    lfOpt,     lossOpt,  silentOpt, secondsOpt,
                  loopOpt,        routeOpt,     waitOpt,   noiseOpt, truthOpt,  signalsOpt,
                  signalNodesOpt, cycleZeroOpt, toFileOpt, quietOpt, echoOpt});
    p.process(app);

    bool ok = false;
    const int port = p.value(portOpt).toInt(&ok);
    if (!ok || port < 1 || port > 32) {
        std::fprintf(stderr, "gpssim: --port takes a number from 1 to 32\n");
        return 2;
    }
    const int rate = p.value(rateOpt).toInt(&ok);
    if (!ok || rate < 1 || rate > 10) {
        std::fprintf(stderr, "gpssim: --rate takes a number from 1 to 10\n");
        return 2;
    }
    const int baud = p.value(baudOpt).toInt(&ok);
    if (!ok || baud < 0 || baud > 4'000'000) {
        std::fprintf(stderr, "gpssim: --baud takes a speed in bit/s up to 4000000, or 0\n");
        return 2;
    }
    DriveOptions o;
    o.rateHz = rate;
    o.vtg = p.isSet(vtgOpt);
    o.text = p.isSet(textOpt);
    o.talker = p.value(talkerOpt);
    o.lfOnly = p.isSet(lfOpt);
    // Anything else could put a '$', '*' or ',' into the sentence's type.
    if (o.talker.size() != 2 || !std::all_of(o.talker.begin(), o.talker.end(),
                                             [](QChar c) { return c >= u'A' && c <= u'Z'; })) {
        std::fprintf(stderr, "gpssim: --talker takes two capital letters\n");
        return 2;
    }
    if (p.isSet(lossOpt) && !parseSpan(p.value(lossOpt), &o.fixLossFrom, &o.fixLossSeconds)) {
        std::fprintf(stderr, "gpssim: --fix-loss takes S:L, seconds\n");
        return 2;
    }
    double silentFrom = -1;
    double silentLength = 0;
    if (p.isSet(silentOpt) && !parseSpan(p.value(silentOpt), &silentFrom, &silentLength)) {
        std::fprintf(stderr, "gpssim: --silent takes S:L, seconds\n");
        return 2;
    }
    double stopAfter = -1;
    if (p.isSet(secondsOpt)) {
        const std::optional<double> seconds = numberIn(p.value(secondsOpt), 0, kLongestSeconds);
        if (!seconds) {
            std::fprintf(stderr, "gpssim: --seconds takes a number of seconds from 0 up\n");
            return 2;
        }
        stopAfter = *seconds;
    }
    const std::optional<double> wait = numberIn(p.value(waitOpt), 0, 86400);
    if (!wait) {
        std::fprintf(stderr, "gpssim: --route-wait takes seconds from 0 to 86400\n");
        return 2;
    }
    const std::optional<double> noise = numberIn(p.value(noiseOpt), 0, 1000);
    if (!noise) {
        std::fprintf(stderr, "gpssim: --noise takes metres from 0 to 1000\n");
        return 2;
    }
    const bool quiet = p.isSet(quietOpt);

    QList<QByteArray> logLines;
    if (p.isSet(logOpt)) {
        QFile f;
        if (openRegularFile(f, p.value(logOpt)) != RegularFile::Opened) {
            std::fprintf(stderr, "gpssim: cannot read %s\n", qPrintable(p.value(logOpt)));
            return 1;
        }
        for (const QByteArray& raw : f.readAll().split('\n')) {
            QByteArray line = raw.trimmed();
            if (line.startsWith('$') || line.startsWith('@')) {
                logLines.append(line + (o.lfOnly ? "\n" : "\r\n"));
            }
        }
        if (logLines.isEmpty()) {
            std::fprintf(stderr, "gpssim: no sentences in %s\n", qPrintable(p.value(logOpt)));
            return 1;
        }
    }

    QDateTime start = QDateTime::currentDateTimeUtc();
    start.setTime(QTime(start.time().hour(), start.time().minute(), start.time().second()));
    std::optional<RouteDrive> routeDrive;
    if (p.isSet(routeOpt)) {
        const route::CheckpointList route = route::readCheckpoints(p.value(routeOpt));
        if (!route.ok()) {
            std::fprintf(stderr, "gpssim: %s\n", qPrintable(route.error));
            return 1;
        }
        RouteDriveOptions ro;
        ro.rateHz = rate;
        ro.waitSeconds = *wait;
        ro.noiseM = *noise;
        for (const route::Checkpoint& c : route.checkpoints) {
            if (std::fabs(c.latitude) > kFurthestLatitude) {
                std::fprintf(stderr,
                             "gpssim: %s: checkpoint %s lies within a degree of a pole; the "
                             "route drive keeps between %gS and %gN\n",
                             qPrintable(p.value(routeOpt)), qPrintable(c.name), kFurthestLatitude,
                             kFurthestLatitude);
                return 1;
            }
        }
        if (p.isSet(signalsOpt)) {
            const QTime zero = QTime::fromString(p.value(cycleZeroOpt), QStringLiteral("HH:mm:ss"));
            if (!zero.isValid()) {
                std::fprintf(stderr, "gpssim: --cycle-zero takes a time of day HH:MM:SS\n");
                return 2;
            }
            const QString error =
                tieSignals(route.checkpoints, p.value(signalsOpt), p.value(signalNodesOpt), &ro);
            if (!error.isEmpty()) {
                std::fprintf(stderr, "gpssim: %s\n", qPrintable(error));
                return 1;
            }
            // The collector records the PC's local time; the controllers count on it too.
            ro.startSecondOfDay = start.toLocalTime().time().msecsSinceStartOfDay() / 1000.0;
            ro.cycleZeroSecondOfDay = zero.msecsSinceStartOfDay() / 1000.0;
        } else if (p.isSet(signalNodesOpt)) {
            std::fprintf(stderr, "gpssim: --signal-nodes needs --signals\n");
            return 2;
        }
        routeDrive.emplace(route.checkpoints, ro);
    } else if (p.isSet(signalsOpt)) {
        std::fprintf(stderr, "gpssim: --signals needs --route\n");
        return 2;
    }
    // Where the route drive truly crossed the checkpoints, written as the drive ends.
    const auto writeTruth = [&] {
        if (!routeDrive || !p.isSet(truthOpt)) {
            return true;
        }
        QFile f(p.value(truthOpt));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "gpssim: cannot write %s\n", qPrintable(p.value(truthOpt)));
            return false;
        }
        f.write("seconds,utc,checkpoint,way,arrival,unslowed_seconds\n");
        for (const TrueCrossing& c : routeDrive->crossings()) {
            const QDateTime at = start.addMSecs(qint64(std::llround(c.seconds * 1000)));
            f.write(QByteArray::number(c.seconds, 'f', 3) + ',' +
                    at.toString(Qt::ISODateWithMs).toLatin1() + ',' +
                    QByteArray::number(c.checkpoint) + ',' + (c.forward ? "forward" : "backward") +
                    ',' +
                    (!c.arrivedOnGreen   ? ""
                     : *c.arrivedOnGreen ? "green"
                                         : "red") +
                    ',' + (c.arrivedOnGreen ? QByteArray::number(c.unslowedSeconds, 'f', 3) : "") +
                    '\n');
        }
        return true;
    };
    if (p.isSet(toFileOpt)) {
        // As fast as it is made: a day of driving for a measurement.
        if (stopAfter < 0) {
            std::fprintf(stderr, "gpssim: --to-file needs --seconds\n");
            return 2;
        }
        QFile out(p.value(toFileOpt));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "gpssim: cannot write %s\n", qPrintable(p.value(toFileOpt)));
            return 1;
        }
        SyntheticDrive synthetic(o, start);
        for (qint64 cycle = 0; double(cycle) / rate < stopAfter; ++cycle) {
            const DriveState s = routeDrive ? routeDrive->step() : synthetic.step();
            out.write(ReceiverSentences(o, start, s));
        }
        return writeTruth() && out.flush() ? 0 : 1;
    }

    const QString folder =
        p.isSet(folderOpt)
            ? p.value(folderOpt)
            : locations::forProgramIn(QCoreApplication::applicationDirPath()).settingsFolder;
    const QString portsDir = QDir(folder).filePath("ports");
    QDir().mkpath(portsDir);
    const QString link =
        QDir::toNativeSeparators(QDir(portsDir).filePath(locations::system::portEntryName(port)));
    ReceiverLine line;
    if (QString why; !line.open(link, &why)) {
        std::fprintf(stderr, "gpssim: %s\n", qPrintable(why));
        return 1;
    }
    onStopSignals(requestStop);
    if (!quiet) {
        std::printf("gpssim: port %d is %s (%s), %d Hz%s\n", port, qPrintable(link),
                    qPrintable(line.name()), rate,
                    !logLines.isEmpty() ? ", replaying a log"
                    : routeDrive        ? ", driving the route"
                                        : ", synthetic drive");
        std::fflush(stdout);
    }

    SyntheticDrive drive(o, start);
    QElapsedTimer clock;
    clock.start();
    const qint64 periodMs = 1000 / rate;
    qint64 cycle = 0;
    qsizetype logAt = 0;
    bool logDone = false;
    while (!stopRequested && !logDone) {
        const double elapsed = double(cycle) / rate;
        if (stopAfter >= 0 && elapsed >= stopAfter) {
            break;
        }
        const bool silent = elapsed >= silentFrom && elapsed < silentFrom + silentLength;
        QByteArray out;
        QString progress;
        if (!logLines.isEmpty()) {
            // One receiver cycle: the lines up to the next change of time of day.
            QByteArray key;
            while (logAt < logLines.size()) {
                const QByteArray k = cycleKey(logLines[logAt]);
                if (!k.isEmpty() && !key.isEmpty() && k != key) {
                    break;
                }
                if (!k.isEmpty()) {
                    key = k;
                }
                out += logLines[logAt++];
            }
            if (logAt >= logLines.size()) {
                logAt = 0;
                logDone = !p.isSet(loopOpt);
            }
            progress = QStringLiteral("%1  line %2 of %3")
                           .arg(QString::fromLatin1(key))
                           .arg(logDone ? logLines.size() : logAt)
                           .arg(logLines.size());
        } else {
            const DriveState s = routeDrive ? routeDrive->step() : drive.step();
            out = ReceiverSentences(o, start, s);
            progress = QStringLiteral("%1 s  %2 %3  %4 mph  %5")
                           .arg(s.seconds, 6, 'f', 1)
                           .arg(s.latitude, 10, 'f', 6)
                           .arg(s.longitude, 11, 'f', 6)
                           .arg(s.speedMps * 2.23694, 5, 'f', 1)
                           .arg(s.fix ? "fix" : "NO FIX");
        }
        if (silent) {
            progress += QStringLiteral("  (silent)");
        } else {
            paced(line, out, baud);
        }
        if (!quiet && (cycle % rate == 0)) {
            std::printf("%s\n", qPrintable(progress));
        }
        if (p.isSet(echoOpt) && !silent) {
            std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        }
        std::fflush(stdout);
        ++cycle;
        const qint64 wait = cycle * periodMs - clock.elapsed();
        if (wait > 0) {
            QThread::msleep(static_cast<unsigned long>(wait));
        }
    }
    line.close();
    return writeTruth() ? 0 : 1;
}
