// The set-up dialog and the overwrite confirmation, driven as the operator
// drives them, with ports and files the test controls.

#include "AnsiText.h"
#include "FakeCommPort.h"
#include "FolderTree.h"
#include "Messages.h"
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

// Answers the overwrite confirmation ("yes", "no" or "close") as soon as it
// shows, and keeps its text.
void answerConfirmation(const QString& answer, QString* question)
{
    QTimer::singleShot(0, [=] {
        auto* d = qobject_cast<frmConfirmOverwrite*>(QApplication::activeModalWidget());
        // The focus rests on "No, Rename File", so Enter answers no.
        *question = d && d->focusWidget() == d->btnNo ? d->lblQues1->text() : QString();
        if (d && answer == "close") {
            d->close();
        } else if (d) {
            (answer == "yes" ? d->btnYes : d->btnNo)->click();
        }
    });
}

struct Setup : TestPlatform
{
    QTemporaryDir dir;
    QString prefsFile = dir.filePath("Veltrip.bin");
    Preferences prefs{prefsFile, locations::portable("/opt/gtt").dataFolder, files, messages};
    StudySettings settings;
    StudyWriter writer{files, clock};
    int mainShown = 0;
    std::unique_ptr<frmInit> w;

    // folder is the remembered data folder, the temporary folder when empty.
    explicit Setup(std::function<bool(int)> present = {}, const QString& folder = {})
    {
        StudySettings saved;
        prefs.LoadPrefs(saved);
        saved.DataFolder = folder.isEmpty() ? dir.path() + QDir::separator() : folder;
        prefs.SavePrefs(saved);
        auto p = std::make_unique<FakeCommPort>();
        if (present) {
            p->present = present;
        }
        p->failure = QStringLiteral("/dev/ttyUSB0: permission denied");
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
    // The ports that open are listed and the box is red for one that does
    // not. What the operator types is what counts: no completion turns port
    // 1 into 10, and Enter in a box does not accept a half-filled dialog.
    void portsAsTyped()
    {
        Setup s([](int n) { return n == 3 || n == 10; });
        frmInit& w = *s.w;
        QCOMPARE(QStringList({w.cmbCommPort->itemText(0), w.cmbCommPort->itemText(1)}),
                 QStringList({"3", "10"}));
        const auto red = [&] {
            return w.cmbCommPort->palette().color(QPalette::Base) == QColor(255, 0, 0);
        };
        // The reason stands under the folders as well as on the box.
        const auto said = [&] {
            return w.lblPortProblem->isHidden() ? "" : w.lblPortProblem->text();
        };
        QVERIFY(red()); // port 1, the saved one, has no device
        QCOMPARE(said(), "/dev/ttyUSB0: permission denied");
        QCOMPARE(w.cmbCommPort->toolTip(), "/dev/ttyUSB0: permission denied");
        w.cmbCommPort->setEditText("3");
        QCOMPARE(s.settings.CommPort, qint16(3));
        QVERIFY(!red());
        QCOMPARE(said(), "");
        w.cmbCommPort->setFocus();
        w.cmbCommPort->lineEdit()->clear();
        QTest::keyClicks(w.cmbCommPort->lineEdit(), "1");
        QCOMPARE(s.settings.CommPort, qint16(1));
        QVERIFY(red());
        w.txtStudyNamePrefix->setFocus();
        QTest::keyClick(w.txtStudyNamePrefix, Qt::Key_Return);
        QCOMPARE(s.mainShown, 0);
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
        const QByteArray study = readAll(s.studyPath("Main St-7.gd2"));
        QCOMPARE(study.size(), 272);
        // The header holds the preferences as loaded; the file holds the new choice.
        QCOMPARE(ansi::trimSpaces(ansi::decode(study.mid(16 + 80, 64))), QString("Standard USB"));
        const QByteArray prefs = readAll(s.prefsFile);
        QCOMPARE(ansi::trimSpaces(ansi::decode(prefs.mid(80, 64))), QString("GeoExplorer 3"));
        QCOMPARE(prefs.mid(166, 2), QByteArray("\xff\xff", 2)); // metric
        QCOMPARE(s.settings.BaudRate, 9600);
        QCOMPARE(s.files.freeFileNumber(), 1);
        QVERIFY(s.messages.shown.isEmpty());
    }

    void existingStudy_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("yes") << "Test"
                             << "yes" << true;
        QTest::newRow("no, rename file") << "Test"
                                         << "no" << false;
        QTest::newRow("close button is no") << "Test"
                                            << "close" << false;
        QTest::newRow("hidden file") << ".x"
                                     << "no" << false;
    }
    void existingStudy()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, answer);
        QFETCH(bool, replaced);
        Setup s;
        const QString study = s.studyPath(prefix + "-1.gd2");
        writeAll(study, QByteArray(272 + 48 * 3, 'x'));
        s.w->txtStudyNamePrefix->setText(prefix);
        s.w->txtStudyNamePrefix->setCursorPosition(0);
        QString question;
        answerConfirmation(answer, &question);
        s.w->btnOk_Click();
        QVERIFY(question.contains(" " + prefix + "-1 ")); // its wording: tst_setuprules
        QCOMPARE(readAll(study).size(), replaced ? 272 : 272 + 48 * 3);
        QCOMPARE(s.mainShown, replaced ? 1 : 0);
        if (!replaced) {
            QCOMPARE(s.w->focusWidget(), s.w->txtStudyNamePrefix);
            QCOMPARE(s.w->txtStudyNamePrefix->selectedText(), prefix);
        }
    }

    // Nothing is written before the dialog accepts: not on Exit, not on a
    // refusal of a box or of a study file that cannot be created (which
    // texts are refused is the set-up rules' own test).
    void nothingWrittenUnlessAccepted_data()
    {
        QTest::addColumn<QStringList>("boxes"); // prefix, number, port[, folder]
        QTest::addColumn<bool>("exit");
        QTest::newRow("exit") << QStringList({"Test", "1", "5"}) << true;
        QTest::newRow("prefix leaves the folder") << QStringList({"../Test", "1", "1"}) << false;
        QTest::newRow("number is a letter") << QStringList({"Test", "a", "1"}) << false;
        QTest::newRow("port out of range") << QStringList({"Test", "1", "70000"}) << false;
        QTest::newRow("study file cannot be created")
            << QStringList({"Test", "1", "1", "gone"}) << false;
    }
    void nothingWrittenUnlessAccepted()
    {
        QFETCH(QStringList, boxes);
        QFETCH(bool, exit);
        Setup s;
        const QByteArray prefsBefore = readAll(s.prefsFile);
        s.w->txtStudyNamePrefix->setText(boxes[0]);
        s.w->txtStudyNum->setText(boxes[1]);
        s.w->cmbCommPort->setEditText(boxes[2]);
        if (boxes.size() > 3) {
            s.w->DataPath = s.dir.filePath(boxes[3]) + QDir::separator();
        }
        exit ? s.w->btnExit_Click() : s.w->btnOk_Click();
        QCOMPARE(s.messages.shown.size(), exit ? 0 : 1);
        QCOMPARE(s.w->isVisible(), !exit);
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
        QString question; // asked only when the claim is taken over
        if (!running) {
            answerConfirmation("yes", &question);
        }
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
        Setup s({}, cut);
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

    // The remembered data folder is shown selected and in view however deep
    // it lies and however many folders sort before it, once the folders
    // above it have loaded in the background.
    void dataFolderSelectedAndInView()
    {
        QTemporaryDir root;
        for (int i = 0; i < 40; ++i) {
            QVERIFY(QDir(root.path()).mkdir(QStringLiteral("f%1").arg(i, 2, 10, QChar(u'0'))));
        }
        const QString folder = root.filePath("zz/deep/er/still");
        QVERIFY(QDir().mkpath(folder));
        Setup s({}, folder + QDir::separator());
        FolderTree& tree = *s.w->treStudyName;
        const auto inView = [&] {
            return tree.selectedFolder() == folder &&
                   tree.viewport()->rect().contains(tree.visualRect(tree.currentIndex()));
        };
        QTRY_VERIFY_WITH_TIMEOUT(inView(), 5000);
        QTest::qWait(300); // and it stays there as the last levels are sorted
        QVERIFY(inView());
    }

    // A folder of the study file's name is no study: nothing is asked or
    // removed, and the dialog says at once that the file cannot be opened.
    void aFolderOfTheStudysName()
    {
        Setup s;
        QVERIFY(QDir(s.dir.path()).mkpath("Test-1.gd2/runs"));
        bool asked = false;
        QTimer unexpected; // a question fails the test at once instead of waiting for ever
        connect(&unexpected, &QTimer::timeout, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                asked = true;
                d->close();
            }
        });
        unexpected.start(10);
        s.w->btnOk_Click();
        QVERIFY(!asked);
        QCOMPARE(s.messages.shown, QStringList(msg::kDataFileOpenFailed));
        QVERIFY(QFileInfo(s.studyPath("Test-1.gd2/runs")).isDir());
        QCOMPARE(s.mainShown, 0);
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
};

QTEST_MAIN(TstFrmInit)
#include "tst_frminit.moc"
