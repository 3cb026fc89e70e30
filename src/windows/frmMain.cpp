// The data-collection window: its controls, and the operator's keys and
// clicks carried to the collector.

#include "frmMain.h"

#include "Colours.h"
#include "CommPort.h"
#include "Forms.h"
#include "GpsDataModel.h"
#include "Messages.h"
#include "Platform.h"
#include "ReceiverProfiles.h"
#include "ScreenCheck.h"
#include "ScreenLayout.h"
#include "ScreenMetrics.h"
#include "Settings.h"
#include "SpreadGrid.h"
#include "StudyWriter.h"
#include "Twips.h"
#include "UserMessages.h"
#include "Version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>

namespace {

const QStringList kDirections = {QStringLiteral("-----"), QStringLiteral("SB"),
                                 QStringLiteral("NB"), QStringLiteral("WB"), QStringLiteral("EB")};

constexpr double kClientWidth = 11364;
constexpr double kClientHeight = 7188;

QColor toQColor(quint32 bbggrr)
{
    return QColor(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF), int((bbggrr >> 16) & 0xFF));
}

// The character a key types, as the key table names it: Enter is '\r'.
char typedChar(const QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        return '\r';
    }
    const QString t = e->text();
    return t.size() == 1 && t[0].unicode() < 128 ? char(t[0].unicode()) : 0;
}

void setBackground(QWidget* w, quint32 colour)
{
    // Repainted every second with mostly the same colour: only a change costs anything.
    const QColor c = toQColor(colour);
    if (w->autoFillBackground() && w->palette().color(QPalette::Window) == c) {
        return;
    }
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setFittedText(QLabel* l, const QString& text)
{
    l->setText(text);
    twips::fitWidth(l, text);
}

void setFittedText(QPushButton* b, const QString& text)
{
    b->setText(text);
    twips::fitWidth(b, text);
}

QLabel* label(QWidget* parent, const QString& text, double points, bool bold)
{
    auto* l = new QLabel(text, parent);
    l->setFont(twips::designFont(points, bold));
    // Received text is shown as received, never read as markup.
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

frmMain::frmMain(const StudySettings& settings, StudyWriter& writer, Platform& platform,
                 std::unique_ptr<CommPort> port, QWidget* parent)
    : QWidget(parent), settings_(settings), writer_(writer), platform_(platform),
      port_(std::move(port)), collector_(settings, writer, platform.clock, *this)
{
    buildControls();
    connect(port_.get(), &CommPort::OnComm, this, &frmMain::MSComm1_OnComm);
    connect(port_.get(), &CommPort::linkStatus, lblStatus, &QLabel::setText);
    qApp->installEventFilter(this);
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
}

void frmMain::buildControls()
{
    const double dpi = platform_.screen.logicalDpi();
    const auto place = [dpi](QWidget* w, double l, double t, double wd, double h) {
        twips::place(w, l, t, wd, h, dpi);
    };
    setFixedSize(twips::toPixels(kClientWidth, dpi), twips::toPixels(kClientHeight, dpi));
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    // Frames other than the GPS data frame keep their own colour whatever the window shows.
    const auto plainFrame = [&](const QString& title) {
        auto* f = new QGroupBox(title, this);
        f->setFont(twips::designFont(7.8, true));
        QPalette p = f->palette();
        p.setColor(QPalette::Window, buttonFace);
        f->setPalette(p);
        f->setAutoFillBackground(true);
        return f;
    };

    NAMED(frStudyDetails, plainFrame(QStringLiteral("Study Details")));
    place(frStudyDetails, 120, 0, 11172, 852);
    NAMED(lblStudyNamePrefixT, label(frStudyDetails, QStringLiteral(" Study Name"), 13.8, true));
    NAMED(lblStudyNamePrefix, label(frStudyDetails, QString(), 18, false));
    NAMED(lblStudyNumT, label(frStudyDetails, QStringLiteral(" #"), 13.8, true));
    NAMED(lblStudyNum, label(frStudyDetails, QString(), 18, false));
    NAMED(lblRunNumT, label(frStudyDetails, QStringLiteral(" Run"), 13.8, true));
    NAMED(lblRunNum, label(frStudyDetails, QStringLiteral("0"), 18, true));
    NAMED(lblNodeNumT, label(frStudyDetails, QStringLiteral(" Node"), 13.8, true));
    NAMED(lblNodeNum, label(frStudyDetails, QStringLiteral("0"), 18, true));
    const struct
    {
        QLabel* l;
        double left, width;
    } study[] = {{lblStudyNamePrefixT, 120, 2052}, {lblStudyNamePrefix, 2280, 3492},
                 {lblStudyNumT, 6000, 612},        {lblStudyNum, 6600, 492},
                 {lblRunNumT, 7800, 852},          {lblRunNum, 8640, 492},
                 {lblNodeNumT, 9480, 972},         {lblNodeNum, 10440, 612}};
    for (const auto& s : study) {
        place(s.l, s.left, 240, s.width, 492);
        twips::fitWidth(s.l, s.l->text());
    }

    NAMED(frGPSData, new QGroupBox(QStringLiteral("GPS Data"), this));
    frGPSData->setFont(twips::designFont(7.8, true));
    place(frGPSData, 120, 960, 4452, 4692);
    NAMED(lblTimeT, label(frGPSData, QStringLiteral(" Time"), 24, true));
    NAMED(lblTime, label(frGPSData, QString(), 24, true));
    NAMED(lblSpeedT, label(frGPSData, QStringLiteral(" Speed"), 24, true));
    NAMED(lblSpeed, label(frGPSData, QString(), 24, true));
    NAMED(lblMphKph, label(frGPSData, QStringLiteral("     mph"), 12, true));
    NAMED(lblLatitudeT, label(frGPSData, QStringLiteral(" Latitude"), 18, true));
    NAMED(lblLatitude, label(frGPSData, QString(), 18, false));
    NAMED(lblLongitudeT, label(frGPSData, QStringLiteral(" Longitude"), 18, true));
    NAMED(lblLongitude, label(frGPSData, QString(), 18, false));
    NAMED(lblGPSQualT, label(frGPSData, QStringLiteral(" Fix"), 18, true));
    NAMED(lblGPSQual, label(frGPSData, QString(), 24, false));
    NAMED(lblNumSatsT, label(frGPSData, QStringLiteral(" Num Sats"), 18, true));
    NAMED(lblNumSats, label(frGPSData, QString(), 24, false));
    NAMED(lblHDOPT, label(frGPSData, QStringLiteral(" HDOP"), 18, true));
    NAMED(lblHDOP, label(frGPSData, QString(), 24, false));
    const struct
    {
        QLabel *caption, *value;
        double top, height;
    } rows[] = {{lblTimeT, lblTime, 240, 612},          {lblSpeedT, lblSpeed, 960, 612},
                {lblLatitudeT, lblLatitude, 1680, 492}, {lblLongitudeT, lblLongitude, 2160, 492},
                {lblGPSQualT, lblGPSQual, 2640, 492},   {lblNumSatsT, lblNumSats, 3120, 492},
                {lblHDOPT, lblHDOP, 3600, 492}};
    for (const auto& r : rows) {
        place(r.caption, 120, r.top, 1932, r.height);
        place(r.value, 2160, r.top, 2172, r.height);
    }
    place(lblSpeed, 2160, 960, 1332, 612);
    place(lblMphKph, 3480, 960, 852, 612);
    for (QLabel* l : frGPSData->findChildren<QLabel*>()) {
        twips::fitWidth(l, l->text());
        // Painting its own background (the frame's colour) spares the frame a
        // repaint each time a value changes.
        l->setAutoFillBackground(true);
    }

    NAMED(frGrid, plainFrame(QString()));
    place(frGrid, 4560, 960, 6732, 4692);
    NAMED(vaGPSData, new SpreadGrid(frGrid));
    gridModel_ = new GpsDataModel(kDirections, this);
    vaGPSData->setModel(gridModel_);
    vaGPSData->setFont(twips::designFont(7.8, false));
    gridModel_->setMaxRows(16);
    place(vaGPSData, 120, 240, 6492, 4332);
    // The longest value each column shows.
    vaGPSData->setWidestTexts({QStringLiteral("00:00:00"), QStringLiteral("9,999.9"),
                               QStringLiteral("-----"), QStringLiteral("-1"),
                               QStringLiteral("99.99"), QStringLiteral("-999.000000"),
                               QStringLiteral("-999.000000")});

    // Shown only while the study file cannot be had: records waiting, a run
    // started without it.
    NAMED(lblUnsaved, label(frGrid, QString(), 9.6, true));
    lblUnsaved->setWordWrap(true);
    lblUnsaved->setAlignment(Qt::AlignCenter);
    lblUnsaved->setStyleSheet(QStringLiteral("color: #800000; background: #ffffc0;"));
    place(lblUnsaved, 120, 3720, 6492, 852);
    lblUnsaved->hide();

    // With a checkpoint file, the grid gives its foot to the route line: the
    // next checkpoint during a run, the runs so far between runs.
    NAMED(lblRoute, label(frGrid, QString(), 12, true));
    lblRoute->setWordWrap(true);
    lblRoute->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblRoute->setVisible(!settings_.Checkpoints.isEmpty());
    lblRoute->setText(collector_.routeLine());
    SplitGridForRoute(*this, dpi);

    NAMED(lblStatus, label(this, QStringLiteral("Waiting for GPS Data..."), 13.8, false));
    place(lblStatus, 120, 5760, 10092, 492);
    NAMED(btnHideSentences, new QPushButton(QStringLiteral("Hide"), this));
    btnHideSentences->setFont(twips::designFont(7.8, true));
    place(btnHideSentences, 10560, 5880, 732, 252);

    NAMED(frDelayNum, plainFrame(QStringLiteral("Delay #")));
    place(frDelayNum, 120, 6120, 3492, 732);
    NAMED(lblDelayNum, label(frDelayNum, QStringLiteral("Number"), 13.8, true));
    place(lblDelayNum, 120, 240, 1626, 432);
    NAMED(txtDelayNum, new QLineEdit(frDelayNum));
    txtDelayNum->setFont(twips::designFont(13.8, true));
    place(txtDelayNum, 1746, 220, 1626, 432);

    NAMED(frRunDir, plainFrame(QStringLiteral(" Run Direction")));
    place(frRunDir, 120, 6360, 3492, 732);
    NAMED(lblRunDir, label(frRunDir, QStringLiteral("Direction"), 13.8, true));
    place(lblRunDir, 120, 240, 1626, 432);
    NAMED(cmbRunDir, new QComboBox(frRunDir));
    cmbRunDir->setFont(twips::designFont(12, false));
    place(cmbRunDir, 1746, 220, 1626, 432);

    NAMED(btnStartStopRun, new QPushButton(QStringLiteral("(R)un"), this));
    btnStartStopRun->setFont(twips::designFont(24, true));
    place(btnStartStopRun, 3960, 6480, 2772, 612);
    NAMED(btnNewNode, new QPushButton(QStringLiteral("(N)ode"), this));
    btnNewNode->setFont(twips::designFont(13.8, true));
    place(btnNewNode, 7200, 6720, 2052, 372);
    NAMED(btnExit, new QPushButton(QStringLiteral("(E)nd Study"), this));
    btnExit->setFont(twips::designFont(9.6, true));
    place(btnExit, 9720, 6720, 1572, 372);
    btnNewNode->hide(); // only during a run
    NAMED(btnDummy, new QPushButton(this));
    btnDummy->setFlat(true);
    place(btnDummy, 11160, 5520, 132, 132);
    // Enter presses the button that has the focus, as on the operator's
    // usual desktop: a direction chosen, then Enter starts the run.
    for (QPushButton* b : {btnHideSentences, btnStartStopRun, btnNewNode, btnExit, btnDummy}) {
        b->setAutoDefault(true);
    }

    // From the parked focus, Tab leads to the delay box during a run and to
    // the direction box between runs (hidden controls are passed over).
    setTabOrder(btnDummy, txtDelayNum);
    setTabOrder(txtDelayNum, cmbRunDir);

    // The keyboard drives the window: buttons take focus only when clicked.
    for (QPushButton* b : {btnStartStopRun, btnNewNode, btnExit, btnHideSentences}) {
        b->setFocusPolicy(Qt::ClickFocus);
    }

    tmrCurTime = new QTimer(this);
    connect(tmrCurTime, &QTimer::timeout, this, &frmMain::tmrCurTime_Timer);
    connect(btnStartStopRun, &QPushButton::clicked, this, &frmMain::btnStartStopRun_Click);
    connect(btnNewNode, &QPushButton::clicked, this, &frmMain::btnNewNode_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmMain::btnExit_Click);
    connect(btnHideSentences, &QPushButton::clicked, this, &frmMain::btnHideSentences_Click);
    connect(cmbRunDir, &QComboBox::activated, this, &frmMain::cmbRunDir_Click);
}

void frmMain::Form_Load()
{
    setFittedText(lblStudyNamePrefix, settings_.StudyNamePrefix);
    setFittedText(lblStudyNum, QString::number(settings_.StudyNum));
    InitMainWindow();
    tmrCurTime->setInterval(1000);
    tmrCurTime->start();
    MainLoaded = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void frmMain::InitMainWindow()
{
    setWindowTitle(version::windowTitle());
    paintWindow(colours::kLightRed);
    paintStatus(colours::kLightRed);

    // A new collector: node and run 0, no run, no delay number, offset undetermined.
    lblNodeNum->setText(QString::number(collector_.curNodeNum()));
    lblRunNum->setText(QString::number(collector_.curFix().RunNum));

    btnStartStopRun->hide(); // until the receiver is heard from
    if (settings_.MetricView) {
        setFittedText(lblMphKph, QStringLiteral("      kph"));
    }
    // The text receiver sends no satellite count or HDOP.
    if (collector_.receiver().textSentence) {
        lblNumSatsT->hide();
        lblNumSats->hide();
        lblHDOPT->hide();
        lblHDOP->hide();
    }

    frDelayNum->move(frDelayNum->x(), frRunDir->y());
    frDelayNum->hide();
    txtDelayNum->clear();
    if (!settings_.RunDirInput) {
        frRunDir->hide();
    }
    cmbRunDir->clear();
    cmbRunDir->addItems(kDirections);
    cmbRunDir->setCurrentIndex(0);
    cmbRunDir_Click();

    // The port, under one error trap: the first step that fails ends the set-up.
    CommPort& port = *port_;
    const bool opened = port.setCommPort(settings_.CommPort) &&
                        port.setSettings(PortSettings(settings_.BaudRate)) && port.setInputLen(1) &&
                        port.setRThreshold(1) && port.setInBufferSize(4096) &&
                        port.setPortOpen(true) && port.setRTSEnable(true);
    if (!opened) {
        platform_.messages.show(msg::portOpenFailed(port.openFailure()));
    }
}

bool frmMain::event(QEvent* e)
{
    // Showing counts as activation too: without a window manager a window
    // may be shown and never activated.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) {
        Form_Activate();
    }
    return QWidget::event(e);
}

void frmMain::Form_Activate()
{
    btnDummy->setFocus();
    const bool ScreenIs800 = CheckScreenSize(platform_.screen);
    ApplyMainScreenLayout(*this, ScreenIs800, platform_.screen.logicalDpi());
}

void frmMain::closeEvent(QCloseEvent* e)
{
    // Records that could not reach the study file yet are lost when the
    // study ends: the operator decides, while they are still tried every
    // second.
    if (const int unsaved = writer_.unsavedRecords();
        unsaved > 0 && !unloaded_ &&
        !platform_.messages.confirm(msg::endWithRecordsUnsaved(unsaved, writer_.path()))) {
        e->ignore();
        return;
    }
    Form_Unload();
    e->accept();
}

void frmMain::Form_Unload()
{
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    tmrCurTime->stop();
    if (port_->portOpen()) {
        port_->setPortOpen(false);
    }
    collector_.Shutdown();
    UnloadAllForms();
    QCoreApplication::quit();
}

void frmMain::btnExit_Click()
{
    close();
}

void frmMain::btnStartStopRun_Click()
{
    // Parked whatever the answer: a double click must not leave the focus on
    // the button, where a later Enter would stop the run.
    btnDummy->setFocus();
    if (collector_.runActive()) {
        collector_.StopRun();
    } else {
        collector_.StartRun();
    }
}

void frmMain::showRunStarted(bool byRoute)
{
    setFittedText(btnStartStopRun, QStringLiteral("Stop (R)un"));
    paintRunButton(colours::kLightRed);
    paintSurfaces(colours::kLightGreen);
    setFittedText(lblRunNum, QString::number(collector_.curFix().RunNum));
    btnExit->setEnabled(false);
    btnExit->hide();
    btnNewNode->setEnabled(true);
    btnNewNode->show();
    frRunDir->hide();
    frDelayNum->show();
    gridModel_->clearData();
    vaGPSData->setRow(0);
    vaGPSData->setTopRow(1);
    EventBeep(1);
    // The chosen direction goes into the run's records again, but the focus
    // stays parked: on the run button, the next Enter (say, for a delay
    // number) would stop the run halfway along the route. A run the route
    // started has its direction already.
    if (!byRoute && cmbRunDir->currentText() != QStringLiteral("-----")) {
        collector_.ChooseRunDir(cmbRunDir->currentIndex());
    } else if (byRoute) {
        // The box shows the direction the route gave, as the grid's rows do;
        // shown, not chosen, so the focus stays parked.
        const QSignalBlocker showing(cmbRunDir);
        cmbRunDir->setCurrentIndex(std::clamp<int>(collector_.curFix().RunDir, 0, 4));
    }
}

void frmMain::showRunStopped()
{
    setFittedText(btnStartStopRun, QStringLiteral("Start (R)un"));
    paintRunButton(colours::kLightGreen);
    paintSurfaces(colours::kLightRed);
    lblNodeNum->setText(QStringLiteral("0"));
    btnExit->setEnabled(true);
    btnExit->show();
    btnNewNode->setEnabled(false);
    btnNewNode->hide();
    if (settings_.RunDirInput) {
        frRunDir->show();
    }
    frDelayNum->hide();
    EventBeep(2);
}

void frmMain::btnNewNode_Click()
{
    if (collector_.NewNode()) {
        btnDummy->setFocus();
    }
}

void frmMain::showNodeMarked()
{
    setFittedText(lblNodeNum, QString::number(collector_.curNodeNum()));
    EventBeep(3);
}

void frmMain::showRoute(const QString& text)
{
    lblRoute->setText(text);
}

void frmMain::cmbRunDir_Click()
{
    collector_.ChooseRunDir(cmbRunDir->currentIndex());
    // Before the first receiver data the run button is hidden and cannot
    // take the focus; it stays where it is.
    if (MainLoaded && btnStartStopRun->isVisible()) {
        btnStartStopRun->setFocus();
    }
}

void frmMain::btnHideSentences_Click()
{
    if (btnHideSentences->text() != QStringLiteral("Hide")) {
        btnHideSentences->setText(QStringLiteral("Hide"));
        lblStatus->show();
    } else {
        btnHideSentences->setText(QStringLiteral("Show"));
        lblStatus->hide();
    }
}

void frmMain::tmrCurTime_Timer()
{
    collector_.Tick();
}

void frmMain::MSComm1_OnComm()
{
    collector_.OnComm(*port_);
}

void frmMain::EventBeep(int code)
{
    if (code >= 1 && code <= 3) {
        beeps.append(code);
        QApplication::beep();
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* e)
{
    // Key preview: the window sees each key before the control with the
    // focus, once (not again as the key travels up to parents), and never
    // consumes it.
    if (e->type() == QEvent::KeyPress && !unloaded_) {
        QWidget* focus = QApplication::focusWidget();
        const bool first = focus ? watched == focus : watched == this;
        auto* w = qobject_cast<QWidget*>(watched);
        if (first && w && w->window() == this) {
            auto* key = static_cast<QKeyEvent*>(e);
            const KeyState state{settings_.RemoteEnabled, collector_.runActive(),
                                 focus == txtDelayNum};
            if (const auto command = CommandForKey({typedChar(key), key->key()}, state)) {
                runKeyCommand(*command);
            }
            // A command that parked the focus takes the key with it: the key
            // then lands on the parking button, so a Space meant for a node
            // can never press the Start/Stop button that had the focus.
            if (QApplication::focusWidget() != focus) {
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

void frmMain::runKeyCommand(KeyCommand command)
{
    switch (command) {
    case KeyCommand::StartStopRun:
        btnStartStopRun_Click();
        break;
    case KeyCommand::ParkAndMarkNode:
        btnDummy->setFocus();
        btnNewNode_Click();
        break;
    case KeyCommand::MarkNode:
        btnNewNode_Click();
        break;
    case KeyCommand::EndStudy:
        btnExit_Click();
        break;
    case KeyCommand::TakeDelayNumber:
        collector_.EnterDelay(txtDelayNum->text());
        txtDelayNum->clear();
        break;
    }
}

void frmMain::AddGridRow(const FixRecord& fix)
{
    SpreadGrid& g = *vaGPSData;
    g.deferRepaint(250);
    const int r = g.row();
    if (r + 1 >= g.maxRows()) {
        gridModel_->setMaxRows(g.maxRows() + 1);
    }
    g.setRow(r + 1);
    gridModel_->setRow(g.row(), fix, cmbRunDir->currentIndex());
    // The newest row stays in view: the 16th visible once there are more
    // than 15, or the last whole row where fewer fit (the compact layout).
    const int lastInView = std::clamp(g.rowsInView(), 1, 16);
    if (g.row() > lastInView - 1) {
        g.setTopRow(g.row() - (lastInView - 1));
    }
}

void frmMain::paintWindow(quint32 colour)
{
    setBackground(this, colour);
}

void frmMain::paintRunButton(quint32 colour)
{
    // Many styles draw a button with their own gradient and ignore the
    // palette's button colour; a style sheet with a border of its own shows
    // exactly this colour. The thicker border marks the focus, where Enter
    // would press the button.
    btnStartStopRun->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid #606060; }"
                       "QPushButton:focus { border: 2px solid #000000; }")
            .arg(toQColor(colour).name()));
}

void frmMain::paintStatus(quint32 colour)
{
    setBackground(lblStatus, colour);
}

void frmMain::setStatus(QLatin1StringView text)
{
    lblStatus->setText(QString(text));
}

void frmMain::setStatusText(const QString& text)
{
    lblStatus->setText(text);
}

void frmMain::showStartButton()
{
    btnStartStopRun->show();
    setFittedText(btnStartStopRun, QStringLiteral("Start (R)un"));
}

void frmMain::showLabels(const GpsLabels& l)
{
    const std::pair<const LabelText&, QLabel*> targets[] = {
        {l.Time, lblTime},   {l.Latitude, lblLatitude}, {l.Longitude, lblLongitude},
        {l.Speed, lblSpeed}, {l.GPSQual, lblGPSQual},   {l.NumSats, lblNumSats},
        {l.HDOP, lblHDOP}};
    for (const auto& [label, target] : targets) {
        if (label.touched()) {
            setFittedText(target, label.text());
        }
    }
}

void frmMain::addGridRow(const FixRecord& fix)
{
    AddGridRow(fix);
}

void frmMain::paintSurfaces(quint32 colour)
{
    paintWindow(colour);
    paintStatus(colour);
    setBackground(frGPSData, colour);
}

void frmMain::showFileNotice(const QString& text)
{
    lblUnsaved->setText(text);
    lblUnsaved->setVisible(!text.isEmpty());
}
