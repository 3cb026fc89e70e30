// The set-up dialog and the overwrite confirmation, driven as the operator
// drives them, with ports and files the test controls.

#include "AnsiText.h"
#include "FakeCommPort.h"
#include "FolderTree.h"
#include "TestSupport.h"
#include "frmConfirmOverwrite.h"
#include "frmInit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

enum class Answer
{
    Yes,
    No,
    CloseButton
};

// Answers the overwrite confirmation as soon as it shows, and keeps its text.
void answerConfirmation(Answer answer, QString* question = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<frmConfirmOverwrite*>(QApplication::activeModalWidget());
        if (!dialog) {
            return; // the test then fails on what the dialog did not do
        }
        if (question) {
            // The focus rests on "No, Rename File", so Enter answers no.
            *question = dialog->focusWidget() == dialog->btnNo ? dialog->lblQues1->text()
                                                               : QStringLiteral("focus elsewhere");
        }
        if (answer == Answer::Yes) {
            dialog->btnYes->click();
        } else if (answer == Answer::No) {
            dialog->btnNo->click();
        } else {
            dialog->close();
        }
    });
}

struct Setup : TestPlatform
{
    QTemporaryDir dir;
    QString prefsFile = dir.filePath("Veltrip.bin");
    Preferences prefs{prefsFile, QStringLiteral("/opt/gtt"), files, messages};
    StudySettings settings;
    StudyWriter writer{files, clock};
    int mainShown = 0;
    std::unique_ptr<frmInit> w;

    // With savedPrefs false the dialog meets a first start; folder is the
    // remembered data folder, the temporary folder when empty.
    explicit Setup(bool savedPrefs = true, std::function<bool(int)> present = {},
                   const QString& folder = {})
    {
        if (savedPrefs) {
            StudySettings saved;
            prefs.LoadPrefs(saved);
            saved.DataFolder = folder.isEmpty() ? dir.path() + QDir::separator() : folder;
            prefs.SavePrefs(saved);
        }
        auto p = std::make_unique<FakeCommPort>();
        if (present) {
            p->present = present;
        }
        w = std::make_unique<frmInit>(settings, prefs, writer, platform, std::move(p),
                                      [this] { ++mainShown; });
        w->Form_Load();
    }

    QString studyPath(const QString& name) const { return dir.filePath(name); }
};

} // namespace

class TstFrmInit : public QObject
{
    Q_OBJECT

private slots:
    void firstStartShowsTheDefaults()
    {
        Setup s(false);
        frmInit& w = *s.w;
        QCOMPARE(w.cmbCommPort->currentText(), QString("1"));
        QCOMPARE(w.cmbGPSName->currentText(), QString("Standard USB"));
        QCOMPARE(w.cmbBaudRate->currentText(), QString("4800"));
        QVERIFY(!w.chkRemoteEnabled->isChecked());
        QVERIFY(!w.chkMetric->isChecked());
        QVERIFY(!w.chkRunDir->isChecked());
        QCOMPARE(w.txtStudyNamePrefix->text(), QString("Test"));
        QCOMPARE(w.txtStudyNum->text(), QString("1"));
        QCOMPARE(w.DataPath, QString("/opt/gtt/Data Files/"));
        QCOMPARE(w.lblDataPath->text(), w.DataPath);
        QCOMPARE(w.windowTitle(), QString("GPS Travel Time Data Collector - Version 2.1.2"));
        QCOMPARE(w.cmbCommPort->count(), 32);
        QCOMPARE(readAll(s.prefsFile).size(), 256); // created before the dialog fills
        QVERIFY(w.isVisible());
        QCOMPARE(QApplication::focusWidget(), w.btnOk);
    }

    void portsThatOpen()
    {
        Setup s(true, [](int n) { return n == 3 || n == 7; });
        frmInit& w = *s.w;
        QCOMPARE(w.cmbCommPort->count(), 2);
        QCOMPARE(w.cmbCommPort->itemText(1), QString("7"));
        const auto red = [&] {
            return w.cmbCommPort->palette().color(QPalette::Base) == QColor(255, 0, 0);
        };
        QCOMPARE(w.cmbCommPort->currentText(), QString("1"));
        QVERIFY(red()); // port 1, the saved one, has no device
        w.cmbCommPort->setEditText("3");
        QCOMPARE(s.settings.CommPort, qint16(3));
        QVERIFY(!red());
        w.cmbCommPort->setEditText("4");
        QVERIFY(red());
    }

    // What the operator types is what counts: no completion turns port 1 into
    // 10, and Enter in a box does not accept a half-filled dialog.
    void typedTextStaysAsTyped()
    {
        Setup s(true, [](int n) { return n == 10 || n == 11; });
        frmInit& w = *s.w;
        w.cmbCommPort->setFocus();
        w.cmbCommPort->lineEdit()->clear();
        QTest::keyClicks(w.cmbCommPort->lineEdit(), "1");
        QCOMPARE(w.cmbCommPort->currentText(), QString("1"));
        QCOMPARE(s.settings.CommPort, qint16(1));
        w.txtStudyNamePrefix->setFocus();
        QTest::keyClick(w.txtStudyNamePrefix, Qt::Key_Return);
        QCOMPARE(s.mainShown, 0);
        QVERIFY(!QFile::exists(s.studyPath("Test-1.gd2")));
        w.btnOk->setFocus();
        QTest::keyClick(w.btnOk, Qt::Key_Return); // the focused button
        QCOMPARE(s.mainShown, 1);
    }

    void acceptingANewStudy()
    {
        Setup s;
        frmInit& w = *s.w;
        w.txtStudyNamePrefix->setText("Main St");
        w.txtStudyNum->setText("7");
        w.cmbGPSName_Click(5); // GeoExplorer 3
        w.cmbBaudRate_Click(1);
        w.chkMetric->setChecked(true);
        w.btnOk_Click();

        QCOMPARE(s.mainShown, 1);
        QVERIFY(!w.isVisible());
        const QByteArray study = readAll(s.studyPath("Main St-7.gd2"));
        QCOMPARE(study.size(), 272);
        // The header holds the preferences as loaded; the file holds the new choice.
        QCOMPARE(ansi::trimSpaces(ansi::decode(study.mid(16 + 80, 64))), QString("Standard USB"));
        const QByteArray prefs = readAll(s.prefsFile);
        QCOMPARE(ansi::trimSpaces(ansi::decode(prefs.mid(80, 64))), QString("GeoExplorer 3"));
        QCOMPARE(prefs.mid(166, 2), QByteArray("\xff\xff", 2)); // metric
        QCOMPARE(s.settings.BaudRate, 9600);
        // The study records with the receiver chosen here.
        QCOMPARE(s.settings.GPSName, QString("GeoExplorer 3"));
        QCOMPARE(s.files.freeFileNumber(), 1);
        QVERIFY(s.messages.shown.isEmpty());
    }

    void emptyNumberGivesZero()
    {
        Setup s;
        s.w->txtStudyNum->clear();
        s.w->btnOk_Click();
        QVERIFY(QFile::exists(s.studyPath("Test-0.gd2")));
    }

    void existingStudy_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("yes") << int(Answer::Yes) << true;
        QTest::newRow("no, rename file") << int(Answer::No) << false;
        QTest::newRow("close button is no") << int(Answer::CloseButton) << false;
    }
    void existingStudy()
    {
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        Setup s;
        writeAll(s.studyPath("Test-1.gd2"), QByteArray(272 + 48 * 3, 'x'));
        QString question;
        answerConfirmation(Answer(answer), &question);
        s.w->btnOk_Click();

        QCOMPARE(question,
                 QString("Data files entitled Test-1 already exist in folder:  \r\n\r\n") +
                     s.dir.path() + QDir::separator() +
                     ".\r\n\r\nDo you want to overwrite all of these files?");
        QCOMPARE(readAll(s.studyPath("Test-1.gd2")).size(), replaced ? 272 : 272 + 48 * 3);
        QCOMPARE(s.mainShown, replaced ? 1 : 0);
        QCOMPARE(s.w->isVisible(), !replaced);
        if (!replaced) {
            QCOMPARE(s.w->focusWidget(), s.w->txtStudyNamePrefix);
            QCOMPARE(s.w->txtStudyNamePrefix->selectedText(), QString("Test"));
        }
    }

    void hiddenStudyFileIsAskedAbout()
    {
        Setup s;
        writeAll(s.studyPath(".x-1.gd2"), "old");
        s.w->txtStudyNamePrefix->setText(".x");
        answerConfirmation(Answer::No);
        s.w->btnOk_Click();
        QCOMPARE(readAll(s.studyPath(".x-1.gd2")), QByteArray("old"));
    }

    void refusedBeforeAnythingIsWritten_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("port");
        QTest::newRow("backslash") << "a\\b"
                                   << "1"
                                   << "1";
        QTest::newRow("wildcard") << "T*"
                                  << "1"
                                  << "1";
        QTest::newRow("leaves the folder") << "../Test"
                                           << "1"
                                           << "1";
        QTest::newRow("number is a letter") << "Test"
                                            << "a"
                                            << "1";
        QTest::newRow("number is a lone minus") << "Test"
                                                << "-"
                                                << "1";
        QTest::newRow("port out of range") << "Test"
                                           << "1"
                                           << "70000";
    }
    void refusedBeforeAnythingIsWritten()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, number);
        QFETCH(QString, port);
        Setup s;
        const QByteArray prefsBefore = readAll(s.prefsFile);
        s.w->txtStudyNamePrefix->setText(prefix);
        s.w->txtStudyNum->setText(number);
        s.w->cmbCommPort->setEditText(port);
        s.w->btnOk_Click();
        QCOMPARE(s.messages.shown.size(), 1);
        QVERIFY(s.w->isVisible());
        QCOMPARE(s.mainShown, 0);
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList("Veltrip.bin"));
        QCOMPARE(readAll(s.prefsFile), prefsBefore);
    }

    // One running program per study: a second copy's set-up refuses the
    // study that is being recorded, naming the process, and takes over the
    // claim a killed program left behind.
    void studyOfAnotherRunningCopy_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("recorded by a running copy") << true;
        QTest::newRow("left by a killed copy") << false;
    }
    void studyOfAnotherRunningCopy()
    {
        QFETCH(bool, running);
        Setup s;
        const QString path = s.studyPath("Test-1.gd2");
        writeAll(path, QByteArray(272 + 48, 'x'));
        StudyWriter other(s.files, s.clock);
        if (running) {
            QVERIFY(!other.claim(path));
        } else {
            writeAll(s.studyPath(".Test-1.gd2.lock"),
                     "2147480000\ngps-collector\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        answerConfirmation(Answer::Yes);
        s.w->btnOk_Click();
        QCOMPARE(s.mainShown, running ? 0 : 1);
        QCOMPARE(readAll(path).size(), running ? 272 + 48 : 272);
        if (running) {
            QCOMPARE(s.messages.shown.value(0),
                     "The study " + path +
                         " is being recorded by another copy of this program "
                         "(process " +
                         QString::number(QCoreApplication::applicationPid()) +
                         "). Choose another study name or number, or end that copy first.");
        }
    }

    // A remembered folder the preferences could not keep whole is shown as
    // unusable and nothing is written through it; one chosen is refused.
    void unusableDataFolder()
    {
        const QString cut = "/srv/" + QString(73, u'x'); // cut to its 78 bytes: no separator
        Setup s(true, {}, cut);
        QCOMPARE(s.w->lblDataPath->text(), "Unusable: " + cut);
        s.w->btnOk_Click();
        QCOMPARE(s.mainShown, 0);
        QVERIFY(s.messages.shown.value(0).startsWith("The remembered data folder"));
        QVERIFY(!QFile::exists(cut + "Test-1.gd2") && !QFile::exists(s.dir.filePath("Test-1.gd2")));

        const QString tooLong = s.dir.filePath(QString(80, u'y'));
        QVERIFY(QDir().mkpath(tooLong));
        const QString before = s.w->DataPath;
        s.w->treStudyName_FolderClick(tooLong, true);
        QVERIFY(s.messages.shown.last().startsWith("The folder " + tooLong));
        QCOMPARE(s.w->DataPath, before);
    }

    void studyFileThatCannotBeCreated()
    {
        Setup s;
        s.w->DataPath = s.dir.filePath("missing") + QDir::separator();
        s.w->btnOk_Click();
        QCOMPARE(s.messages.shown,
                 QStringList("There was a problem opening the data file. Check the Preferences "
                             "settings and try again."));
        QVERIFY(s.w->isVisible());
        QCOMPARE(s.mainShown, 0);
    }

    void exitWritesNothing()
    {
        Setup s;
        const QByteArray prefsBefore = readAll(s.prefsFile);
        s.w->cmbCommPort->setEditText("5");
        s.w->cmbGPSName_Click(3);
        s.w->btnExit_Click();
        QVERIFY(!s.w->isVisible());
        QCOMPARE(readAll(s.prefsFile), prefsBefore);
        QCOMPARE(QDir(s.dir.path()).entryList(QDir::Files), QStringList("Veltrip.bin"));
    }

    void choosingAFolder()
    {
        Setup s;
        frmInit& w = *s.w;
        w.treStudyName_FolderClick("/srv/studies", false); // set from code: ignored
        QCOMPARE(w.DataPath, s.dir.path() + QDir::separator());
        w.treStudyName_FolderClick("/srv/studies", true);
        QCOMPARE(w.DataPath, QString("/srv/studies/"));
        QCOMPARE(w.lblDataPath->text(), QString("/srv/studies/"));
        w.treStudyName_FolderClick("/", true);
        QCOMPARE(w.DataPath, QString("/"));
        QCOMPARE(w.treStudyName->selectedFolder(), s.dir.path());
    }

    void confirmationFitsItsText()
    {
        StudySettings study;
        study.StudyNamePrefix = "Test";
        study.StudyNum = 1;
        study.DataFolder = "/a/very/long/folder/name/that/is/wider/than/the/label/was/designed/";
        frmConfirmOverwrite d(study, 96.0);
        d.Form_Load();
        QCOMPARE(d.windowTitle(), QString("Confirm Overwrite"));
        const QLabel& l = *d.lblQues1;
        QCOMPARE(d.width(), l.width() + 40); // 600 twips
        QCOMPARE(d.btnYes->x(), l.x());
        QCOMPARE(d.btnNo->x() + d.btnNo->width(), l.x() + l.width());
        QCOMPARE(d.btnNo->y(), 144); // 2160 twips: below the message
        QVERIFY(l.width() > 184);    // wider than the 2760 twips designed
    }
};

QTEST_MAIN(TstFrmInit)
#include "tst_frminit.moc"
