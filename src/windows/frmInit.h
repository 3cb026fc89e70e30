#pragma once
// The study set-up dialog: study name and number, data folder, receiver,
// port, speed and options. OK creates the study file and opens the main
// window; Exit ends the program and writes nothing.

#include <QDialog>
#include <functional>
#include <memory>

class CommPort;
class FolderTree;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Preferences;
class StudyWriter;
struct Platform;
struct StudySettings;

class frmInit final : public QDialog
{
    Q_OBJECT

public:
    // The dialog writes the settings and the preferences file, and has the
    // study file created. testPort is its own port, used only to see which
    // ports open; showMain creates and shows the main window once the study is
    // set up.
    frmInit(StudySettings& settings, const Preferences& prefs, StudyWriter& writer,
            Platform& platform, std::unique_ptr<CommPort> testPort, std::function<void()> showMain,
            QWidget* parent = nullptr);
    ~frmInit() override;

    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void btnOk_Click();
    void btnExit_Click();
    void treStudyName_FolderClick(const QString& path, bool byOperator);
    void txtStudyNum_Change();
    void cmbCommPort_Change();
    void cmbCommPort_Click() { cmbCommPort_Change(); }
    void cmbGPSName_Click(int index);
    void cmbBaudRate_Click(int index);
    bool TestCommPort(qint16 port);

    QString DataPath;
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
    QPushButton* btnOk;
    QPushButton* btnExit;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void buildControls();
    void paintPortBox(bool opens);
    void showDataPath();

    StudySettings& settings_;
    const Preferences& prefs_;
    StudyWriter& writer_;
    Platform& platform_;
    std::unique_ptr<CommPort> MSComm1;
    std::function<void()> showMain_;
    bool unloaded_ = false;
};
