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
};
