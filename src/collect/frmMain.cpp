#include "frmMain.h"

#include "AnsiText.h"
#include "ByteFiles.h"
#include "Colours.h"
#include "CommPort.h"
#include "Conversions.h"
#include "Forms.h"
#include "GpsDataModel.h"
#include "Messages.h"
#include "ReceiverProfiles.h"
#include "ScreenLayout.h"
#include "ScreenMetrics.h"
#include "SharedState.h"
#include "SpreadGrid.h"
#include "StudyFile.h"
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
#include <QTimer>

namespace {

const QStringList kDirections = {QStringLiteral("-----"), QStringLiteral("SB"),
                                 QStringLiteral("NB"), QStringLiteral("WB"), QStringLiteral("EB")};

constexpr double kClientWidth = 11364;
constexpr double kClientHeight = 7188;

// Virtual-key codes of the remote control's keys.
constexpr int kVkPageUp = 33;
constexpr int kVkPageDown = 34;
constexpr int kVkMediaStop = 178;
constexpr int kVkMediaPlayPause = 179;

int virtualKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_PageUp:
        return kVkPageUp;
    case Qt::Key_PageDown:
        return kVkPageDown;
    case Qt::Key_MediaStop:
        return kVkMediaStop;
    // A remote's play key arrives as play, pause or play/pause depending on the platform.
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
    case Qt::Key_MediaTogglePlayPause:
        return kVkMediaPlayPause;
    default:
        return 0;
    }
}

int asciiOf(const QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        return 13;
    }
    const QString t = e->text();
    return t.size() == 1 && t[0].unicode() < 128 ? t[0].unicode() : 0;
}

void setBackground(QWidget* w, quint32 colour)
{
    // Repainted every second with mostly the same colour: only a change costs anything.
    const QColor c = colours::toQColor(colour);
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

frmMain::frmMain(modVeltripMain& m, std::unique_ptr<CommPort> port, QWidget* parent)
    : QWidget(parent), m_(m), port_(std::move(port)), collector_(m, *this)
{
    buildControls();
    connect(port_.get(), &CommPort::OnComm, this, &frmMain::MSComm1_OnComm);
    qApp->installEventFilter(this);
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
}

void frmMain::buildControls()
{
    const double dpi = m_.platform.screen->logicalDpi();
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

    frStudyDetails = plainFrame(QStringLiteral("Study Details"));
    place(frStudyDetails, 120, 0, 11172, 852);
    lblStudyNamePrefixT = label(frStudyDetails, QStringLiteral(" Study Name"), 13.8, true);
    lblStudyNamePrefix = label(frStudyDetails, QString(), 18, false);
    lblStudyNumT = label(frStudyDetails, QStringLiteral(" #"), 13.8, true);
    lblStudyNum = label(frStudyDetails, QString(), 18, false);
    lblRunNumT = label(frStudyDetails, QStringLiteral(" Run"), 13.8, true);
    lblRunNum = label(frStudyDetails, QStringLiteral("0"), 18, true);
    lblNodeNumT = label(frStudyDetails, QStringLiteral(" Node"), 13.8, true);
    lblNodeNum = label(frStudyDetails, QStringLiteral("0"), 18, true);
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

    frGPSData = new QGroupBox(QStringLiteral("GPS Data"), this);
    frGPSData->setFont(twips::designFont(7.8, true));
    place(frGPSData, 120, 960, 4452, 4692);
    lblTimeT = label(frGPSData, QStringLiteral(" Time"), 24, true);
    lblTime = label(frGPSData, QString(), 24, true);
    lblSpeedT = label(frGPSData, QStringLiteral(" Speed"), 24, true);
    lblSpeed = label(frGPSData, QString(), 24, true);
    lblMphKph = label(frGPSData, QStringLiteral("     mph"), 12, true);
    lblLatitudeT = label(frGPSData, QStringLiteral(" Latitude"), 18, true);
    lblLatitude = label(frGPSData, QString(), 18, false);
    lblLongitudeT = label(frGPSData, QStringLiteral(" Longitude"), 18, true);
    lblLongitude = label(frGPSData, QString(), 18, false);
    lblGPSQualT = label(frGPSData, QStringLiteral(" Fix"), 18, true);
    lblGPSQual = label(frGPSData, QString(), 24, false);
    lblNumSatsT = label(frGPSData, QStringLiteral(" Num Sats"), 18, true);
    lblNumSats = label(frGPSData, QString(), 24, false);
    lblHDOPT = label(frGPSData, QStringLiteral(" HDOP"), 18, true);
    lblHDOP = label(frGPSData, QString(), 24, false);
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

    frGrid = plainFrame(QString());
    place(frGrid, 4560, 960, 6732, 4692);
    vaGPSData = new SpreadGrid(frGrid);
    gridModel_ = new GpsDataModel(kDirections, this);
    vaGPSData->setModel(gridModel_);
    vaGPSData->setFont(twips::designFont(7.8, false));
    gridModel_->setMaxRows(16);
    place(vaGPSData, 120, 240, 6492, 4332);
    // Wide enough for the longest value each column shows.
    const QFontMetrics fm(vaGPSData->font());
    const char* widest[] = {"00:00:00", "9,999.9",     "Run Dir",    "Delay #",
                            "99.99",    "-999.000000", "-999.000000"};
    for (int col = 0; col < 7; ++col) {
        vaGPSData->setColumnWidth(col, fm.horizontalAdvance(QString::fromLatin1(widest[col])) + 12);
    }

    // Shown only while records wait for a study file that cannot be written.
    lblUnsaved = label(frGrid, QString(), 9.6, true);
    lblUnsaved->setWordWrap(true);
    lblUnsaved->setAlignment(Qt::AlignCenter);
    lblUnsaved->setStyleSheet(QStringLiteral("color: #800000; background: #ffffc0;"));
    place(lblUnsaved, 120, 3720, 6492, 852);
    lblUnsaved->hide();

    lblStatus = label(this, QStringLiteral("Waiting for GPS Data..."), 13.8, false);
    place(lblStatus, 120, 5760, 10092, 492);
    btnHideSentences = new QPushButton(QStringLiteral("Hide"), this);
    btnHideSentences->setFont(twips::designFont(7.8, true));
    place(btnHideSentences, 10560, 5880, 732, 252);

    frDelayNum = plainFrame(QStringLiteral("Delay #"));
    place(frDelayNum, 120, 6120, 3492, 732);
    lblDelayNum = label(frDelayNum, QStringLiteral("Number"), 13.8, true);
    place(lblDelayNum, 120, 240, 1626, 432);
    txtDelayNum = new QLineEdit(frDelayNum);
    txtDelayNum->setFont(twips::designFont(13.8, true));
    place(txtDelayNum, 1746, 220, 1626, 432);

    frRunDir = plainFrame(QStringLiteral(" Run Direction"));
    place(frRunDir, 120, 6360, 3492, 732);
    lblRunDir = label(frRunDir, QStringLiteral("Direction"), 13.8, true);
    place(lblRunDir, 120, 240, 1626, 432);
    cmbRunDir = new QComboBox(frRunDir);
    cmbRunDir->setFont(twips::designFont(12, false));
    place(cmbRunDir, 1746, 220, 1626, 432);

    btnStartStopRun = new QPushButton(QStringLiteral("(R)un"), this);
    btnStartStopRun->setFont(twips::designFont(24, true));
    place(btnStartStopRun, 3960, 6480, 2772, 612);
    btnNewNode = new QPushButton(QStringLiteral("(N)ode"), this);
    btnNewNode->setFont(twips::designFont(13.8, true));
    place(btnNewNode, 7200, 6720, 2052, 372);
    btnExit = new QPushButton(QStringLiteral("(E)nd Study"), this);
    btnExit->setFont(twips::designFont(9.6, true));
    place(btnExit, 9720, 6720, 1572, 372);
    btnNewNode->hide(); // only during a run
    btnDummy = new QPushButton(this);
    btnDummy->setFlat(true);
    place(btnDummy, 11160, 5520, 132, 132);
    // Enter presses the button that has the focus, as on the operator's
    // usual desktop: a direction chosen, then Enter starts the run.
    for (QPushButton* b : {btnHideSentences, btnStartStopRun, btnNewNode, btnExit, btnDummy}) {
        b->setAutoDefault(true);
    }

    // Named as the layouts name them.
    const std::pair<QWidget*, const char*> names[] = {{frStudyDetails, "frStudyDetails"},
                                                      {lblStudyNamePrefixT, "lblStudyNamePrefixT"},
                                                      {lblStudyNamePrefix, "lblStudyNamePrefix"},
                                                      {lblStudyNumT, "lblStudyNumT"},
                                                      {lblStudyNum, "lblStudyNum"},
                                                      {lblRunNumT, "lblRunNumT"},
                                                      {lblRunNum, "lblRunNum"},
                                                      {lblNodeNumT, "lblNodeNumT"},
                                                      {lblNodeNum, "lblNodeNum"},
                                                      {frGPSData, "frGPSData"},
                                                      {lblTimeT, "lblTimeT"},
                                                      {lblTime, "lblTime"},
                                                      {lblSpeedT, "lblSpeedT"},
                                                      {lblSpeed, "lblSpeed"},
                                                      {lblMphKph, "lblMphKph"},
                                                      {lblLatitudeT, "lblLatitudeT"},
                                                      {lblLatitude, "lblLatitude"},
                                                      {lblLongitudeT, "lblLongitudeT"},
                                                      {lblLongitude, "lblLongitude"},
                                                      {lblGPSQualT, "lblGPSQualT"},
                                                      {lblGPSQual, "lblGPSQual"},
                                                      {lblNumSatsT, "lblNumSatsT"},
                                                      {lblNumSats, "lblNumSats"},
                                                      {lblHDOPT, "lblHDOPT"},
                                                      {lblHDOP, "lblHDOP"},
                                                      {frGrid, "frGrid"},
                                                      {vaGPSData, "vaGPSData"},
                                                      {lblUnsaved, "lblUnsaved"},
                                                      {lblStatus, "lblStatus"},
                                                      {btnHideSentences, "btnHideSentences"},
                                                      {frDelayNum, "frDelayNum"},
                                                      {lblDelayNum, "lblDelayNum"},
                                                      {txtDelayNum, "txtDelayNum"},
                                                      {frRunDir, "frRunDir"},
                                                      {lblRunDir, "lblRunDir"},
                                                      {cmbRunDir, "cmbRunDir"},
                                                      {btnStartStopRun, "btnStartStopRun"},
                                                      {btnNewNode, "btnNewNode"},
                                                      {btnExit, "btnExit"},
                                                      {btnDummy, "btnDummy"}};
    for (const auto& [widget, name] : names) {
        widget->setObjectName(QString::fromLatin1(name));
    }

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
    setFittedText(lblStudyNamePrefix, m_.StudyNamePrefix);
    setFittedText(lblStudyNum, QString::number(m_.StudyNum));
    m_.TimeOffsetHr = kOffsetUndetermined;
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

    collector_.CurNodeNum = 0;
    lblNodeNum->setText(QStringLiteral("0"));
    m_.CurFix.RunNum = 0;
    lblRunNum->setText(QStringLiteral("0"));
    collector_.RunActive = false;

    btnStartStopRun->hide(); // until the receiver is heard from
    if (m_.MetricView) {
        setFittedText(lblMphKph, QStringLiteral("      kph"));
    }
    // The text receiver sends no satellite count or HDOP.
    const QString receiver = m_.Prefs.receiverName();
    if (receiver == kTextReceiverName) {
        lblNumSatsT->hide();
        lblNumSats->hide();
        lblHDOPT->hide();
        lblHDOP->hide();
    }
    m_.Prefs.Receiver = ansi::fixedField(receiver, int(m_.Prefs.Receiver.size()));

    frDelayNum->move(frDelayNum->x(), frRunDir->y());
    frDelayNum->hide();
    txtDelayNum->clear();
    m_.CurFix.DelayNum = missing::kInteger;
    if (!m_.RunDirInput) {
        frRunDir->hide();
    }
    cmbRunDir->clear();
    cmbRunDir->addItems(kDirections);
    cmbRunDir->setCurrentIndex(0);
    cmbRunDir_Click();

    // The port, under one error trap: the first step that fails ends the set-up.
    CommPort& port = *port_;
    const bool opened = port.setCommPort(m_.CommPort) &&
                        port.setSettings(PortSettings(m_.BaudRate)) && port.setInputLen(1) &&
                        port.setRThreshold(1) && port.setInBufferSize(4096) &&
                        port.setPortOpen(true) && port.setRTSEnable(true);
    if (!opened) {
        m_.platform.messages->show(msg::kPortOpenFailed);
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
    ApplyMainScreenLayout(*this, m_.ScreenIs800, m_.platform.screen->logicalDpi());
}

void frmMain::closeEvent(QCloseEvent* e)
{
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
    if (const int unsaved = collector_.unsavedRecords(); unsaved > 0) {
        m_.platform.messages->show(msg::recordsNotSaved(unsaved, StudyFilePath(m_)));
    }
    UnloadAllForms();
    QCoreApplication::quit();
}

void frmMain::btnExit_Click()
{
    close();
}

void frmMain::btnStartStopRun_Click()
{
    if (collector_.RunActive) {
        stopRun();
    } else {
        startRun();
    }
}

void frmMain::startRun()
{
    btnDummy->setFocus();
    collector_.StartRun();
    setFittedText(btnStartStopRun, QStringLiteral("Stop (R)un"));
    QPalette p = btnStartStopRun->palette();
    p.setColor(QPalette::Button, colours::toQColor(colours::kLightRed));
    btnStartStopRun->setPalette(p);
    paintSurfaces(colours::kLightGreen);
    setFittedText(lblRunNum, QString::number(m_.CurFix.RunNum));
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
    if (cmbRunDir->currentText() != QStringLiteral("-----")) {
        cmbRunDir_Click();
    }
}

void frmMain::stopRun()
{
    if (!collector_.StopRun()) {
        return; // the same clock tick as the last Start or Stop
    }
    btnDummy->setFocus();
    setFittedText(btnStartStopRun, QStringLiteral("Start (R)un"));
    QPalette p = btnStartStopRun->palette();
    p.setColor(QPalette::Button, colours::toQColor(colours::kLightGreen));
    btnStartStopRun->setPalette(p);
    paintSurfaces(colours::kLightRed);
    lblNodeNum->setText(QStringLiteral("0"));
    btnExit->setEnabled(true);
    btnExit->show();
    btnNewNode->setEnabled(false);
    btnNewNode->hide();
    if (m_.RunDirInput) {
        frRunDir->show();
    }
    frDelayNum->hide();
    EventBeep(2);
}

void frmMain::btnNewNode_Click()
{
    if (!collector_.NewNode()) {
        return;
    }
    setFittedText(lblNodeNum, QString::number(collector_.CurNodeNum));
    btnDummy->setFocus();
    EventBeep(3);
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
            Form_KeyDown(virtualKey(key->key()));
            if (const int ascii = asciiOf(key)) {
                Form_KeyPress(ascii);
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

void frmMain::Form_KeyPress(int keyAscii)
{
    switch (keyAscii) {
    case 13:
        if (QApplication::focusWidget() == txtDelayNum) {
            collector_.EnterDelay(txtDelayNum->text());
            txtDelayNum->clear();
        }
        break;
    case ' ':
    case 'N':
    case 'n':
        btnDummy->setFocus();
        btnNewNode_Click();
        break;
    case 'R':
    case 'r':
        btnStartStopRun_Click();
        break;
    case 'E':
    case 'e':
    case 'b':
        if (!collector_.RunActive) {
            btnExit_Click();
        }
        break;
    default:
        break;
    }
}

void frmMain::Form_KeyDown(int keyCode)
{
    if (!m_.RemoteEnabled) {
        return;
    }
    if (keyCode == kVkPageUp || keyCode == kVkMediaPlayPause) {
        btnStartStopRun_Click();
    } else if (keyCode == kVkPageDown || keyCode == kVkMediaStop) {
        btnNewNode_Click();
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
    // The newest row is the 16th visible once there are more than 15.
    if (g.row() > 15) {
        g.setTopRow(g.row() - 15);
    }
}

void frmMain::paintWindow(quint32 colour)
{
    setBackground(this, colour);
}

void frmMain::paintStatus(quint32 colour)
{
    setBackground(lblStatus, colour);
}

void frmMain::setStatus(QLatin1StringView text)
{
    lblStatus->setText(QString(text));
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

void frmMain::showUnsavedRecords(int count)
{
    if (count == 0) {
        lblUnsaved->hide();
        return;
    }
    lblUnsaved->setText(msg::recordsWaiting(count, StudyFilePath(m_)));
    lblUnsaved->show();
}
