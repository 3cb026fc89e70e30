#pragma once
// The data-collection window: run control from keys and buttons, the live
// labels, the sentence grid and the one-second clock. The logic lives in
// Collector; this window shows it and carries the operator's commands to it.

#include "Collector.h"
#include "CollectorView.h"
#include "Keys.h"

#include <QWidget>
#include <memory>

class CommPort;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class GpsDataModel;
class SpreadGrid;
class StudyWriter;
struct Platform;
struct StudySettings;

class frmMain final : public QWidget, private CollectorView
{
    Q_OBJECT

public:
    // The window takes the port it will open; the settings, the study file
    // and the adapters outlive it.
    frmMain(const StudySettings& settings, StudyWriter& writer, Platform& platform,
            std::unique_ptr<CommPort> port, QWidget* parent = nullptr);
    ~frmMain() override;

    // Window events and command handlers.
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void btnStartStopRun_Click();
    void btnNewNode_Click();
    void btnExit_Click();
    void btnHideSentences_Click();
    void cmbRunDir_Click();
    void tmrCurTime_Timer();
    void MSComm1_OnComm();
    // One grid row for a fix about to be recorded, the newest kept in view.
    void AddGridRow(const FixRecord& fix);

    const Collector& collector() const { return collector_; }
    GpsDataModel& gridModel() { return *gridModel_; }
    // The beeps sounded, for whoever wants to hear them again.
    QList<int> beeps;

    // Controls, under the names the operator's documentation uses.
    QGroupBox* frStudyDetails;
    QLabel* lblStudyNamePrefixT;
    QLabel* lblStudyNamePrefix;
    QLabel* lblStudyNumT;
    QLabel* lblStudyNum;
    QLabel* lblRunNumT;
    QLabel* lblRunNum;
    QLabel* lblNodeNumT;
    QLabel* lblNodeNum;
    QGroupBox* frGPSData;
    QLabel* lblTimeT;
    QLabel* lblTime;
    QLabel* lblSpeedT;
    QLabel* lblSpeed;
    QLabel* lblMphKph;
    QLabel* lblLatitudeT;
    QLabel* lblLatitude;
    QLabel* lblLongitudeT;
    QLabel* lblLongitude;
    QLabel* lblGPSQualT;
    QLabel* lblGPSQual;
    QLabel* lblNumSatsT;
    QLabel* lblNumSats;
    QLabel* lblHDOPT;
    QLabel* lblHDOP;
    QGroupBox* frGrid;
    SpreadGrid* vaGPSData;
    QLabel* lblUnsaved;
    QLabel* lblRoute;
    QLabel* lblStatus;
    QPushButton* btnHideSentences;
    QGroupBox* frDelayNum;
    QLabel* lblDelayNum;
    QLineEdit* txtDelayNum;
    QGroupBox* frRunDir;
    QLabel* lblRunDir;
    QComboBox* cmbRunDir;
    QPushButton* btnStartStopRun;
    QPushButton* btnNewNode;
    QPushButton* btnExit;
    QPushButton* btnDummy;
    QTimer* tmrCurTime;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void InitMainWindow();
    void runKeyCommand(KeyCommand command);
    void EventBeep(int code);
    void paintWindow(quint32 colour);
    void paintStatus(quint32 colour);
    void paintRunButton(quint32 colour);

    // What the collector asks of the window.
    void setStatus(QLatin1StringView text) override;
    void setStatusText(const QString& text) override;
    void showStartButton() override;
    void showLabels(const GpsLabels& labels) override;
    void addGridRow(const FixRecord& fix) override;
    void paintSurfaces(quint32 colour) override;
    void showFileNotice(const QString& text) override;
    void showRunStarted(bool byRoute) override;
    void showRunStopped() override;
    void showNodeMarked() override;
    void showRoute(const QString& text) override;

    const StudySettings& settings_;
    StudyWriter& writer_;
    Platform& platform_;
    std::unique_ptr<CommPort> port_;
    Collector collector_;
    GpsDataModel* gridModel_ = nullptr;
    bool MainLoaded = false;
    bool unloaded_ = false;
};
