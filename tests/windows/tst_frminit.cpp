// The set-up dialog and the overwrite confirmation, driven as the operator
// drives them, with ports and files the test controls.

#include "AnsiText.h"
#include "FakeCommPort.h"
#include "FolderTree.h"
#include "Messages.h"
#include "PortProbe.h"
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

#include <sys/stat.h>

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

// Port tests over a fake device. The answers about held ports wait until
// the test lets them go, as a network source that is slow to answer holds
// them up. Each test notes whether the window was on the screen by then.
class HeldProbe final : public PortProbe
{
public:
    HeldProbe(std::unique_ptr<FakeCommPort> device, QSet<qint16> held)
        : PortProbe(std::move(device)), held_(std::move(held))
    {
    }
    void release(qint16 port) { PortProbe::test(port); }

    QList<qint16> tested;
    const QWidget* window = nullptr;
    bool testedUnseen = false; // a port was tested before the window showed

protected:
    void test(qint16 port) override
    {
        tested.append(port);
        testedUnseen = testedUnseen || !window->isVisible();
        if (!held_.contains(port)) {
            PortProbe::test(port);
        }
    }

private:
    QSet<qint16> held_;
};

struct Given
{
    std::function<bool(int)> present = [](int) { return true; }; // which ports have a device
    QSet<qint16> held = {};                                      // whose answers wait for the test
    QString folder = {}; // the remembered data folder; the test's when empty
    QString route = {};  // the remembered checkpoint file
};

struct Setup : TestPlatform
{
    QTemporaryDir dir;
    QString prefsFile = dir.filePath("Veltrip.bin");
    Preferences prefs{prefsFile, locations::portable("/opt/gtt").dataFolder, files, messages};
    StudySettings settings;
    StudyWriter writer{files, clock};
    StudySetup setup{settings, prefs, writer};
    HeldProbe* probe;
    int mainShown = 0;
    std::unique_ptr<frmInit> w;

    explicit Setup(const Given& given = {})
    {
        StudySettings saved;
        prefs.LoadPrefs(saved);
        saved.DataFolder = given.folder.isEmpty() ? dir.path() + QDir::separator() : given.folder;
        prefs.SavePrefs(saved);
        prefs.SaveCheckpointFile(given.route);
        auto device = std::make_unique<FakeCommPort>();
        device->present = given.present;
        device->failure = QStringLiteral("/dev/ttyUSB0: permission denied");
        probe = new HeldProbe(std::move(device), given.held);
        w = std::make_unique<frmInit>(setup, platform, std::unique_ptr<PortProbe>(probe),
                                      [this] { ++mainShown; });
        probe->window = w.get();
        w->Form_Load();
    }

    QString studyPath(const QString& name) const { return dir.filePath(name); }
    bool portBoxRed() const
    {
        return w->cmbCommPort->palette().color(QPalette::Base) == QColor(255, 0, 0);
    }
    QStringList portList() const
    {
        QStringList items;
        for (int i = 0; i < w->cmbCommPort->count(); ++i) {
            items << w->cmbCommPort->itemText(i);
        }
        return items;
    }
};

// Replaces what a box shows, as the operator does with the keys.
void retype(QWidget* box, const QString& text)
{
    QLineEdit* edit = qobject_cast<QLineEdit*>(box);
    edit = edit ? edit : qobject_cast<QComboBox*>(box)->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

const QByteArray kRoute = "name,latitude,longitude\nStart,43.6500,-79.3800\n"
                          "Mid,43.6520,-79.3790\nEnd,43.6540,-79.3780\n";

} // namespace

class TstFrmInit : public QObject
{
    Q_OBJECT

private slots:
    // The ports that open are listed and the box is red for one that does
    // not. What the operator types is what counts: no completion turns port
    // 1 into 10, a typed receiver or speed is taken, and Enter in a box does
    // not accept a half-filled dialog.
    void portsAsTyped()
    {
        Setup s({.present = [](int n) { return n == 3 || n == 10; }});
        frmInit& w = *s.w;
        QTRY_COMPARE(s.portList(), QStringList({"3", "10"}));
        QVERIFY(s.portBoxRed()); // port 1, the saved one, has no device
        // Why, under the options as well as on the box.
        QCOMPARE(w.lblPortProblem->isHidden() ? QString() : w.lblPortProblem->text(),
                 "/dev/ttyUSB0: permission denied");
        QCOMPARE(w.cmbCommPort->toolTip(), "/dev/ttyUSB0: permission denied");
        w.cmbCommPort->setEditText("3");
        QVERIFY(!s.portBoxRed());
        QVERIFY(w.lblPortProblem->isHidden());
        retype(w.cmbCommPort, "1");
        QVERIFY(s.portBoxRed());
        QTest::keyClick(w.cmbCommPort->lineEdit(), Qt::Key_0);
        QVERIFY(!s.portBoxRed());
        QTest::keyClick(w.cmbCommPort->lineEdit(), Qt::Key_Return);
        retype(w.cmbGPSName, "Phone app");
        retype(w.cmbBaudRate, "38400");
        QCOMPARE(s.mainShown, 0);
        w.btnOk->setFocus();
        QTest::keyClick(w.btnOk, Qt::Key_Return); // the focused button
        QCOMPARE(s.mainShown, 1);
        QCOMPARE(s.settings.CommPort, qint16(10));
        QCOMPARE(s.settings.GPSName, "Phone app");
        QCOMPARE(s.settings.BaudRate, 38400);
    }

    // The window shows before any port is tested, and a network source slow
    // to answer holds up nothing: each port is tested once, the list fills
    // in order as the answers come, an answer about a port the box no
    // longer shows leaves its colour alone, and OK does not wait.
    void portsTestedBehindTheWindow()
    {
        Setup s({.present = [](int n) { return n == 3 || n == 5 || n == 10; }, .held = {1, 5}});
        frmInit& w = *s.w;
        QTRY_COMPARE(s.probe->tested.size(), 32);
        QVERIFY(!s.probe->testedUnseen);
        QCOMPARE(s.portList(), QStringList({"3", "10"}));
        QVERIFY(!s.portBoxRed()); // port 1 has not answered yet
        retype(w.cmbCommPort, "5");
        s.probe->release(1); // no device
        QVERIFY(!s.portBoxRed());
        QCOMPARE(w.cmbCommPort->currentText(), "5");
        w.btnOk_Click();
        QCOMPARE(s.mainShown, 1);
        QCOMPARE(s.settings.CommPort, qint16(5));
        s.probe->release(5);
        QCOMPARE(s.portList(), QStringList({"3", "5", "10"}));
        QList<qint16> tested = s.probe->tested;
        std::sort(tested.begin(), tested.end());
        QCOMPARE(tested.size(), 32);
        QCOMPARE(std::unique(tested.begin(), tested.end()), tested.end());
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
        const QByteArray prefs = readAll(s.prefsFile);
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
            QCOMPARE(readAll(s.prefsFile), prefs);
        }
    }

    // Exit writes nothing; a refusal is said and the box it concerns takes
    // the focus (which texts are refused, and that a refusal writes
    // nothing, is the study set-up's own test).
    void refusalGoesToItsBox_data()
    {
        QTest::addColumn<QString>("box"); // a box's name, or "exit"
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("focus"); // where the focus goes
        QTest::newRow("exit") << "exit"
                              << ""
                              << "btnOk";
        QTest::newRow("number is a letter") << "txtStudyNum"
                                            << "a"
                                            << "txtStudyNum";
        QTest::newRow("baud typed as words") << "cmbBaudRate"
                                             << "fast"
                                             << "cmbBaudRate";
        // Named in the message, and chosen again in the tree.
        QTest::newRow("data folder gone") << "DataPath"
                                          << "gone"
                                          << "treStudyName";
    }
    void refusalGoesToItsBox()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        Setup s;
        const QByteArray prefsBefore = readAll(s.prefsFile);
        if (box == "DataPath") {
            s.w->DataPath = s.dir.filePath(text) + QDir::separator();
        } else if (box != "exit") {
            retype(s.w->findChild<QWidget*>(box), text);
        }
        s.w->btnOk->setFocus();
        box == "exit" ? s.w->btnExit_Click() : s.w->btnOk_Click();
        QCOMPARE(s.messages.shown.size(), box == "exit" ? 0 : 1);
        QTEST(s.w->focusWidget()->objectName(), "focus");
        QCOMPARE(s.w->isVisible(), box != "exit");
        QCOMPARE(s.mainShown, 0);
        QCOMPARE(QDir(s.dir.path()).entryList({"*.gd2"}), QStringList());
        QCOMPARE(readAll(s.prefsFile), prefsBefore);
    }

    // The checkpoint file shows how many checkpoints it holds, or why it
    // cannot be used: then OK refuses it in the same words. One remembered
    // from the last start is shown so too, even when it has gone since.
    void checkpointFile_data()
    {
        QTest::addColumn<QString>("how");        // "chosen", "remembered" or "cleared"
        QTest::addColumn<QByteArray>("content"); // "" for no file
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("chosen") << "chosen" << kRoute << "3 checkpoints" << true;
        QTest::newRow("chosen, with a bad line")
            << "chosen" << QByteArray("name,latitude,longitude\nA,43.65,-79.38\nB,x,-79.37\n")
            << "route.csv, line 3" << false;
        QTest::newRow("remembered, gone since")
            << "remembered" << QByteArray() << "route.csv cannot be read" << false;
        // Never opened: the window shows at once, saying why (the test's
        // time limit ends it should the pipe be opened after all).
        QTest::newRow("remembered, a pipe now")
            << "remembered" << QByteArray("<fifo>") << "route.csv is not a file on disk" << false;
        QTest::newRow("chosen, then cleared") << "cleared" << kRoute << "" << true;
    }
    void checkpointFile()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        QFETCH(bool, accepted);
        QTemporaryDir routes;
        const QString path = routes.filePath("route.csv");
        if (content == "<fifo>") {
            QCOMPARE(::mkfifo(qPrintable(path), 0600), 0);
        } else if (!content.isEmpty()) {
            writeAll(path, content);
        }
        Setup s({.route = how == "remembered" ? path : QString()});
        frmInit& w = *s.w;
        if (how == "chosen" || how == "cleared") {
            w.chooseCheckpointFile(path);
        }
        if (how == "cleared") {
            w.btnClearCheckpoints->click();
        }
        const QString chosen = how == "cleared" ? QString() : path;
        QCOMPARE(w.lblCheckpointFile->toolTip(), chosen);
        QVERIFY2(w.lblCheckpointCount->text().contains(shown),
                 qPrintable(w.lblCheckpointCount->text()));
        QCOMPARE(w.lblCheckpointCount->styleSheet().contains("color"), !accepted);
        w.btnOk_Click();
        QCOMPARE(s.mainShown, accepted ? 1 : 0);
        if (accepted) {
            QCOMPARE(s.settings.CheckpointFile, chosen);
            QCOMPARE(s.settings.Checkpoints.size(), chosen.isEmpty() ? 0 : 3);
        } else {
            QCOMPARE(s.messages.shown, QStringList(w.lblCheckpointCount->text()));
            QCOMPARE(w.focusWidget(), w.btnCheckpointFile);
        }
    }

    // A remembered folder the preferences could not keep whole is shown as
    // unusable (OK refuses it: the study set-up's test); one chosen is refused.
    void unusableDataFolder()
    {
        const QString cut = "/srv/" + QString(73, u'x'); // cut to its 78 bytes: no separator
        Setup s({.folder = cut});
        QCOMPARE(s.w->lblDataPath->text(), "Unusable: " + cut);

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
        Setup s({.folder = folder + QDir::separator()});
        FolderTree& tree = *s.w->treStudyName;
        const auto inView = [&] {
            return tree.selectedFolder() == folder &&
                   tree.viewport()->rect().contains(tree.visualRect(tree.currentIndex()));
        };
        QTRY_VERIFY_WITH_TIMEOUT(inView(), 30000);
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
