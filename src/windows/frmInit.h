#pragma once
// The study set-up dialog: study name and number, data folder, receiver,
// port, speed, options and the route's checkpoint file. The boxes edit only
// themselves; OK hands what they show to the study set-up, which creates the
// study file, and opens the main window. Exit ends the program and writes
// nothing. The window shows at once; which ports open is found behind it.

#include "StudySetup.h"

#include <QDialog>
#include <QHash>
#include <QSet>
#include <functional>
#include <memory>

class FolderTree;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class PortProbe;
struct Platform;

class frmInit final : public QDialog
{
    Q_OBJECT

public:
    // setup loads the settings and creates the study. probe is the dialog's
    // own port tester, which only sees which ports open; showMain creates
    // and shows the main window once the study is set up.
    frmInit(StudySetup& setup, Platform& platform, std::unique_ptr<PortProbe> probe,
            std::function<void()> showMain, QWidget* parent = nullptr);
    ~frmInit() override;

    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void btnOk_Click();
    void btnExit_Click();
    void treStudyName_FolderClick(const QString& path, bool byOperator);
    void cmbCommPort_Change();
    void cmbCommPort_Click() { cmbCommPort_Change(); }
    // Has the port tested, unless a test of it is under way; the answer
    // lists it and colours the port box, if the box still shows it.
    void TestCommPort(qint16 port);
    void btnCheckpointFile_Click();
    void btnClearCheckpoints_Click();
    // Shows path as the route's checkpoint file ("" for none), with how many
    // checkpoints it holds or why it cannot be used.
    void chooseCheckpointFile(const QString& path);

    QString DataPath;
    QString CheckpointPath; // the checkpoint file chosen here, "" for none
    bool InitDone = false;

    QGroupBox* frStudyDetails;
    QLabel* lblStudyNamePrefixT;
    QLineEdit* txtStudyNamePrefix;
    QLabel* lblStudyNumT;
    QLineEdit* txtStudyNum;
    QGroupBox* frCurDataFolder;
    QLabel* lblDataPath;
    FolderTree* treStudyName;
    QGroupBox* frCommPort;
    QLabel* lblCommPort;
    QComboBox* cmbCommPort;
    QLabel* lblPortProblem; // why the chosen port does not open
    QGroupBox* frGPSReceiver;
    QLabel* lblGPSNameT;
    QComboBox* cmbGPSName;
    QGroupBox* frBaudRate;
    QLabel* lblBaudRate;
    QComboBox* cmbBaudRate;
    QGroupBox* frRemoteEnabled;
    QCheckBox* chkRemoteEnabled;
    QGroupBox* frMetric;
    QCheckBox* chkMetric;
    QGroupBox* frRunDir;
    QCheckBox* chkRunDir;
    QGroupBox* frCheckpoints;
    QLabel* lblCheckpointFile;
    QLabel* lblCheckpointCount;
    QPushButton* btnCheckpointFile;
    QPushButton* btnClearCheckpoints;
    QPushButton* btnOk;
    QPushButton* btnExit;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    struct PortAnswer
    {
        bool opens = false;
        QString why;
    };

    void buildControls();
    void portTested(qint16 port, bool opens, const QString& why);
    void listPort(qint16 port, bool opens);
    void paintPortBox(const PortAnswer* answer);
    void showDataPath();
    void showCheckpointFile();
    SetupChoices choices() const;
    QWidget* box(StudySetup::Box box) const;

    StudySetup& setup_;
    Platform& platform_;
    std::unique_ptr<PortProbe> MSComm1;
    std::function<void()> showMain_;
    QSet<qint16> testing_;                  // ports asked about and not yet answered
    QHash<qint16, PortAnswer> portAnswers_; // the last answer for each port
    bool unloaded_ = false;
};
