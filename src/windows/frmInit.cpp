// The study set-up dialog: its controls, the port test, and OK.

#include "frmInit.h"

#include "AnsiText.h"
#include "CommPort.h"
#include "FolderTree.h"
#include "Forms.h"
#include "Messages.h"
#include "Platform.h"
#include "Preferences.h"
#include "ReceiverProfiles.h"
#include "ScreenCheck.h"
#include "ScreenLayout.h"
#include "ScreenMetrics.h"
#include "Settings.h"
#include "SetupRules.h"
#include "StudyWriter.h"
#include "Twips.h"
#include "UserMessages.h"
#include "Version.h"
#include "frmConfirmOverwrite.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
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

frmInit::frmInit(StudySettings& settings, const Preferences& prefs, StudyWriter& writer,
                 Platform& platform, std::unique_ptr<CommPort> testPort,
                 std::function<void()> showMain, QWidget* parent)
    : QDialog(parent), settings_(settings), prefs_(prefs), writer_(writer), platform_(platform),
      MSComm1(std::move(testPort)), showMain_(std::move(showMain))
{
    buildControls();
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

    // Under the folder tree, above the buttons: read without hovering, since
    // what it says (a group to join, a program holding the device) is what
    // lets the receiver work at all.
    NAMED(lblPortProblem, new QLabel(this));
    lblPortProblem->setTextFormat(Qt::PlainText);
    lblPortProblem->setWordWrap(true);
    lblPortProblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblPortProblem->setFont(twips::designFont(7.8, false));
    lblPortProblem->setStyleSheet(QStringLiteral("color: #c00000;"));
    lblPortProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(lblPortProblem, 120, 4920, 6732, 1620);
    lblPortProblem->hide();

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
    connect(txtStudyNum, &QLineEdit::textChanged, this, &frmInit::txtStudyNum_Change);
    connect(cmbCommPort, &QComboBox::editTextChanged, this, &frmInit::cmbCommPort_Change);
    connect(cmbCommPort, &QComboBox::activated, this, &frmInit::cmbCommPort_Click);
    connect(cmbGPSName, &QComboBox::activated, this, &frmInit::cmbGPSName_Click);
    connect(cmbBaudRate, &QComboBox::activated, this, &frmInit::cmbBaudRate_Click);
}

void frmInit::Form_Load()
{
    prefs_.LoadPrefs(settings_);
    {
        // Listing a port is not choosing it.
        const QSignalBlocker listing(cmbCommPort);
        for (qint16 port = 1; port <= kHighestPort; ++port) {
            if (TestCommPort(port)) {
                cmbCommPort->addItem(QString::number(port));
            }
        }
    }
    cmbCommPort->setEditText(QString::number(settings_.CommPort));
    paintPortBox(TestCommPort(settings_.CommPort));

    {
        const QSignalBlocker listing(cmbGPSName);
        cmbGPSName->addItems(OfferedReceivers());
    }
    cmbGPSName->setEditText(ansi::trimSpaces(settings_.GPSName));
    // The list opens wide enough for the longest name, however narrow the box.
    cmbGPSName->view()->setMinimumWidth(
        cmbGPSName->view()->sizeHintForColumn(0) +
        cmbGPSName->view()->verticalScrollBar()->sizeHint().width());
    {
        const QSignalBlocker listing(cmbBaudRate);
        for (qint32 baud : OfferedBaudRates()) {
            cmbBaudRate->addItem(QString::number(baud));
        }
    }
    cmbBaudRate->setEditText(QString::number(settings_.BaudRate));

    chkRemoteEnabled->setChecked(settings_.RemoteEnabled);
    chkMetric->setChecked(settings_.MetricView);
    chkRunDir->setChecked(settings_.RunDirInput);

    QApplication::processEvents();
    treStudyName->setSelectedFolder(ansi::trimSpaces(settings_.DataFolder));
    DataPath = ansi::trimSpaces(settings_.DataFolder);
    InitDone = true;
    showDataPath();

    // The lists are filled now: each entry shown whole.
    FitAllTexts(*this);
    show();
    btnOk->setFocus();
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
}

bool frmInit::TestCommPort(qint16 port)
{
    if (!MSComm1->setCommPort(port) || !MSComm1->setPortOpen(true)) {
        return false;
    }
    return MSComm1->setPortOpen(false);
}

void frmInit::paintPortBox(bool opens)
{
    // Why it does not open, where the operator looks: a device held by
    // another program or not permitted to this user, a network entry that
    // is wrong or does not answer.
    const QString why = opens ? QString() : MSComm1->openFailure();
    cmbCommPort->setToolTip(why);
    lblPortProblem->setText(why);
    lblPortProblem->setVisible(!why.isEmpty());
    QPalette p = cmbCommPort->palette();
    p.setColor(QPalette::Base, opens ? QColor(255, 255, 255) : QColor(255, 0, 0));
    cmbCommPort->setPalette(p);
}

void frmInit::cmbCommPort_Change()
{
    const std::optional<qint16> port = setup::portNumber(cmbCommPort->currentText());
    if (port) {
        settings_.CommPort = *port;
    }
    paintPortBox(port && TestCommPort(*port));
}

void frmInit::cmbGPSName_Click(int index)
{
    settings_.GPSName = cmbGPSName->itemText(index);
}

void frmInit::cmbBaudRate_Click(int index)
{
    settings_.BaudRate = cmbBaudRate->itemText(index).toInt();
}

void frmInit::txtStudyNum_Change()
{
    settings_.StudyNum = setup::studyNumberWhileTyping(txtStudyNum->text());
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

void frmInit::btnOk_Click()
{
    // Nothing is written or deleted unless the name, the number and the port make sense.
    const QString prefix = ansi::trimSpaces(txtStudyNamePrefix->text());
    if (const QString problem = setup::prefixProblem(prefix); !problem.isEmpty()) {
        platform_.messages.show(problem);
        txtStudyNamePrefix->setFocus();
        return;
    }
    const std::optional<qint16> number = setup::studyNumber(txtStudyNum->text());
    if (!number) {
        platform_.messages.show(setup::kStudyNumberNotANumber);
        txtStudyNum->setFocus();
        return;
    }
    if (!setup::portNumber(cmbCommPort->currentText())) {
        platform_.messages.show(setup::portNumberOutOfRange(cmbCommPort->currentText()));
        cmbCommPort->setFocus();
        return;
    }
    if (const QString problem = setup::folderProblem(DataPath); !problem.isEmpty()) {
        platform_.messages.show(problem);
        treStudyName->setFocus();
        return;
    }
    settings_.StudyNamePrefix = prefix;
    settings_.StudyNum = *number;
    settings_.DataFolder = DataPath;

    // A study another running copy records is neither asked about nor replaced.
    const QString path = StudyFilePath(settings_);
    if (const std::optional<qint64> holder = writer_.claim(path)) {
        platform_.messages.show(msg::studyInUse(path, *holder));
        txtStudyNamePrefix->setFocus();
        return;
    }
    // Any file of that name counts, hidden or not, and a link even to
    // nothing: a study is never replaced without the operator's word. A
    // folder of that name is no study to replace; creating the file fails.
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && !existing.isDir()) {
        frmConfirmOverwrite confirm(settings_, platform_.screen.logicalDpi(), this);
        confirm.Form_Load();
        confirm.exec();
        if (!confirm.OverwriteOK) {
            txtStudyNamePrefix->setFocus();
            txtStudyNamePrefix->setSelection(txtStudyNamePrefix->cursorPosition(),
                                             int(txtStudyNamePrefix->text().size()));
            return;
        }
        QFile::remove(path);
    }

    settings_.RemoteEnabled = chkRemoteEnabled->isChecked();
    settings_.MetricView = chkMetric->isChecked();
    settings_.RunDirInput = chkRunDir->isChecked();
    // The header copies the preferences as they were before this set-up.
    writer_.setStudy(path, settings_.Prefs);
    const bool WriteHeader = true;
    if (!writer_.OpenStudyFile(WriteHeader)) {
        platform_.messages.show(msg::kDataFileOpenFailed);
        return; // the dialog stays
    }
    writer_.close();
    prefs_.SavePrefs(settings_);
    close();
    if (showMain_) {
        showMain_();
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
