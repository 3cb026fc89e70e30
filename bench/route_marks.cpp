// Where the collector's runs by position fall against where a simulated
// drive truly crossed its checkpoints. The drive is one gpssim wrote with
// --route --to-file --truth; it goes through the collecting core as a port
// delivers it, the clock following the receiver's time.
//
//   route_marks CHECKPOINTS SENTENCES TRUTH RATE

#include "Collector.h"
#include "CollectorView.h"
#include "FakeCommPort.h"
#include "MemoryFiles.h"
#include "Settings.h"
#include "StudyWriter.h"
#include "TestDoubles.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Mark
{
    long fix = 0; // the fix the command went into, from 0
    QString what;
};

// Every start, node and stop, with the fix it went into.
struct MarkView final : NullView
{
    long fix = 0; // the fix being closed
    QList<Mark> marks;

    void showRunStarted(bool byRoute) override { note(byRoute ? "start" : "start by key"); }
    void showRunStopped() override { note("stop"); }
    void showNodeMarked() override { note("node"); }
    void note(const char* what) { marks.append({fix, what}); }
};

double secondsOfDay(const QByteArray& hhmmss)
{
    return hhmmss.mid(0, 2).toInt() * 3600 + hhmmss.mid(2, 2).toInt() * 60 +
           hhmmss.mid(4).toDouble();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: route_marks CHECKPOINTS SENTENCES TRUTH RATE\n");
        return 2;
    }
    const route::CheckpointList route = route::readCheckpoints(QString::fromLocal8Bit(argv[1]));
    QFile sentences(QString::fromLocal8Bit(argv[2]));
    QFile truthFile(QString::fromLocal8Bit(argv[3]));
    const double rate = std::atof(argv[4]);
    if (!route.ok() || !sentences.open(QIODevice::ReadOnly) ||
        !truthFile.open(QIODevice::ReadOnly) || rate <= 0) {
        std::fprintf(stderr, "route_marks: cannot read the route, the sentences or the truth\n");
        return 1;
    }
    QList<double> truth; // seconds since the drive began
    QDate day;
    for (const QByteArray& line : truthFile.readAll().split('\n').mid(1)) {
        const QList<QByteArray> f = line.split(',');
        if (f.size() == 4) {
            day = QDateTime::fromString(QString::fromLatin1(f[1]), Qt::ISODateWithMs).date();
            truth << f[0].toDouble();
        }
    }

    // The PC in UTC, its clock set to the receiver's: record times are UTC.
    MemoryFiles files;
    ManualClock clock(QDateTime(day, QTime(0, 0), QTimeZone::utc()));
    StudySettings settings;
    settings.GPSName = QStringLiteral("Standard USB");
    settings.Checkpoints = route.checkpoints;
    StudyWriter writer(files, clock);
    writer.setStudy(QStringLiteral("/bench/Route-1.gd2"), PrefsRecord());
    writer.OpenStudyFile(true);
    writer.close();
    MarkView view;
    FakeCommPort port;
    port.setRThreshold(1);
    Collector c(settings, writer, clock, view);
    QObject::connect(&port, &CommPort::OnComm, [&] { c.OnComm(port); });

    long lastSecond = -1;
    long rmcs = 0;
    for (const QByteArray& line : sentences.readAll().split('\n')) {
        if (line.startsWith("$GPRMC,")) {
            // Its start character closes the fix before it, whose GGA ends a cycle.
            view.fix = rmcs++ - 1;
            const double t = secondsOfDay(line.mid(7, 9));
            clock.set(QDateTime(day, QTime::fromMSecsSinceStartOfDay(int(t * 1000) + 500),
                                QTimeZone::utc()));
            if (long(t) != lastSecond) {
                lastSecond = long(t);
                c.Tick();
            }
        }
        port.feed(line + '\n');
    }
    view.fix = rmcs - 1;
    port.feed("$");

    // Each true crossing against the mark nearest it.
    QList<bool> used(view.marks.size(), false);
    QList<int> off;
    int missed = 0;
    for (const double t : truth) {
        // The first fix at or after the crossing: where a perfect observer's key goes in.
        const long crossingFix = long(std::ceil(t * rate - 1e-6));
        int best = -1;
        for (qsizetype i = 0; i < view.marks.size(); ++i) {
            const long d = std::labs(view.marks[i].fix - crossingFix);
            if (!used[i] && d < 30 * rate &&
                (best < 0 || d < std::labs(view.marks[best].fix - crossingFix))) {
                best = int(i);
            }
        }
        if (best < 0) {
            ++missed;
            continue;
        }
        used[best] = true;
        off << int(view.marks[best].fix - crossingFix);
    }
    const long falseMarks = std::count(used.begin(), used.end(), false);
    QList<int> sorted;
    for (int o : off) {
        sorted << std::abs(o);
    }
    std::sort(sorted.begin(), sorted.end());
    const long within2 = std::count_if(sorted.begin(), sorted.end(), [](int o) { return o <= 2; });
    const long late = std::count_if(off.begin(), off.end(), [](int o) { return o > 0; });
    std::printf("%.0f Hz: %lld true crossings, %lld marks; %d missed, %ld false or double\n", rate,
                truth.size(), view.marks.size(), missed, falseMarks);
    if (!sorted.isEmpty()) {
        std::printf("  fixes from the crossing: median %d, 95th percentile %d, most %d; "
                    "within 2 fixes %.1f %%; after it %.1f %%\n",
                    sorted[sorted.size() / 2], sorted[sorted.size() * 95 / 100], sorted.last(),
                    100.0 * within2 / sorted.size(), 100.0 * late / sorted.size());
    }
    return missed == 0 && falseMarks == 0 ? 0 : 1;
}
