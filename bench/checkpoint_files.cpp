// What reading a checkpoint file of the largest size taken (16 MB) costs:
// time and peak memory, each file read in a process of its own, for files
// that are as large as a real one can be and for files made to hurt.
//
//   checkpoint_files [FOLDER]      the files are made in FOLDER (default: a temporary one)

#include "CheckpointFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr qsizetype kSize = 16 * 1024 * 1024 - 4096; // just under the limit

// The process's peak resident memory, kB. getrusage's figure is brought up
// to date only now and then; the status file's is worked out when read.
long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

// Reads one file and prints "milliseconds peak-growth-kB said".
int readOne(const QString& path)
{
    const long before = peakKb(); // the program's own, before the file
    QElapsedTimer clock;
    clock.start();
    const route::CheckpointList read = route::readCheckpoints(path);
    const qint64 ms = clock.elapsed();
    std::printf("%lld %ld %s\n", ms, peakKb() - before,
                qPrintable(read.ok() ? QStringLiteral("%1 checkpoints").arg(read.checkpoints.size())
                                     : read.error.section(u':', 1).left(70)));
    return 0;
}

// A file of about kSize: head, then rows made by row(i) until it is full, then tail.
QByteArray filled(const QByteArray& head, const std::function<QByteArray(int)>& row,
                  const QByteArray& tail)
{
    QByteArray out = head;
    for (int i = 0;; ++i) {
        const QByteArray next = row(i);
        if (out.size() + next.size() + tail.size() > kSize) {
            break;
        }
        out += next;
    }
    return out + tail;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--read") {
        return readOne(QString::fromLocal8Bit(argv[2]));
    }
    QTemporaryDir temporary;
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path());
    const QByteArray pad(17000, 'x'); // a column, description or property nobody reads
    const auto lat = [](int i) { return QByteArray::number(40.0 + (i % 1000) * 0.001, 'f', 3); };
    const QList<std::pair<const char*, QByteArray>> files = {
        {"csv, 1000 rows with a 17 kB column", filled(
                                                   "name,latitude,longitude,note\n",
                                                   [&](int i) {
                                                       return "p" + QByteArray::number(i) + "," +
                                                              lat(i) + ",-74," + pad + "\n";
                                                   },
                                                   "")},
        {"csv, a 16 MB latitude",
         "name,latitude,longitude\nA," + QByteArray(kSize - 40, '9') + ",1\n"},
        {"csv, 16 MB of empty lines", QByteArray(kSize, '\n')},
        {"gpx, 1000 waypoints with a 17 kB description",
         filled(
             "<gpx>",
             [&](int i) {
                 return "<wpt lat=\"" + lat(i) + "\" lon=\"-74\"><name>p</name><desc>" + pad +
                        "</desc></wpt>\n";
             },
             "</gpx>\n")},
        {"gpx, an entity of 4,000 characters used 5 million times",
         filled(
             "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [<!ENTITY e \"" + QByteArray(4000, 'x') +
                 "\">]>\n<gpx><wpt lat=\"1\" lon=\"1\"><name>",
             [](int) { return QByteArray("&e;"); }, "</name></wpt></gpx>\n")},
        {"geojson, 1000 points with a 17 kB property",
         filled(
             "{\"type\":\"FeatureCollection\",\"features\":[",
             [&](int i) {
                 return QByteArray(i ? "," : "") +
                        "{\"type\":\"Feature\",\"properties\":{\"name\":\"p\",\"note\":\"" + pad +
                        "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[-74," + lat(i) +
                        "]}}";
             },
             "]}")},
    };
    std::printf("| file (16 MB) | read in | peak memory growth | result |\n|---|---|---|---|\n");
    for (const auto& [what, bytes] : files) {
        const QString path = dir.filePath("file");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
            return 1;
        }
        f.close();
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--read", path});
        child.waitForFinished(-1);
        const QList<QByteArray> got = child.readAllStandardOutput().trimmed().split(' ');
        if (got.size() < 3) {
            return 1;
        }
        std::printf("| %s | %s ms | %.0f MB | %s |\n", what, got[0].constData(),
                    got[1].toDouble() / 1024, got.mid(2).join(' ').constData());
    }
    return 0;
}
