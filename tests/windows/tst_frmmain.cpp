// The data-collection window driven as the operator drives it: real key
// presses to the focused control, a serial port fed from the test and a
// clock the test moves.

#include "Colours.h"
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

struct Options
{
    QString receiver = QStringLiteral("Standard USB");
    bool metric = false;
    bool remote = false;
    bool runDir = false;
    bool refusePort = false;
};

struct Session
{
    TestStudy t;
    FakeCommPort* port = nullptr;
    std::unique_ptr<frmMain> w;

    explicit Session(const Options& o = {}) : t(o.receiver)
    {
        t.settings.StudyNamePrefix = QStringLiteral("Main St");
        t.settings.StudyNum = 4;
        t.settings.MetricView = o.metric;
        t.settings.RemoteEnabled = o.remote;
        t.settings.RunDirInput = o.runDir;

        auto p = std::make_unique<FakeCommPort>();
        p->refuseOpen = o.refusePort;
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

    QColor windowColour() const { return w->palette().color(QPalette::Window); }

    QList<FixRecord> records() const { return t.records(); }
};

QColor ole(quint32 bbggrr)
{
    return QColor(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF), int((bbggrr >> 16) & 0xFF));
}

} // namespace

class TstFrmMain : public QObject
{
    Q_OBJECT

private slots:
    void initialWindow()
    {
        Session s;
        frmMain& w = *s.w;
        QCOMPARE(s.windowColour(), QColor(0xFF, 0xC0, 0xC0)); // &HC0C0FF is light red
        QVERIFY(!w.btnStartStopRun->isVisible());             // until the receiver is heard
        QVERIFY(!w.frDelayNum->isVisible());
        QCOMPARE(w.frDelayNum->y(), w.frRunDir->y());
        QCOMPARE(QApplication::focusWidget(), w.btnDummy);
        QCOMPARE(s.port->operations, QStringList({"open 1 4800,N,8,1", "rts 1"}));
        QVERIFY(s.t.messages.shown.isEmpty());
    }

    void portThatWillNotOpen()
    {
        Options o;
        o.refusePort = true;
        Session s(o);
        QCOMPARE(s.t.messages.shown,
                 QStringList("There was a problem opening your communications port"));
        s.type('e'); // the study can still be ended
        QVERIFY(!s.w->isVisible());
    }

    void aRunFromTheKeyboard()
    {
        Options o;
        o.runDir = true;
        Session s(o);
        frmMain& w = *s.w;
        s.port->feed(kRmc + kGga);
        QCOMPARE(w.btnStartStopRun->text(), QString("Start (R)un"));
        s.tick();
        s.type('r');
        QCOMPARE(w.btnStartStopRun->text(), QString("Stop (R)un"));
        QCOMPARE(s.windowColour(), ole(colours::kLightGreen));
        QVERIFY(!w.btnExit->isVisible());
        QVERIFY(w.btnNewNode->isVisible());
        QVERIFY(w.frDelayNum->isVisible());
        QVERIFY(!w.frRunDir->isVisible());
        s.type('r'); // same tick: ignored
        QVERIFY(w.collector().runActive());

        s.port->feed(kRmc + kGga); // record 1
        s.type('n');
        s.type('N'); // one node per tick
        QCOMPARE(w.lblNodeNum->text(), QString("1"));
        s.port->feed(kRmc + kGga); // record 2, old node
        s.press(Qt::Key_Tab);      // from the parked focus to the delay box
        for (char c : {'1', '2'}) {
            s.type(c);
        }
        s.press(Qt::Key_Return, "\r");
        QCOMPARE(w.txtDelayNum->text(), QString());
        s.port->feed(kRmc + kGga); // record 3, delay 12
        s.port->feed("$");         // record 4
        s.type('E');               // not during a run
        QVERIFY(w.isVisible());
        s.tick();
        s.type('R');
        QCOMPARE(w.btnStartStopRun->text(), QString("Start (R)un"));
        QCOMPARE(s.windowColour(), ole(colours::kLightRed));
        QCOMPARE(w.lblNodeNum->text(), QString("0"));
        QVERIFY(w.frRunDir->isVisible());
        QCOMPARE(w.beeps, QList<int>({1, 3, 2}));

        const QList<FixRecord> r = s.records();
        QCOMPARE(r.size(), 4);
        QCOMPARE(QList<int>({r[0].NodeNum, r[1].NodeNum, r[2].NodeNum, r[3].NodeNum}),
                 QList<int>({0, 0, 1, 1}));
        QCOMPARE(QList<int>({r[0].DelayNum, r[1].DelayNum, r[2].DelayNum, r[3].DelayNum}),
                 QList<int>({-1, -1, 12, -1}));
        QCOMPARE(r[0].RunNum, qint16(1));

        s.type('B'); // upper-case B is no command
        QVERIFY(w.isVisible());
        s.type('b');
        QVERIFY(!w.isVisible());
    }

    // A direction chosen puts the focus on the run button, so that Enter
    // starts the run; once it runs, no key meant for something else stops it.
    void directionAtTheWheel()
    {
        Options o;
        o.runDir = true;
        Session s(o);
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
        QCOMPARE(QApplication::focusWidget(), w.btnDummy);
        s.tick();
        s.press(Qt::Key_Return, "\r"); // say, for a delay number not yet typed
        s.press(Qt::Key_Space, " ");   // a node, never the run button
        s.press(Qt::Key_Tab);
        s.type('7');
        s.press(Qt::Key_Return, "\r");
        QVERIFY(w.collector().runActive());
        QCOMPARE(w.collector().curNodeNum(), qint16(1));
        s.port->feed(kGga + "$");
        const QList<FixRecord> r = s.records();
        QCOMPARE(r.size(), 2);
        QCOMPARE(QList<int>({r[0].DelayNum, r[1].DelayNum}), QList<int>({7, -1}));
        QCOMPARE(QList<int>({r[0].RunDir, r[1].RunDir}), QList<int>({4, 4}));
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
        QTest::newRow("play") << true << int(Qt::Key_MediaPlay) << int(Qt::Key_MediaStop) << true;
        QTest::newRow("pause") << true << int(Qt::Key_MediaPause) << int(Qt::Key_MediaStop) << true;
    }
    void remoteKeys()
    {
        QFETCH(bool, enabled);
        QFETCH(int, startKey);
        QFETCH(int, nodeKey);
        Options o;
        o.remote = enabled;
        Session s(o);
        s.tick();
        s.press(Qt::Key(startKey));
        s.press(Qt::Key(nodeKey));
        QTEST(s.w->collector().runActive(), "acts");
        QTEST(s.w->collector().curNodeNum() == 1, "acts");
    }

    void gridRowsAndScrolling()
    {
        Options o;
        o.metric = true;
        Session s(o);
        frmMain& w = *s.w;
        s.tick();
        w.btnStartStopRun_Click();
        for (int i = 0; i < 17; ++i) {
            s.port->feed(kRmc + kGga);
        }
        s.port->feed("$");
        SpreadGrid& g = *w.vaGPSData;
        auto& model = static_cast<GpsDataModel&>(*g.model());
        QCOMPARE(g.row(), 17);
        QCOMPARE(g.topRow(), 2);
        QCOMPARE(g.maxRows(), 18);
        QCOMPARE(model.text(17, 1), QString("12:35:19"));
        QCOMPARE(model.text(17, 2), QString("25.8"));  // mph
        QCOMPARE(w.lblSpeed->text(), QString("41.5")); // kph
        QCOMPARE(model.text(17, 5), QString("0.90"));
        QCOMPARE(model.text(17, 4), QString("-1"));

        s.tick();
        w.btnStartStopRun_Click();
        s.tick();
        w.btnStartStopRun_Click(); // a new run clears the data, keeps the rows
        QCOMPARE(g.row(), 0);
        QCOMPARE(g.topRow(), 1);
        QCOMPARE(g.maxRows(), 18);
        QCOMPARE(model.text(17, 1), QString());
    }

    void sentencesShownAsReceived()
    {
        Session s;
        // Line noise that looks like markup is shown as it came.
        s.port->feed("$GPGSV,<b>1</b>\r\n$");
        QCOMPARE(s.w->lblStatus->text(), QString("$GPGSV,<b>1</b>"));
        QCOMPARE(s.w->lblStatus->textFormat(), Qt::PlainText);
    }

    void endingClosesThePortThenTheFiles()
    {
        Session s;
        s.tick();
        s.w->btnStartStopRun_Click();
        QVERIFY(s.t.writer.isOpen());
        s.w->close();
        QCOMPARE(s.port->operations.last(), QString("close"));
        QVERIFY(!s.port->portOpen());
        QCOMPARE(s.t.files.freeFileNumber(), 1);
    }

    void unsavedRecordsAreShownAndReported()
    {
        Session s;
        const QString data = s.t.dir.filePath("data");
        QVERIFY(QDir().rename(data, data + "-away"));
        s.tick();
        s.w->btnStartStopRun_Click();
        s.port->feed(kGga + kGga + "$");
        QVERIFY(s.w->lblUnsaved->isVisible());
        QVERIFY(s.w->lblUnsaved->text().startsWith("2 record(s) not yet saved"));
        s.w->close();
        QCOMPARE(s.t.messages.shown.size(), 2); // the data-file message, then the loss
        QVERIFY(s.t.messages.shown.last().startsWith("2 record(s) could not be saved"));
    }
};

QTEST_MAIN(TstFrmMain)
#include "tst_frmmain.moc"
