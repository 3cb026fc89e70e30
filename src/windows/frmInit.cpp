// The study set-up dialog: its controls, the port tests behind it, and OK.

#include "frmInit.h"

#include "AnsiText.h"
#include "CheckpointFile.h"
#include "FolderTree.h"
#include "Forms.h"
#include "Platform.h"
#include "PortProbe.h"
#include "PrefsRecord.h"
#include "ReceiverProfiles.h"
#include "ScreenCheck.h"
#include "ScreenLayout.h"
#include "ScreenMetrics.h"
#include "SetupRules.h"
#include "Twips.h"
#include "UserMessages.h"
#include "Version.h"
#include "frmConfirmOverwrite.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

constexpr double kClientWidth = 11364;
constexpr double kClientHeight = 7188;
constexpr int kHighestPort = 32;

} // namespace

frmInit::frmInit(StudySetup& setup, Platform& platform, std::unique_ptr<PortProbe> probe,
                 std::function<void()> showMain, QWidget* parent)
    : QDialog(parent), setup_(setup), platform_(platform), MSComm1(std::move(probe)),
      showMain_(std::move(showMain))
{
    buildControls();
    connect(MSComm1.get(), &PortProbe::answered, this, &frmInit::portTested);
}

frmInit::~frmInit() = default;

void frmInit::buildControls()
{
    const double dpi = platform_.screen.logicalDpi();
    const auto place = [dpi](QWidget* w, double l, double t, double wd, double h) {
        twips::place(w, l, t, wd, h, dpi);
    };
    setFixedSize(twips::toPixels(kClientWidth, dpi), twips::toPixels(kClientHeight, dpi));
    const QFont frameFont = twips::designFont(7.8, true);
    const QFont captionFont = twips::designFont(13.8, true);
    const QFont comboFont = twips::designFont(9.6, false);
    const auto frame = [&](double top) {
        auto* f = new QGroupBox(this);
        f->setFont(frameFont);
        place(f, 6960, top, 4332, 732);
        return f;
    };
    const auto caption = [&](QWidget* parent, const QString& text) {
        auto* l = new QLabel(text, parent);
        l->setTextFormat(Qt::PlainText); // folder names are not markup
        l->setFont(captionFont);
        place(l, 120, 240, 2172, 372);
        return l;
    };
    const auto combo = [&](QWidget* parent, double left, double top) {
        auto* c = new QComboBox(parent);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setFont(comboFont);
        place(c, left, top, 1812, 372);
        // No completion while typing: "1" must stay port 1, not become 10.
        c->setCompleter(nullptr);
        // A name longer than the box shows its beginning, not its end. Queued:
        // the line edit puts its cursor at the end once the change is done.
        QLineEdit* edit = c->lineEdit();
        const auto showStart = [edit] {
            if (!edit->hasFocus()) {
                edit->setCursorPosition(0);
            }
        };
        connect(edit, &QLineEdit::textChanged, edit, showStart, Qt::QueuedConnection);
        connect(
            c, &QComboBox::activated, edit, [edit] { edit->setCursorPosition(0); },
            Qt::QueuedConnection);
        return c;
    };
    const auto check = [&](QWidget* parent, const QString& text) {
        auto* c = new QCheckBox(text, parent);
        c->setFont(frameFont);
        place(c, 120, 240, 4092, 372);
        return c;
    };

    NAMED(frStudyDetails, new QGroupBox(QStringLiteral("Study Details"), this));
    frStudyDetails->setFont(frameFont);
    place(frStudyDetails, 120, 120, 11172, 852);
    NAMED(lblStudyNamePrefixT, caption(frStudyDetails, QStringLiteral(" Study Name")));
    place(lblStudyNamePrefixT, 120, 240, 2052, 492);
    NAMED(txtStudyNamePrefix, new QLineEdit(QStringLiteral("Test"), frStudyDetails));
    txtStudyNamePrefix->setMaxLength(25);
    txtStudyNamePrefix->setFont(twips::designFont(18, true));
    txtStudyNamePrefix->setCursorPosition(0);
    place(txtStudyNamePrefix, 2280, 209, 6852, 555);
    NAMED(lblStudyNumT, caption(frStudyDetails, QStringLiteral(" #")));
    place(lblStudyNumT, 9720, 240, 612, 492);
    NAMED(txtStudyNum, new QLineEdit(QStringLiteral("1"), frStudyDetails));
    txtStudyNum->setMaxLength(2);
    txtStudyNum->setFont(twips::designFont(18, true));
    place(txtStudyNum, 10440, 209, 612, 555);

    NAMED(frCurDataFolder, new QGroupBox(QStringLiteral("Current Data Folder"), this));
    frCurDataFolder->setFont(frameFont);
    place(frCurDataFolder, 120, 1080, 6732, 3732);
    NAMED(lblDataPath, caption(frCurDataFolder, QStringLiteral(" Data Path")));
    place(lblDataPath, 120, 240, 6492, 372);
    NAMED(treStudyName, new FolderTree(frCurDataFolder));
    treStudyName->setFont(comboFont);
    place(treStudyName, 120, 720, 6492, 2928);

    NAMED(frCommPort, frame(1080));
    NAMED(lblCommPort, caption(frCommPort, QStringLiteral(" Comm Port")));
    NAMED(cmbCommPort, combo(frCommPort, 3600, 240));
    cmbCommPort->resize(twips::toPixels(612, dpi), cmbCommPort->height());
    NAMED(frGPSReceiver, frame(1800));
    NAMED(lblGPSNameT, caption(frGPSReceiver, QStringLiteral(" GPS Receiver")));
    NAMED(cmbGPSName, combo(frGPSReceiver, 2400, 240));
    cmbGPSName->lineEdit()->setMaxLength(PrefsRecord::kReceiverLen);
    NAMED(frBaudRate, frame(2520));
    NAMED(lblBaudRate, caption(frBaudRate, QStringLiteral(" Baud Rate")));
    NAMED(cmbBaudRate, combo(frBaudRate, 2400, 258));
    NAMED(frRemoteEnabled, frame(3360));
    NAMED(chkRemoteEnabled,
          check(frRemoteEnabled, QStringLiteral("Enable Clavent Remote Control")));
    NAMED(frMetric, frame(4080));
    NAMED(chkMetric, check(frMetric, QStringLiteral("Enable Metric View for Speeds")));
    NAMED(frRunDir, frame(4920));
    NAMED(chkRunDir, check(frRunDir, QStringLiteral("Input Run Direction with GPS Data")));
    cmbCommPort->setEditText(QStringLiteral("1"));
    cmbGPSName->setEditText(QStringLiteral("Garmin 35"));
    cmbBaudRate->setEditText(QStringLiteral("19200"));

    // In the right-hand column under the options, above the buttons: read
    // without hovering, since what it says (a group to join, a program
    // holding the device) is what lets the receiver work at all.
    NAMED(lblPortProblem, new QLabel(this));
    lblPortProblem->setTextFormat(Qt::PlainText);
    lblPortProblem->setWordWrap(true);
    lblPortProblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblPortProblem->setFont(twips::designFont(7.8, false));
    lblPortProblem->setStyleSheet(QStringLiteral("color: #c00000;"));
    lblPortProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(lblPortProblem, 6960, 5700, 4332, 840);
    lblPortProblem->hide();

    // The route's checkpoint file, under the data folder: with one, runs
    // start, mark their nodes and stop by position.
    NAMED(frCheckpoints, new QGroupBox(QStringLiteral("Checkpoint File"), this));
    frCheckpoints->setFont(frameFont);
    place(frCheckpoints, 120, 4890, 6732, 1620);
    NAMED(lblCheckpointFile, new QLabel(frCheckpoints));
    lblCheckpointFile->setTextFormat(Qt::PlainText);
    lblCheckpointFile->setFont(comboFont);
    place(lblCheckpointFile, 120, 270, 4332, 372);
    NAMED(btnCheckpointFile, new QPushButton(QStringLiteral("&Choose..."), frCheckpoints));
    btnCheckpointFile->setFont(frameFont);
    // Neither is what Enter means where no button has the focus.
    btnCheckpointFile->setAutoDefault(false);
    place(btnCheckpointFile, 4560, 210, 1000, 420);
    NAMED(btnClearCheckpoints, new QPushButton(QStringLiteral("C&lear"), frCheckpoints));
    btnClearCheckpoints->setFont(frameFont);
    btnClearCheckpoints->setAutoDefault(false);
    place(btnClearCheckpoints, 5640, 210, 972, 420);
    // Why a file cannot be used can take three lines.
    NAMED(lblCheckpointCount, new QLabel(frCheckpoints));
    lblCheckpointCount->setTextFormat(Qt::PlainText);
    lblCheckpointCount->setWordWrap(true);
    lblCheckpointCount->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCheckpointCount->setFont(comboFont);
    place(lblCheckpointCount, 120, 660, 6492, 900);

    NAMED(btnOk, new QPushButton(QStringLiteral("O&k"), this));
    btnOk->setFont(twips::designFont(12, true));
    place(btnOk, 4080, 6600, 1092, 492);
    NAMED(btnExit, new QPushButton(QStringLiteral("E&xit"), this));
    btnExit->setFont(twips::designFont(12, true));
    place(btnExit, 6120, 6600, 972, 492);
    // No default button: Enter presses the button that has the focus (O&k
    // when the window opens); see keyPressEvent.
    FitAllTexts(*this);

    connect(btnOk, &QPushButton::clicked, this, &frmInit::btnOk_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmInit::btnExit_Click);
    connect(treStudyName, &FolderTree::folderSelected, this, &frmInit::treStudyName_FolderClick);
    connect(cmbCommPort, &QComboBox::editTextChanged, this, &frmInit::cmbCommPort_Change);
    connect(cmbCommPort, &QComboBox::activated, this, &frmInit::cmbCommPort_Click);
    connect(btnCheckpointFile, &QPushButton::clicked, this, &frmInit::btnCheckpointFile_Click);
    connect(btnClearCheckpoints, &QPushButton::clicked, this, &frmInit::btnClearCheckpoints_Click);
}

void frmInit::Form_Load()
{
    const StudySettings& loaded = setup_.load();
    {
        // Tested once the window shows, first of all.
        const QSignalBlocker filling(cmbCommPort);
        cmbCommPort->setEditText(QString::number(loaded.CommPort));
    }

    cmbGPSName->addItems(OfferedReceivers());
    cmbGPSName->setEditText(ansi::trimSpaces(loaded.GPSName));
    // The list opens wide enough for the longest name, however narrow the box.
    cmbGPSName->view()->setMinimumWidth(
        cmbGPSName->view()->sizeHintForColumn(0) +
        cmbGPSName->view()->verticalScrollBar()->sizeHint().width());
    for (qint32 baud : OfferedBaudRates()) {
        cmbBaudRate->addItem(QString::number(baud));
    }
    cmbBaudRate->setEditText(QString::number(loaded.BaudRate));

    chkRemoteEnabled->setChecked(loaded.RemoteEnabled);
    chkMetric->setChecked(loaded.MetricView);
    chkRunDir->setChecked(loaded.RunDirInput);
    chooseCheckpointFile(loaded.CheckpointFile);

    QApplication::processEvents();
    treStudyName->setSelectedFolder(ansi::trimSpaces(loaded.DataFolder));
    DataPath = ansi::trimSpaces(loaded.DataFolder);
    InitDone = true;
    showDataPath();

    // The lists are filled now: each entry shown whole.
    FitAllTexts(*this);
    show();
    btnOk->setFocus();
    // Behind the window, which takes keys meanwhile: a network source may
    // take a second to answer, or never answer at all.
    cmbCommPort_Change();
    for (qint16 port = 1; port <= kHighestPort; ++port) {
        TestCommPort(port);
    }
    QApplication::processEvents();
    setWindowTitle(version::windowTitle());
}

bool frmInit::event(QEvent* e)
{
    // Showing counts as activation too: without a window manager a window
    // may be shown and never activated.
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) {
        Form_Activate();
    }
    return QDialog::event(e);
}

void frmInit::Form_Activate()
{
    const bool ScreenIs800 = CheckScreenSize(platform_.screen);
    ApplyInitScreenLayout(*this, ScreenIs800, platform_.screen.logicalDpi());
    showCheckpointFile(); // shortened to the label's width in this layout
}

void frmInit::TestCommPort(qint16 port)
{
    if (!testing_.contains(port)) {
        testing_.insert(port);
        MSComm1->ask(port);
    }
}

void frmInit::portTested(qint16 port, bool opens, const QString& why)
{
    testing_.remove(port);
    const PortAnswer& answer = portAnswers_[port] = {opens, why};
    if (port >= 1 && port <= kHighestPort) {
        listPort(port, opens);
    }
    // An answer about a port the box no longer shows does not colour it.
    if (setup::portNumber(cmbCommPort->currentText()) == port) {
        paintPortBox(&answer);
    }
}

void frmInit::listPort(qint16 port, bool opens)
{
    const QString name = QString::number(port);
    const int at = cmbCommPort->findText(name);
    if (opens == (at >= 0)) {
        return;
    }
    // Listing a port is not choosing it: the box keeps what it shows, even
    // halfway through typing (the first entry of a list would replace it).
    const QSignalBlocker listing(cmbCommPort);
    QLineEdit* edit = cmbCommPort->lineEdit();
    const QString shown = edit->text();
    const int cursor = edit->cursorPosition();
    if (opens) {
        int row = 0;
        while (row < cmbCommPort->count() && cmbCommPort->itemText(row).toInt() < port) {
            ++row;
        }
        cmbCommPort->insertItem(row, name);
    } else {
        cmbCommPort->removeItem(at);
    }
    if (edit->text() != shown) {
        edit->setText(shown);
        edit->setCursorPosition(cursor);
    }
    twips::fitEntries(cmbCommPort);
}

void frmInit::paintPortBox(const PortAnswer* answer)
{
    // White until the port is known not to open. Why it does not open, where
    // the operator looks: a device held by another program or not permitted
    // to this user, a network entry that is wrong or does not answer.
    const bool red = answer && !answer->opens;
    const QString why = red ? answer->why : QString();
    cmbCommPort->setToolTip(why);
    lblPortProblem->setText(why);
    lblPortProblem->setVisible(!why.isEmpty());
    QPalette p = cmbCommPort->palette();
    p.setColor(QPalette::Base, red ? QColor(255, 0, 0) : QColor(255, 255, 255));
    cmbCommPort->setPalette(p);
}

void frmInit::cmbCommPort_Change()
{
    const std::optional<qint16> port = setup::portNumber(cmbCommPort->currentText());
    if (!port) {
        const PortAnswer none{false, setup::portNumberOutOfRange(cmbCommPort->currentText())};
        paintPortBox(&none);
        return;
    }
    // The last answer about it until the new one comes.
    const auto known = portAnswers_.constFind(*port);
    paintPortBox(known == portAnswers_.cend() ? nullptr : &*known);
    TestCommPort(*port);
}

void frmInit::treStudyName_FolderClick(const QString& path, bool byOperator)
{
    if (!InitDone || !byOperator) {
        return;
    }
    QApplication::processEvents();
    const QString chosen = setup::folderWithSeparator(path);
    // A folder the preferences cannot keep would put the next study elsewhere.
    if (const QString problem = setup::folderProblem(chosen); !problem.isEmpty()) {
        platform_.messages.show(problem);
        return;
    }
    DataPath = chosen;
    showDataPath();
}

void frmInit::showDataPath()
{
    // A remembered folder that cannot be used (cut, relative, garbled) is
    // shown as such: nothing is written through it.
    const bool usable = setup::folderProblem(DataPath).isEmpty();
    const QString text = usable ? DataPath : QStringLiteral("Unusable: ") + DataPath;
    lblDataPath->setText(text);
    lblDataPath->setStyleSheet(usable ? QString() : QStringLiteral("color: #c00000;"));
    twips::fitWidth(lblDataPath, text);
}

void frmInit::btnCheckpointFile_Click()
{
    const QString from = CheckpointPath.isEmpty() ? DataPath : QFileInfo(CheckpointPath).path();
    const QString chosen = QFileDialog::getOpenFileName(
        this, QStringLiteral("Choose the route's checkpoint file"), from,
        QStringLiteral("Checkpoint files (*.csv *.gpx *.geojson *.json);;All files (*)"));
    if (!chosen.isEmpty()) {
        chooseCheckpointFile(chosen);
    }
}

void frmInit::btnClearCheckpoints_Click()
{
    chooseCheckpointFile(QString());
}

void frmInit::chooseCheckpointFile(const QString& path)
{
    CheckpointPath = path;
    // A file that cannot be used (gone, unreadable, a bad line) says so
    // here; OK refuses it with the same words.
    QString said;
    bool usable = true;
    if (!path.isEmpty()) {
        const route::CheckpointList route = route::readCheckpoints(path);
        usable = route.ok();
        said = usable ? setup::checkpointsRead(route.checkpoints.size()) : route.error;
    }
    lblCheckpointCount->setText(said);
    lblCheckpointCount->setToolTip(said);
    lblCheckpointCount->setStyleSheet(usable ? QString() : QStringLiteral("color: #c00000;"));
    btnClearCheckpoints->setEnabled(!path.isEmpty());
    showCheckpointFile();
}

void frmInit::showCheckpointFile()
{
    // A long path keeps its end, the file's name and the folders nearest it,
    // in the label's own font, not one narrowed for a longer text.
    QFont font = lblCheckpointFile->font();
    font.setStretch(QFont::Unstretched);
    lblCheckpointFile->setFont(font);
    const QString text = CheckpointPath.isEmpty() ? QStringLiteral("None") : CheckpointPath;
    lblCheckpointFile->setText(QFontMetrics(font).elidedText(
        text, Qt::ElideLeft, lblCheckpointFile->contentsRect().width() - 6));
    lblCheckpointFile->setToolTip(CheckpointPath);
}

SetupChoices frmInit::choices() const
{
    return {txtStudyNamePrefix->text(),
            txtStudyNum->text(),
            DataPath,
            cmbCommPort->currentText(),
            cmbGPSName->currentText(),
            cmbBaudRate->currentText(),
            chkRemoteEnabled->isChecked(),
            chkMetric->isChecked(),
            chkRunDir->isChecked(),
            CheckpointPath};
}

QWidget* frmInit::box(StudySetup::Box b) const
{
    using Box = StudySetup::Box;
    switch (b) {
    case Box::StudyNamePrefix:
        return txtStudyNamePrefix;
    case Box::StudyNum:
        return txtStudyNum;
    case Box::DataFolder:
        return treStudyName;
    case Box::CommPort:
        return cmbCommPort;
    case Box::GPSName:
        return cmbGPSName;
    case Box::BaudRate:
        return cmbBaudRate;
    case Box::CheckpointFile:
        return btnCheckpointFile;
    case Box::None:
        break;
    }
    return nullptr;
}

void frmInit::btnOk_Click()
{
    const StudySetup::Answer answer = setup_.accept(choices(), [this](const StudySettings& study) {
        frmConfirmOverwrite confirm(study, platform_.screen.logicalDpi(), this);
        confirm.Form_Load();
        confirm.exec();
        return confirm.OverwriteOK;
    });
    using Outcome = StudySetup::Answer::Outcome;
    if (answer.outcome == Outcome::Created) {
        close();
        if (showMain_) {
            showMain_();
        }
        return;
    }
    if (!answer.message.isEmpty()) {
        platform_.messages.show(answer.message);
    }
    if (QWidget* w = box(answer.box)) {
        w->setFocus();
    }
    if (answer.outcome == Outcome::Declined) {
        // From where the cursor stands: at the start, unless the operator
        // has edited the name, the whole name, and a typed one replaces it.
        txtStudyNamePrefix->setSelection(txtStudyNamePrefix->cursorPosition(),
                                         int(txtStudyNamePrefix->text().size()));
    }
}

void frmInit::btnExit_Click()
{
    close();
}

void frmInit::keyPressEvent(QKeyEvent* e)
{
    // A focused button takes Enter itself. Anywhere else Enter does nothing:
    // a dialog would press the first button that ever had the focus, and a
    // study must not be created from a half-typed name or a folder opened
    // with the keyboard.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void frmInit::reject()
{
    close();
}

void frmInit::closeEvent(QCloseEvent* e)
{
    // Not QDialog's own handling, which would turn the close into a reject.
    Form_Unload();
    e->accept();
}

void frmInit::Form_Unload()
{
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    UnloadAllForms();
    EndIfNoWindows();
}
