#include "Collector.h"

#include "ByteFiles.h"
#include "CollectorView.h"
#include "Colours.h"
#include "CommPort.h"
#include "Conversions.h"
#include "Decoders.h"
#include "PcClock.h"
#include "ReceiverProfiles.h"
#include "SharedState.h"
#include "StudyFile.h"
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

Collector::Collector(modVeltripMain& m, CollectorView& view)
    : m_(m), view_(view), clock_(m.TimeOffsetHr, *m.platform.clock)
{
}

void Collector::OnComm(CommPort& port)
{
    if (!DataStarted) {
        view_.setStatus(QLatin1StringView("Reading..."));
        DataStarted = true;
        view_.showStartButton();
    }
    switch (port.commEvent()) {
    case CommPort::comEvReceive:
        // The count is read again before each read, so a burst that arrives
        // while sentences are handled is taken in the same event.
        while (port.inBufferCount() > 0) {
            char chars[512];
            const qsizetype n = port.read(chars, qsizetype(sizeof chars));
            framer_.feed(chars, n, [this](QByteArrayView sentence) { HandleSentence(sentence); });
        }
        break;
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

void Collector::HandleSentence(QByteArrayView sentence)
{
    // Two start characters back to back leave a lone start character: nothing
    // to show and nothing to decode.
    if (sentence.size() < 2) {
        return;
    }
    // Without the line end.
    view_.setStatus(QLatin1StringView(sentence.chopped(2)));

    DecodeContext ctx{m_.CurFix, clock_, m_.StudyDate, m_.MetricView};
    const SentenceType type = ClassifySentence(sentence, m_.AnyTalker);
    GpsLabels labels;
    switch (type) {
    case SentenceType::RMC:
        labels = DecodeRMC(sentence, ctx);
        break;
    case SentenceType::GGA:
        labels = DecodeGGA(sentence, ctx);
        break;
    case SentenceType::VTG:
        labels = DecodeVTG(sentence, ctx);
        break;
    case SentenceType::Text:
        labels = DecodeTextSentence(sentence, ctx);
        break;
    case SentenceType::Other:
        return;
    }
    NoDataTicks = 0;
    view_.showLabels(labels);

    // Every text sentence closes a fix; of the NMEA ones, the receiver's last
    // sentence of a cycle does.
    const bool closesFix = type == SentenceType::Text || TypeName(type) == m_.TriggerSentence;
    if (RunActive && closesFix) {
        view_.addGridRow(m_.CurFix);
        WriteFixRecord();
    }
}

bool Collector::isTextReceiver() const
{
    return m_.Prefs.receiverName() == kTextReceiverName;
}

void Collector::WriteFixRecord()
{
    const bool ok =
        ValidateFix(m_.CurFix, isTextReceiver(), m_.StudyDate, m_.platform.clock->timeOfDay());
    if (ok) {
        BadFixCount = 0;
    } else {
        saturatingIncrement(BadFixCount);
        if (BadFixCount > kBadFixesForYellow) {
            view_.paintSurfaces(colours::kLightYellow);
        }
    }
    unsaved_.append(m_.CurFix.encode());
    flushUnsaved();
    m_.CurFix.resetAfterWrite(CurNodeNum);
}

void Collector::flushUnsaved()
{
    if (!unsaved_.isEmpty() && !StudyFileIsOpen(m_)) {
        ReopenStudyFile(m_);
    }
    while (!unsaved_.isEmpty()) {
        if (!WriteRecord(m_, unsaved_.front())) {
            mediumFailed();
            break;
        }
        sinceSync_.append(unsaved_.takeFirst());
    }
    reportUnsaved();
}

void Collector::reportUnsaved()
{
    // The operator hears of it while records wait, and once more when they are saved.
    if (unsaved_.size() != reportedUnsaved_) {
        reportedUnsaved_ = unsaved_.size();
        view_.showUnsavedRecords(int(reportedUnsaved_));
    }
}

// A file whose medium failed (a card pulled out and put back) only works
// again when opened afresh, and what went to it since the last good sync may
// never have reached the medium: those records go back in the queue, ahead
// of the rest, to be written again where they were.
void Collector::mediumFailed()
{
    if (StudyFileIsOpen(m_)) {
        m_.platform.files->close(m_.StudyFileNum);
    }
    m_.StudyFileOpen = false;
    // They lie just before the next write position, one after the other.
    m_.NextWritePos -= qint32(FixRecord::kSize * sinceSync_.size());
    unsaved_ = sinceSync_ + unsaved_;
    sinceSync_.clear();
}

bool Collector::syncOnce()
{
    if (m_.platform.files->sync(m_.StudyFileNum)) {
        sinceSync_.clear();
        return true;
    }
    mediumFailed();
    return false;
}

void Collector::syncStudyFile()
{
    if (!StudyFileIsOpen(m_) || syncOnce()) {
        return;
    }
    flushUnsaved(); // once more, to a file opened afresh
    if (StudyFileIsOpen(m_) && !syncOnce()) {
        reportUnsaved(); // the next attempt comes with the next tick or run
    }
}

void Collector::Tick()
{
    TickTime = m_.platform.clock->timeOfDay();
    saturatingIncrement(NoDataTicks);
    if (NoDataTicks >= kNoDataTicksForYellow) {
        view_.paintSurfaces(colours::kLightYellow);
    } else {
        view_.paintSurfaces(RunActive ? colours::kLightGreen : colours::kLightRed);
    }
    if (RunActive) {
        flushUnsaved();
        // A pulled battery loses at most the last second.
        syncStudyFile();
    }
}

bool Collector::StartRun()
{
    if (RunActive) {
        return false;
    }
    LastRunPress = TickTime;
    const bool writeHeader = false;
    OpenStudyFile(m_, writeHeader);
    RunActive = true;
    saturatingIncrement(m_.CurFix.RunNum);
    flushUnsaved(); // records a previous run could not save come first
    return true;
}

bool Collector::StopRun()
{
    if (!RunActive || LastRunPress == TickTime) {
        return false;
    }
    LastRunPress = TickTime;
    RunActive = false;
    m_.CurFix.NodeNum = 0;
    CurNodeNum = 0;
    flushUnsaved();
    syncStudyFile();
    m_.platform.files->closeAll();
    return true;
}

bool Collector::NewNode()
{
    if (!RunActive || LastNodePress == TickTime) {
        return false;
    }
    if (m_.CurFix.NodeNum > 999) {
        m_.CurFix.NodeNum = qint16(m_.CurFix.NodeNum + CurNodeNum);
    } else {
        m_.CurFix.NodeNum = CurNodeNum;
    }
    saturatingIncrement(CurNodeNum);
    LastNodePress = TickTime;
    return true;
}

void Collector::EnterDelay(const QString& text)
{
    m_.CurFix.DelayNum = SafeInteger(text);
}

void Collector::ChooseRunDir(int listIndex)
{
    if (listIndex != 0) {
        m_.CurFix.RunDir = qint16(listIndex);
    }
}

void Collector::Shutdown()
{
    flushUnsaved();
    syncStudyFile();
    m_.platform.files->closeAll();
}
