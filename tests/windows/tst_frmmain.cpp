// The data-collection window driven as the operator drives it: real key
// presses to the focused control, a serial port fed from the test and a
// clock the test moves.

#include "FakeCommPort.h"
#include "GpsDataModel.h"
#include "SpreadGrid.h"
#include "TestSupport.h"
#include "frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

const QByteArray kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const QByteArray kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

struct Session
{
    TestStudy t;
    FakeCommPort* port = nullptr;
    std::unique_ptr<frmMain> w;

    explicit Session(bool runDir = false, bool remote = false, bool refusePort = false)
    {
        t.settings.RunDirInput = runDir;
        t.settings.RemoteEnabled = remote;
        auto p = std::make_unique<FakeCommPort>();
        p->refuseOpen = refusePort;
        port = p.get();
        w = std::make_unique<frmMain>(t.settings, t.writer, t.platform, std::move(p));
        w->Form_Load();
        w->tmrCurTime->stop(); // the test ticks the clock itself
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }

    // A key as the operator presses it: to whatever has the focus.
    void press(Qt::Key key, const QString& text = {})
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w.get();
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(target, &up);
    }
    void type(char c) { press(Qt::Key(QChar(c).toUpper().unicode()), QString(QChar(c))); }

    void tick()
    {
        t.clock.advanceSecs(1);
        w->tmrCurTime_Timer();
    }
};

} // namespace

class TstFrmMain : public QObject
{
    Q_OBJECT

private slots:
    void portThatWillNotOpen()
    {
        Session s(false, false, true);
        QCOMPARE(s.t.messages.shown.size(), 1);
        s.type('e'); // the study can still be ended
        QVERIFY(!s.w->isVisible());
    }

    void aRunFromTheKeyboard()
    {
        Session s(true);
        frmMain& w = *s.w;
        s.port->feed(kRmc + kGga);
        QCOMPARE(w.btnStartStopRun->text(), QString("Start (R)un"));
        s.tick();
        s.type('r');
        QCOMPARE(w.btnStartStopRun->text(), QString("Stop (R)un"));
        QCOMPARE(w.palette().color(QPalette::Window), QColor(0xC0, 0xFF, 0xC0));
        const auto shown = [&] {
            return QList<bool>({w.btnExit->isVisible(), w.btnNewNode->isVisible(),
                                w.frDelayNum->isVisible(), w.frRunDir->isVisible()});
        };
        QCOMPARE(shown(), QList<bool>({false, true, true, false}));
        s.type('r'); // same tick: ignored
        QVERIFY(w.collector().runActive());

        s.port->feed(kRmc + kGga); // record 1
        s.type('n');
        s.type('N'); // one node per tick
        QCOMPARE(w.lblNodeNum->text(), QString("1"));
        s.port->feed(kRmc + kGga); // record 2, old node
        s.press(Qt::Key_Tab);      // from the parked focus to the delay box
        s.type('1');
        s.type('2');
        s.press(Qt::Key_Return, "\r");
        s.port->feed(kRmc + kGga); // record 3, delay 12
        s.port->feed("$");         // record 4
        s.tick();
        s.type('R');
        QCOMPARE(w.btnStartStopRun->text(), QString("Start (R)un"));
        QCOMPARE(w.palette().color(QPalette::Window), QColor(0xFF, 0xC0, 0xC0));
        QCOMPARE(w.lblNodeNum->text(), QString("0"));
        QCOMPARE(shown(), QList<bool>({true, false, false, true}));
        QCOMPARE(w.beeps, QList<int>({1, 3, 2}));
        QCOMPARE(s.t.records().size(), 4); // what they hold: tst_collector, e2e_study

        s.type('b');
        QVERIFY(!w.isVisible());
    }

    // A direction chosen puts the focus on the run button, so that Enter
    // starts the run; once it runs, no key meant for something else stops it.
    void directionAtTheWheel()
    {
        Session s(true);
        frmMain& w = *s.w;
        const auto choose = [&](int index) {
            w.cmbRunDir->setCurrentIndex(index);
            w.cmbRunDir_Click();
        };
        choose(2); // before any data: the run button is hidden, the focus stays
        QCOMPARE(QApplication::focusWidget(), w.btnDummy);
        s.port->feed(kGga);
        choose(0); // "-----" keeps NB
        QCOMPARE(w.collector().curFix().RunDir, qint16(2));
        choose(4);
        QCOMPARE(QApplication::focusWidget(), w.btnStartStopRun);
        s.tick();
        s.press(Qt::Key_Return, "\r");
        QVERIFY(w.collector().runActive());
        QTest::mouseClick(w.btnStartStopRun, Qt::LeftButton); // the same tick: ignored
        QCOMPARE(QApplication::focusWidget(), w.btnDummy);
        s.tick();
        s.press(Qt::Key_Return, "\r"); // say, for a delay number not yet typed
        s.press(Qt::Key_Space, " ");   // a node, never the run button
        QVERIFY(w.collector().runActive());
        QCOMPARE(w.collector().curNodeNum(), qint16(1));
        s.port->feed("$");
        QCOMPARE(s.t.records().value(0).RunDir, qint16(4));
    }

    void remoteKeys_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("startKey");
        QTest::addColumn<int>("nodeKey");
        QTest::addColumn<bool>("acts");
        QTest::newRow("page keys, remote off")
            << false << int(Qt::Key_PageUp) << int(Qt::Key_PageDown) << false;
        QTest::newRow("page keys") << true << int(Qt::Key_PageUp) << int(Qt::Key_PageDown) << true;
        QTest::newRow("play/pause and stop")
            << true << int(Qt::Key_MediaTogglePlayPause) << int(Qt::Key_MediaStop) << true;
    }
    void remoteKeys()
    {
        QFETCH(bool, enabled);
        QFETCH(int, startKey);
        QFETCH(int, nodeKey);
        Session s(false, enabled);
        s.tick();
        s.press(Qt::Key(startKey));
        s.press(Qt::Key(nodeKey));
        QTEST(s.w->collector().runActive(), "acts");
        QTEST(s.w->collector().curNodeNum() == 1, "acts");
    }

    void gridRowsAndScrolling()
    {
        Session s;
        frmMain& w = *s.w;
        s.tick();
        w.btnStartStopRun_Click();
        for (int i = 0; i < 17; ++i) {
            s.port->feed(kRmc + kGga);
        }
        s.port->feed("$");
        SpreadGrid& g = *w.vaGPSData;
        QCOMPARE(QList<int>({g.row(), g.topRow(), g.maxRows()}), QList<int>({17, 2, 18}));
        QCOMPARE(w.gridModel().text(17, 1), QString("12:35:19"));

        s.tick();
        w.btnStartStopRun_Click();
        s.tick();
        w.btnStartStopRun_Click(); // a new run clears the data, keeps the rows
        QCOMPARE(QList<int>({g.row(), g.topRow(), g.maxRows()}), QList<int>({0, 1, 18}));
        QCOMPARE(w.gridModel().text(17, 1), QString());
    }

    // Ending the study while records wait asks first, naming them; "No"
    // keeps the study, and the records are saved once the folder is back.
    void endingWithRecordsWaitingAsksFirst()
    {
        Session s;
        const QString data = s.t.dir.filePath("data");
        QVERIFY(QDir().rename(data, data + "-away"));
        s.tick();
        s.w->btnStartStopRun_Click();
        s.port->feed(kGga + kGga + "$");
        QVERIFY(s.w->lblUnsaved->isVisible());
        QVERIFY(s.w->lblUnsaved->text().contains("2 record(s)"));
        s.tick();
        s.w->btnStartStopRun_Click();
        s.t.messages.answer = false;
        s.type('e');
        QVERIFY(s.w->isVisible());
        QVERIFY(s.t.messages.asked.value(0).startsWith("2 record(s) could not be saved"));
        QVERIFY(QDir().rename(data + "-away", data));
        s.tick();
        QVERIFY(!s.w->lblUnsaved->isVisible());
        s.type('e');
        QVERIFY(!s.w->isVisible()); // the port, then the files closed
        QCOMPARE(s.port->operations.last(), QString("close"));
        QCOMPARE(s.t.files.freeFileNumber(), 1);
        QCOMPARE(s.t.messages.asked.size(), 1);
        QCOMPARE(s.t.records().size(), 2);
        QVERIFY(s.t.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TstFrmMain)
#include "tst_frmmain.moc"
