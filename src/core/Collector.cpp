// Reception, recording and run control, as the main window drives them.

#include "Collector.h"

#include "CollectorView.h"
#include "Colours.h"
#include "CommPort.h"
#include "Conversions.h"
#include "Messages.h"
#include "PcClock.h"
#include "ReceiverProfiles.h"
#include "RouteFollower.h"
#include "Sentences.h"
#include "Settings.h"
#include "StudyWriter.h"
#include "Validation.h"

#include <limits>

namespace {

// Counters hold at their largest value instead of wrapping to negative.
void saturatingIncrement(qint16& counter)
{
    if (counter < std::numeric_limits<qint16>::max()) {
        ++counter;
    }
}

} // namespace

Collector::Collector(const StudySettings& settings, StudyWriter& writer, const PcClock& clock,
                     CollectorView& view)
    : settings_(settings), writer_(writer), pcClock_(clock), view_(view),
      receiver_(ReceiverProfileFor(settings.GPSName)),
      trigger_(SentenceRuleFor(QByteArrayView(receiver_.trigger)))
{
    // The window asks for the route line once it has been built.
    if (settings.Checkpoints.size() >= 2) {
        route_ = std::make_unique<RouteFollower>(settings.Checkpoints);
        routeShown_ = route_->text(settings.MetricView);
    }
}

Collector::~Collector() = default;

void Collector::OnComm(CommPort& port)
{
    if (!DataStarted) {
        view_.setStatus(QLatin1StringView("Reading..."));
        DataStarted = true;
        view_.showStartButton();
    }
    switch (port.commEvent()) {
    case CommPort::comEvReceive: {
        const auto handle = [this](const FramedText& framed) { HandleFramed(framed); };
        // The count is read again before each read, so a burst that arrives
        // while sentences are handled is taken in the same event. What came
        // before a break in the stream never joins what came after it.
        for (;;) {
            while (port.takeStreamCut()) {
                framer_.restart(handle);
            }
            if (port.inBufferCount() == 0) {
                break;
            }
            char chars[512];
            const qsizetype n = port.read(chars, qsizetype(sizeof chars));
            framer_.feed(chars, n, handle);
        }
        break;
    }
    case CommPort::comEventBreak:
        view_.setStatus(QLatin1StringView("Break"));
        break;
    case CommPort::comEventFrame:
        view_.setStatus(QLatin1StringView("Framing Error"));
        break;
    case CommPort::comEventRxParity:
        view_.setStatus(QLatin1StringView("Parity Error"));
        break;
    case CommPort::comEventOverrun:
        view_.setStatus(QLatin1StringView("Overrun Error"));
        break;
    default:
        break;
    }
}

void Collector::HandleFramed(const FramedText& framed)
{
    // Two start characters back to back leave a lone start character: nothing
    // to show, decode or count.
    if (framed.text.size() < 2) {
        return;
    }
    switch (framed.kind) {
    case FramedText::Sentence:
        if (SentenceChecksum(framed.text) == Checksum::Wrong) {
            // A bit error on the line: its values cannot be trusted, so it
            // completes no fix.
            drop(dropped_.badChecksum, msg::kBadChecksum, framed.text);
        } else {
            HandleSentence(framed.text);
        }
        break;
    case FramedText::CutOff:
        drop(dropped_.cutOff, msg::kCutOff, framed.text);
        break;
    case FramedText::OverLong:
        drop(dropped_.overLong, msg::kOverLong, framed.text);
        break;
    }
}

void Collector::drop(int& counter, const char* why, QByteArrayView text)
{
    ++counter;
    droppedText_ =
        msg::droppedSentences(dropped_.badChecksum, dropped_.cutOff, dropped_.overLong).toLatin1();
    QByteArray shown = why;
    shown += text.endsWith('\n') ? text.chopped(text.endsWith("\r\n") ? 2 : 1) : text;
    showStatus(shown);
}

void Collector::showStatus(QByteArrayView text)
{
    if (statusHeld_ > 0) {
        return; // a route message is being read
    }
    if (droppedText_.isEmpty()) {
        view_.setStatus(QLatin1StringView(text));
        return;
    }
    status_.resize(0); // keeps its room
    status_.append(droppedText_);
    status_.append(text);
    view_.setStatus(QLatin1StringView(status_));
}

void Collector::HandleSentence(QByteArrayView sentence)
{
    // Without the line end, taken as its last two characters.
    showStatus(sentence.chopped(2));

    const SentenceRule* rule = FindSentence(sentence, receiver_.anyTalker);
    if (!rule) {
        return;
    }
    DecodeContext ctx{CurFix, clock_, writer_.StudyDate(), settings_.MetricView, &hemispheres_};
    const GpsLabels labels = rule->decode(sentence, ctx);
    NoDataTicks = 0;
    view_.showLabels(labels);

    // Every text sentence closes a fix; of the NMEA ones, the receiver's last
    // sentence of a cycle does.
    const bool closesFix = rule == trigger_ || rule->tag[0] == '@';
    if (closesFix && route_) {
        followRoute();
    }
    if (RunActive && closesFix) {
        view_.addGridRow(CurFix);
        RecordFix();
    }
}

void Collector::RecordFix()
{
    const bool ok =
        ValidateFix(CurFix, receiver_.textSentence, writer_.StudyDate(), pcClock_.timeOfDay());
    if (ok) {
        BadFixCount = 0;
    } else {
        saturatingIncrement(BadFixCount);
        if (BadFixCount > kBadFixesForYellow) {
            view_.paintSurfaces(colours::kLightYellow);
        }
    }
    writer_.WriteFixRecord(CurFix);
    if (route_) {
        route_->recorded(CurFix);
    }
    reportFile();
    CurFix.resetAfterWrite(CurNodeNum);
}

void Collector::reportFile()
{
    // The operator hears of it while records wait or the file cannot be had,
    // and once more when all is saved; never through a box that would hold
    // up recording.
    QString notice;
    if (writer_.rebuildWaiting()) {
        notice = msg::studyFileGone(writer_.path(), writer_.unsavedRecords());
    } else if (writer_.unsavedRecords() > 0) {
        notice = msg::recordsWaiting(writer_.unsavedRecords(), writer_.path());
    } else if (openFailed_ && RunActive && !writer_.isOpen()) {
        notice = msg::studyFileNotOpened(writer_.path());
    } else if (writer_.rebuilds() > rebuildsBeforeRun_) {
        notice = msg::studyFileRebuilt(writer_.path());
    }
    if (notice != reported_) {
        reported_ = notice;
        view_.showFileNotice(notice);
    }
}

void Collector::Tick()
{
    TickTime = pcClock_.timeOfDay();
    if (statusHeld_ > 0) {
        --statusHeld_;
    }
    saturatingIncrement(NoDataTicks);
    if (NoDataTicks >= kNoDataTicksForYellow) {
        view_.paintSurfaces(colours::kLightYellow);
    } else {
        view_.paintSurfaces(RunActive ? colours::kLightGreen : colours::kLightRed);
    }
    // A pulled battery loses at most the last second; records that wait are
    // tried again every second, between runs too.
    if (RunActive || writer_.unsavedRecords() > 0) {
        writer_.sync();
        reportFile();
    }
}

bool Collector::StartRun()
{
    return startRun(std::nullopt);
}

bool Collector::startRun(std::optional<route::Way> byRoute)
{
    if (RunActive) {
        return false;
    }
    LastRunPress = TickTime;
    RunActive = true;
    rebuildsBeforeRun_ = writer_.rebuilds();
    const bool WriteHeader = false;
    openFailed_ = !writer_.OpenStudyFile(WriteHeader);
    saturatingIncrement(CurFix.RunNum);
    if (byRoute && !dirChosen_) {
        CurFix.RunDir = route_->runDirection(*byRoute);
    }
    if (route_) {
        route_->runStarted(byRoute);
    }
    reportFile();
    view_.showRunStarted(byRoute.has_value());
    showRoute();
    return true;
}

bool Collector::StopRun()
{
    if (!RunActive || LastRunPress == TickTime) {
        return false;
    }
    LastRunPress = TickTime;
    RunActive = false;
    CurFix.NodeNum = 0;
    CurNodeNum = 0;
    dirChosen_ = false;
    writer_.close();
    reportFile();
    if (route_) {
        route_->runStopped();
    }
    view_.showRunStopped();
    showRoute();
    return true;
}

bool Collector::NewNode()
{
    if (!RunActive || LastNodePress == TickTime) {
        return false;
    }
    if (CurFix.NodeNum > 999) {
        CurFix.NodeNum = qint16(CurFix.NodeNum + CurNodeNum);
    } else {
        CurFix.NodeNum = CurNodeNum;
    }
    saturatingIncrement(CurNodeNum);
    LastNodePress = TickTime;
    view_.showNodeMarked();
    return true;
}

void Collector::EnterDelay(const QString& text)
{
    CurFix.DelayNum = SafeInteger(text);
}

void Collector::ChooseRunDir(int listIndex)
{
    if (listIndex != 0) {
        CurFix.RunDir = qint16(listIndex);
        dirChosen_ = dirChosen_ || !RunActive;
    }
}

void Collector::followRoute()
{
    using Command = route::RunsByPosition::Command;
    const route::RunsByPosition::Commands commands =
        route_->onFix(CurFix, hemispheres_, writer_.StudyDate(), CurNodeNum);
    for (int i = 0; i < commands.count; ++i) {
        const Command& c = commands.at[std::size_t(i)];
        // A command the run refuses (a node in the second of the last) is
        // asked again at the next fix.
        const bool done = c.kind == Command::Start  ? startRun(c.way)
                          : c.kind == Command::Node ? NewNode()
                          : c.kind == Command::Stop ? StopRun()
                                                    : false;
        if (done) {
            // Held for a few seconds: the sentences would replace it at once.
            view_.setStatusText(route_->commandText(c, CurFix.RunNum, CurNodeNum));
            statusHeld_ = kRouteMessageTicks;
        }
    }
    showRoute();
}

void Collector::showRoute()
{
    if (!route_) {
        return;
    }
    const QString text = route_->text(settings_.MetricView);
    if (text != routeShown_) {
        routeShown_ = text;
        view_.showRoute(text);
    }
}

void Collector::Shutdown()
{
    writer_.shutdown();
}
