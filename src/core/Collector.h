#pragma once
// The main window's logic without its widgets: reception and framing of the
// serial stream, decoding into the current fix, the recording step, the clock
// tick and the run commands. Everything runs on the GUI thread, one event at
// a time. The collector owns the current fix and the clock offset.

#include "Decoders.h"
#include "FixRecord.h"
#include "GpsClock.h"
#include "RouteMatcher.h"
#include "SentenceFramer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

class CommPort;
class CollectorView;
class PcClock;
class RouteFollower;
class StudyWriter;
struct ReceiverProfile;
struct SentenceRule;
struct StudySettings;

class Collector
{
public:
    // The receiver is the one the settings name; it is decided here, once.
    // With checkpoints in the settings, the route starts, marks and stops
    // runs as the keys would.
    Collector(const StudySettings& settings, StudyWriter& writer, const PcClock& clock,
              CollectorView& view);
    ~Collector();

    // ----- reception
    // Every event of the port: line conditions, or characters to frame.
    void OnComm(CommPort& port);
    // What the framer hands on: a sentence is checked, shown, decoded, and
    // recorded when it closes a fix; a cut-off or over-long line is shown as
    // what it is and counted.
    void HandleFramed(const FramedText& framed);

    // ----- clock
    // The one-second tick: the clock for command repeats, the no-data count,
    // the colour of the surfaces; during a run the study file goes to disk.
    void Tick();

    // ----- run commands; each ignores what does not apply and says whether it acted
    bool StartRun();
    bool StopRun();
    bool NewNode();
    // The delay box's text goes into the next record only.
    void EnterDelay(const QString& text);
    // Direction list index: 1 SB, 2 NB, 3 WB, 4 EB; 0 ("-----") keeps the last.
    // Chosen between runs, it is the next run's even when the route starts it.
    void ChooseRunDir(int listIndex);

    // Before the program ends: save what can be saved and close the study file.
    void Shutdown();

    // What the window shows.
    const FixRecord& curFix() const { return CurFix; }
    bool runActive() const { return RunActive; }
    qint16 curNodeNum() const { return CurNodeNum; }
    const ReceiverProfile& receiver() const { return receiver_; }
    // The route line as it stands; empty without a checkpoint file.
    const QString& routeLine() const { return routeShown_; }

    static constexpr qint16 kNoDataTicksForYellow = 10;
    static constexpr qint16 kBadFixesForYellow = 15;
    // How long the status line holds what the route did, in ticks.
    static constexpr int kRouteMessageTicks = 4;

private:
    // Validates CurFix, counts incomplete fixes, hands the record to the
    // study file and resets CurFix.
    void RecordFix();
    // Tells the window what it must show about the study file, when that changes.
    void reportFile();
    void HandleSentence(QByteArrayView sentence);
    // A run started by key (no way) or by the route.
    bool startRun(std::optional<route::Way> byRoute);
    // The route's commands for the fix just closed, carried out before it is
    // recorded, as keys pressed as the vehicle crossed would be.
    void followRoute();
    void showRoute();
    // Counts a line that is no sentence and shows it, saying why.
    void drop(int& counter, const char* why, QByteArrayView text);
    // The status line: the count of dropped sentences, once there are any,
    // before the text.
    void showStatus(QByteArrayView text);

    const StudySettings& settings_;
    StudyWriter& writer_;
    const PcClock& pcClock_;
    CollectorView& view_;
    const ReceiverProfile& receiver_;
    const SentenceRule* trigger_;

    FixRecord CurFix;
    qint16 TimeOffsetMin = kOffsetUndetermined; // PC local time minus GPS time
    GpsClock clock_{TimeOffsetMin, pcClock_};
    SentenceFramer framer_;

    bool RunActive = false;
    qint16 CurNodeNum = 0;
    double TickTime = 0.0;
    double LastRunPress = 0.0;
    double LastNodePress = 0.0;
    qint16 BadFixCount = 0;
    qint16 NoDataTicks = 0;
    bool DataStarted = false;
    bool openFailed_ = false; // the last Start could not open the study file
    int rebuildsBeforeRun_ = 0;
    std::unique_ptr<RouteFollower> route_; // with a checkpoint file
    Hemispheres hemispheres_;              // of the last position decoded
    bool dirChosen_ = false;               // by the operator since the last run
    int statusHeld_ = 0; // ticks a route message stays before sentences show again
    QString routeShown_;
    QString reported_;
    // Lines dropped since the program started, by why.
    struct
    {
        int badChecksum = 0;
        int cutOff = 0;
        int overLong = 0;
    } dropped_;
    QByteArray droppedText_; // "[Dropped: 2 bad checksums] ", made when a count changes
    QByteArray status_;      // keeps its room: showing a sentence allocates nothing
};
