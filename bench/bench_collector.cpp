// What the collector costs: reception and decoding of a long NMEA stream,
// the same with every record written durably, a grid row at 100 and at
// 100,000 rows, and the memory of a 12-hour run at 10 Hz.
//
// Two more modes serve the comparison with other NMEA parsers:
//   --write-stream FILE   writes the benchmark stream, to time others on it
//   --values FILE         decodes every RMC, GGA and VTG of a stream and prints
//                         the values, to check them against another reading

#include "Collector.h"
#include "CollectorView.h"
#include "Decoders.h"
#include "Drive.h"
#include "FakeCommPort.h"
#include "GpsClock.h"
#include "Sentences.h"
#include "SignalTiming.h"
#include "TestSupport.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// A day's worth of receiver output: RMC, GGA, VTG and the satellite
// sentences a receiver sends between them.
const QByteArray& stream()
{
    static const QByteArray bytes = [] {
        DriveOptions o;
        o.vtg = true;
        SyntheticDrive drive(o, QDateTime(QDate(2010, 3, 1), QTime(12, 0), Qt::UTC));
        const QByteArray gsv =
            NmeaSentence("GPGSA,A,3,05,07,13,18,30,,,,,,,,1.72,1.01,1.39", false) +
            NmeaSentence("GPGSV,2,1,06,05,40,083,46,07,23,296,41,13,61,212,45,18,15,045,38",
                         false) +
            NmeaSentence("GPGSV,2,2,06,30,12,154,33,15,08,321,", false);
        QByteArray out;
        while (out.size() < 16 * 1024 * 1024) {
            out += drive.sentences(drive.step()) + gsv;
        }
        return out;
    }();
    return bytes;
}

// A study as the set-up leaves it, and the collector fed from a port.
struct Bench : TestStudy
{
    NullView view;
    FakeCommPort port;
    Collector c{settings, writer, clock, view};

    Bench()
    {
        clock.set(QDateTime(QDate(2010, 3, 1), QTime(13, 0)));
        port.setRThreshold(1);
        QObject::connect(&port, &CommPort::OnComm, [this] { c.OnComm(port); });
    }

    // The main window over the same study, its port kept for feeding.
    std::unique_ptr<frmMain> window(FakeCommPort*& windowPort)
    {
        auto p = std::make_unique<FakeCommPort>();
        windowPort = p.get();
        auto w = std::make_unique<frmMain>(settings, writer, platform, std::move(p));
        w->Form_Load();
        w->tmrCurTime->stop();
        w->show();
        return w;
    }
};

void feedInChunks(FakeCommPort& port, const QByteArray& bytes)
{
    // As a serial driver delivers them: a few hundred bytes an event.
    constexpr qsizetype kChunk = 512;
    for (qsizetype at = 0; at < bytes.size(); at += kChunk) {
        port.feed(bytes.mid(at, kChunk));
    }
}

void ReceptionAndDecoding(benchmark::State& state)
{
    Bench b;
    const QByteArray& s = stream();
    for (auto _ : state) {
        feedInChunks(b.port, s);
    }
    const auto sentences = s.count('$');
    state.SetBytesProcessed(int64_t(state.iterations()) * s.size());
    state.counters["sentences/s"] = benchmark::Counter(
        double(sentences) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ReceptionAndDecoding)->Unit(benchmark::kMillisecond);

void ReceptionDecodingAndDurableRecords(benchmark::State& state)
{
    Bench b;
    const QByteArray& s = stream();
    b.c.StartRun();
    for (auto _ : state) {
        feedInChunks(b.port, s);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * s.size());
    state.counters["records/s"] = benchmark::Counter(
        double(s.count("GPGGA")) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(ReceptionDecodingAndDurableRecords)->Unit(benchmark::kMillisecond);

void GridRowAt(benchmark::State& state)
{
    Bench b;
    FakeCommPort* port = nullptr;
    const auto window = b.window(port);
    frmMain& w = *window;
    FixRecord fix;
    fix.FixTime = 40238.5;
    fix.SpeedMph = 25.78f;
    fix.Latitude = 48.1173;
    fix.Longitude = 11.516667;
    fix.HDOP = 0.9f;
    for (int64_t i = 0; i < state.range(0); ++i) {
        w.AddGridRow(fix);
    }
    QApplication::processEvents();
    for (auto _ : state) {
        w.AddGridRow(fix);
        QApplication::processEvents(); // the view takes the new row in
    }
}
BENCHMARK(GridRowAt)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

// From the start character that completes a sentence to its values painted
// on the labels.
void SentenceToLabels(benchmark::State& state)
{
    Bench b;
    FakeCommPort* windowPort = nullptr;
    const auto window = b.window(windowPort);
    FakeCommPort& port = *windowPort;
    DriveOptions o;
    SyntheticDrive drive(o, QDateTime(QDate(2010, 3, 1), QTime(12, 0), Qt::UTC));
    port.feed(drive.sentences(drive.step()));
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        const QByteArray cycle = drive.sentences(drive.step());
        port.feed(cycle); // the GGA waits for the next start character
        state.ResumeTiming();
        port.feed("$");
        QApplication::processEvents(); // painted
    }
}
BENCHMARK(SentenceToLabels)->Unit(benchmark::kMicrosecond);

// A corridor's timing file of 40,000 lines: the sections of a real one,
// each row repeated for more intersections (INTID + 1000 k).
QByteArray largeUtdf()
{
    QFile f(QStringLiteral(VT_TEST_DATA "/timing/utdf-bullhead.csv"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray out;
    QList<QByteArray> rows;
    const auto flush = [&] {
        for (int k = 0; k < 35; ++k) {
            for (const QByteArray& row : rows) {
                QList<QByteArray> fields = row.split(',');
                fields[1] = QByteArray::number(fields[1].toInt() + 1000 * k);
                out += fields.join(',') + '\n';
            }
        }
        rows.clear();
    };
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        bool numbered = false;
        if (fields.size() > 2) {
            fields[1].toInt(&numbered);
        }
        if (numbered && !line.startsWith("INTID")) {
            rows.append(line);
        } else {
            flush();
            out += line + '\n';
        }
    }
    flush();
    return out;
}

void ReadUtdf40000Lines(benchmark::State& state)
{
    const QByteArray content = largeUtdf();
    for (auto _ : state) {
        const timing::SignalTiming t = timing::parseSignalTiming(content, QStringLiteral("x.csv"));
        if (!t.ok()) {
            state.SkipWithError(qPrintable(t.error));
        }
        benchmark::DoNotOptimize(t.intersections.size());
    }
    state.counters["lines"] = double(content.count('\n'));
}
BENCHMARK(ReadUtdf40000Lines)->Unit(benchmark::kMillisecond);

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Twelve hours at 10 Hz: 432,000 records through reception, the grid and the file.
void TwelveHourRunMemory(benchmark::State& state)
{
    for (auto _ : state) {
        Bench b;
        FakeCommPort* port = nullptr;
        const auto window = b.window(port);
        frmMain& w = *window;
        DriveOptions o;
        o.rateHz = 10;
        SyntheticDrive drive(o, QDateTime(QDate(2010, 3, 1), QTime(0, 0), Qt::UTC));
        w.btnStartStopRun_Click();
        QApplication::processEvents();
        const long before = residentKiB();
        for (int cycle = 0; cycle < 432000; ++cycle) {
            port->feed(drive.sentences(drive.step()));
            if (cycle % 1000 == 0) {
                QApplication::processEvents();
            }
        }
        QApplication::processEvents();
        state.counters["records"] = double((QFileInfo(b.writer.path()).size() - 272) / 48);
        state.counters["growth MB"] = double(residentKiB() - before) / 1024.0;
    }
}
BENCHMARK(TwelveHourRunMemory)->Iterations(1)->Unit(benchmark::kSecond);

int writeStream(const char* path)
{
    QFile out(QString::fromLocal8Bit(path));
    if (!out.open(QIODevice::WriteOnly) || out.write(stream()) != stream().size()) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

// One line per RMC, GGA or VTG (any talker): type, GPS time of day in
// seconds, latitude, longitude, mph, course, quality, satellites, HDOP; a
// field the sentence left missing is empty.
int printValues(const char* path)
{
    QFile in(QString::fromLocal8Bit(path));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    // The PC clock agrees with GPS time, so the fix time is GPS time.
    ManualClock pc{QDateTime(QDate(2010, 3, 1), QTime(12, 0))};
    qint16 offset = 0;
    GpsClock clock(offset, pc);
    const auto put = [](auto value, auto missingValue, const char* format) {
        if (value != missingValue) {
            std::printf(format, value);
        }
    };
    while (!in.atEnd()) {
        QByteArray line = in.readLine().trimmed();
        const SentenceRule* rule = FindSentence(line, true);
        if (!rule || rule->tag[0] == '@') {
            continue;
        }
        line += "\r\n"; // as framing hands it on
        FixRecord fix;
        DecodeContext ctx{fix, clock, 0.0, false};
        rule->decode(line, ctx);
        std::printf("%s,", rule->tag);
        if (fix.FixTime != missing::kDouble) {
            std::printf("%.3f", std::round(fix.FixTime * 86400000.0) / 1000.0);
        }
        std::putchar(',');
        put(fix.Latitude, missing::kDouble, "%.9f");
        std::putchar(',');
        put(fix.Longitude, missing::kDouble, "%.9f");
        std::putchar(',');
        put(double(fix.SpeedMph), double(missing::kSingle), "%.6f");
        std::putchar(',');
        put(double(fix.Course), double(missing::kCourse), "%.6f");
        std::putchar(',');
        put(int(fix.FixQuality), int(missing::kInteger), "%d");
        std::putchar(',');
        put(int(fix.NumSats), int(missing::kInteger), "%d");
        std::putchar(',');
        put(double(fix.HDOP), double(missing::kSingle), "%.6f");
        std::putchar('\n');
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--write-stream") {
        return writeStream(argv[2]);
    }
    if (argc == 3 && std::string(argv[1]) == "--values") {
        return printValues(argv[2]);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
