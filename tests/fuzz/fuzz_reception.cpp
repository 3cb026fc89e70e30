// libFuzzer target over reception: bytes of any kind, split into reads of
// any size, through framing, dispatch, the four decoders, validation and the
// recording step. The first byte chooses receiver, run state, read size and
// how the bytes are cut into arrivals.

#include "Collector.h"
#include "CollectorView.h"
#include "Conversions.h"
#include "FakeCommPort.h"
#include "Fields.h"
#include "MemoryFiles.h"
#include "Settings.h"
#include "StudyWriter.h"
#include "TestDoubles.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

struct TextMakingView final : CollectorView
{
    void setStatus(QLatin1StringView text) override { sink += text.size(); }
    void showStartButton() override {}
    void showLabels(const GpsLabels& l) override
    {
        // Make every label's text, as a window would.
        for (const LabelText* t :
             {&l.Time, &l.Latitude, &l.Longitude, &l.Speed, &l.GPSQual, &l.NumSats, &l.HDOP}) {
            sink += t->text().size();
        }
    }
    void addGridRow(const FixRecord&) override {}
    void paintSurfaces(quint32) override {}
    void showFileNotice(const QString&) override {}
    qsizetype sink = 0;
};

// One study for all inputs, in memory: a fuzzer that wrote a real file for
// every input would spend its time in the file system.
struct World
{
    MemoryFiles files;
    // Without a time zone: a local clock consults the zone's file at every
    // step, and the zone is not what is under test.
    ManualClock clock{QDateTime(QDate(2010, 3, 1), QTime(7, 35, 40), Qt::UTC)};
    StudySettings settings;
    StudyWriter writer{files, clock};
    const QString path = QStringLiteral("/fuzz/Test-1.gd2");

    World()
    {
        writer.setStudy(path, PrefsRecord());
        writer.OpenStudyFile(true);
        writer.close();
    }
};

const char* const kReceivers[] = {"Standard USB", "Holux 210", "GeoExplorer 3", "Garmin 76(text)",
                                  "Multi-GNSS (any talker)"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static World world;
    if (size == 0) {
        return 0;
    }
    const uint8_t options = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    // The clock offset is the collector's own: a new collector per input
    // finds it from the input's first readable time.
    world.settings.GPSName = QString::fromLatin1(kReceivers[options % 5]);

    TextMakingView view;
    FakeCommPort port;
    port.setRThreshold(1);
    port.setInputLen((options & 0x40) ? 1 : 0);
    Collector c(world.settings, world.writer, world.clock, view);
    QObject::connect(&port, &CommPort::OnComm, [&] { c.OnComm(port); });
    world.clock.advanceSecs(1);
    c.Tick();
    if (options & 0x80) {
        c.StartRun();
    }
    // One input in eight arrives a few characters an event; the rest in larger
    // pieces, which split sentences anywhere as well at a fraction of the cost.
    const int chunk = (options & 0x38) == 0 ? 1 + (options & 0x07) : 38 + (options & 0x07) * 37;
    const qint64 lengthBefore = world.files.contents(world.path).size();
    port.feed(bytes, chunk);

    // The first two fields also go through the conversions directly, whatever
    // sentence holds them: the quick reading of degrees must agree with the
    // rewriting one on any text.
    qint16 cursor = 1;
    for (int i = 0; i < 2 && cursor <= bytes.size(); ++i) {
        const QByteArrayView field = GetNextField(QByteArrayView(bytes), cursor);
        SafeDouble(field);
        SafeSingle(field);
        SafeInteger(field);
        SafeDate(field);
        QString text = QString::fromLatin1(field);
        const double rewritten = NmeaToDegrees(text);
        const double direct = NmeaDegrees(field);
        if (direct != rewritten && !(std::isnan(direct) && std::isnan(rewritten))) {
            std::abort();
        }
        FormatLatitude(direct);
    }
    world.clock.advanceSecs(1);
    c.Tick();
    c.StopRun();
    // Every record is whole, and comes from a line with its end: input
    // without a line feed is never a fix. Start afresh when the file grows large.
    const qint64 length = world.files.contents(world.path).size();
    if ((length - 272) % 48 != 0 || (length > lengthBefore && !bytes.contains('\n'))) {
        std::abort();
    }
    if (length > 4 * 1024 * 1024) {
        world.writer.OpenStudyFile(true);
        world.writer.close();
    }
    return 0;
}
