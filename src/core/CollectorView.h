#pragma once
// What the collector's logic asks of the window that shows it. The main
// window implements it with its controls; tests implement it with records.

#include "Decoders.h"
#include "FixRecord.h"

#include <QLatin1StringView>
#include <QString>

class CollectorView
{
public:
    virtual ~CollectorView() = default;

    // The status line; the text is valid only during the call.
    virtual void setStatus(QLatin1StringView text) = 0;
    // The same for a text of the program's own, which may hold any character.
    virtual void setStatusText(const QString& text)
    {
        const QByteArray latin1 = text.toLatin1();
        setStatus(QLatin1StringView(latin1));
    }
    // The first event from the port: the Start/Stop button appears.
    virtual void showStartButton() = 0;
    // The labels a decoder produced; raw texts are valid only during the call.
    virtual void showLabels(const GpsLabels& labels) = 0;
    // One grid row for the fix about to be recorded, as decoded.
    virtual void addGridRow(const FixRecord& fix) = 0;
    // The window, its status line and its GPS data frame (&HBBGGRR).
    virtual void paintSurfaces(quint32 colour) = 0;
    // What the operator must know about the study file while recording goes
    // on (records waiting, a file that cannot be opened); empty once all is well.
    virtual void showFileNotice(const QString& text) = 0;

    // A run started or stopped, or a node was marked, by key or, with a
    // checkpoint file, by the route: the window shows the run's state and
    // sounds its beep. A window that shows no runs need not listen.
    virtual void showRunStarted(bool byRoute) { (void)byRoute; }
    virtual void showRunStopped() {}
    virtual void showNodeMarked() {}
    // With a checkpoint file: the next checkpoint and how far it is during a
    // run, the runs so far between runs.
    virtual void showRoute(const QString& text) { (void)text; }
};
