#pragma once
// The main window's logic without its widgets: reception and framing of the
// serial stream, decoding, the recording step, the clock tick and the run
// commands. Everything runs on the GUI thread, one event at a time.

#include "GpsClock.h"
#include "SentenceFramer.h"
#include "SentenceTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

class CommPort;
class CollectorView;
struct modVeltripMain;

class Collector
{
public:
    Collector(modVeltripMain& m, CollectorView& view);

    // ----- reception
    // Every event of the port: line conditions, or characters to frame.
    void OnComm(CommPort& port);
    // One completed sentence: shown, decoded, and recorded when it closes a fix.
    void HandleSentence(QByteArrayView sentence);

    // ----- recording
    // Validates CurFix, counts incomplete fixes, writes the record and resets
    // CurFix. A record the study file cannot take now is kept, in order, and
    // written as soon as the file can be reopened.
    void WriteFixRecord();
    int unsavedRecords() const { return int(unsaved_.size()); }

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
    void ChooseRunDir(int listIndex);

    // Before the program ends: save what can be saved and close every file.
    void Shutdown();

    // Window state the commands and the tick read and write.
    bool RunActive = false;
    qint16 CurNodeNum = 0;
    double TickTime = 0.0;
    double LastRunPress = 0.0;
    double LastNodePress = 0.0;
    qint16 BadFixCount = 0;
    qint16 NoDataTicks = 0;
    bool DataStarted = false;

    static constexpr qint16 kNoDataTicksForYellow = 10;
    static constexpr qint16 kBadFixesForYellow = 15;

private:
    void flushUnsaved();
    void syncStudyFile();
    void reportUnsaved();
    void mediumFailed();
    bool syncOnce();
    bool isTextReceiver() const;

    modVeltripMain& m_;
    CollectorView& view_;
    GpsClock clock_;
    SentenceFramer framer_;
    QList<QByteArray> unsaved_;
    qsizetype reportedUnsaved_ = 0;
    // Records written since the last sync that reached the medium.
    QList<QByteArray> sinceSync_;
};
