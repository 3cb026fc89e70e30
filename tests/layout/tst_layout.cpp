// Both windows on screens of several widths: the compact layout on exactly
// 800 pixels, the design layout on every other width.

#include "FakeCommPort.h"
#include "Preferences.h"
#include "SpreadGrid.h"
#include "StudyFile.h"
#include "TestSupport.h"
#include "frmInit.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Twips to pixels at 96 dpi, rounded as the layouts round.
int px(double twips)
{
    return int(std::lround(twips / 15.0));
}

QRect twipsRect(double left, double top, double width, double height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

struct Screen
{
    QTemporaryDir dir;
    TestPlatform t;

    explicit Screen(int width)
    {
        t.screen = FixedScreen(width, 480);
        t.m.PrefsFile = dir.filePath("Veltrip.bin");
        LoadPrefs(t.m);
        t.m.DataFolder = dir.path() + QDir::separator();
        t.m.StudyNamePrefix = "Test";
        t.m.StudyNum = 1;
    }

    std::unique_ptr<frmMain> mainWindow()
    {
        auto w = std::make_unique<frmMain>(t.m, std::make_unique<FakeCommPort>());
        w->Form_Load();
        w->tmrCurTime->stop();
        w->show();
        w->Form_Activate();
        return w;
    }

    std::unique_ptr<frmInit> setupWindow()
    {
        auto w = std::make_unique<frmInit>(t.m, std::make_unique<FakeCommPort>(), [] {});
        w->Form_Load();
        w->Form_Activate();
        return w;
    }
};

} // namespace

class TstLayout : public QObject
{
    Q_OBJECT

private slots:
    void designLayoutOnOtherWidths_data()
    {
        QTest::addColumn<int>("width");
        for (int width : {640, 799, 801, 1024, 1280}) {
            QTest::newRow(qPrintable(QString::number(width))) << width;
        }
    }
    void designLayoutOnOtherWidths()
    {
        QFETCH(int, width);
        Screen s(width);
        QVERIFY(!s.t.m.ScreenIs800);
        auto main = s.mainWindow();
        QCOMPARE(main->size(), QSize(px(11364), px(7188)));
        QCOMPARE(main->frGrid->geometry(), twipsRect(4560, 960, 6732, 4692));
        QCOMPARE(main->btnStartStopRun->font().pointSizeF(), 24.0);
        auto setup = s.setupWindow();
        QCOMPARE(setup->size(), QSize(px(11364), px(7188)));
        QCOMPARE(setup->txtStudyNamePrefix->font().pointSizeF(), 18.0);
    }

    // Height, depth and density play no part: 800 x 480 is an 800-pixel screen.
    void mainWindowOn800()
    {
        Screen s(800);
        QVERIFY(s.t.m.ScreenIs800);
        auto w = s.mainWindow();
        QCOMPARE(w->size(), QSize(px(9510), px(6225)));
        QCOMPARE(w->frStudyDetails->geometry(), twipsRect(120, 0, 9360, 732));
        QCOMPARE(w->lblNodeNum->geometry(), twipsRect(8760, 240, 375, 375));
        QCOMPARE(w->frGPSData->geometry(), twipsRect(120, 840, 3120, 4215));
        QCOMPARE(w->lblHDOPT->geometry(), twipsRect(105, 3360, 1335, 375));
        QCOMPARE(w->lblLatitude->geometry(), twipsRect(1440, 1365, 1575, 375));
        QCOMPARE(w->frGrid->geometry(), twipsRect(3240, 840, 6150, 4215));
        QCOMPARE(w->vaGPSData->geometry(), twipsRect(120, 240, 5895, 3855));
        QCOMPARE(w->lblStatus->geometry(), twipsRect(120, 5040, 8800, 375));
        QCOMPARE(w->btnHideSentences->geometry(), twipsRect(8790, 5133.75, 600, 187.5));
        QCOMPARE(w->btnStartStopRun->geometry(), twipsRect(3600, 5640, 2172, 492));
        QCOMPARE(w->btnStartStopRun->font().pointSizeF(), 18.0);
        QCOMPARE(w->frRunDir->geometry(), twipsRect(120, 5640, 3120, 492));
        QCOMPARE(w->frDelayNum->geometry(), w->frRunDir->geometry());
        QCOMPARE(w->lblRunDir->geometry(), twipsRect(120, 150, 1440, 252));
        QCOMPARE(w->cmbRunDir->geometry().topLeft(), twipsRect(1560, 150, 0, 0).topLeft());
        QCOMPARE(w->txtDelayNum->geometry(), twipsRect(1560, 150, 1440, 252));
        QCOMPARE(w->btnNewNode->geometry(), twipsRect(6069, 5760, 1572, 372));
        QCOMPARE(w->btnExit->font().pointSizeF(), 8.0);
        // The speed unit stays inside the narrowed data frame, covers neither
        // the caption nor the widest speed, and all of its text is shown.
        QVERIFY(w->frGPSData->rect().contains(w->lblMphKph->geometry()));
        QVERIFY(!w->lblMphKph->geometry().intersects(w->lblSpeedT->geometry()));
        const QRect unit = w->lblMphKph->geometry();
        const QFontMetrics unitFont(w->lblMphKph->font());
        const int unitTextLeft = unit.right() - unitFont.horizontalAdvance(QStringLiteral("mph"));
        QVERIFY(w->lblSpeed->x() + QFontMetrics(w->lblSpeed->font()).horizontalAdvance("999.9") <
                unitTextLeft);
        QVERIFY(unitFont.horizontalAdvance(w->lblMphKph->text()) <= unit.width());

        const QRect before = w->btnHideSentences->geometry();
        w->Form_Activate(); // again, as after a message box
        QCOMPARE(w->btnHideSentences->geometry(), before);
        QCOMPARE(w->size(), QSize(px(9510), px(6225)));
    }

    void setupWindowOn800()
    {
        Screen s(800);
        auto w = s.setupWindow();
        QCOMPARE(w->size(), QSize(px(9510), px(6225)));
        QCOMPARE(w->txtStudyNamePrefix->geometry(), twipsRect(1800, 240, 5772, 300));
        QCOMPARE(w->txtStudyNamePrefix->font().pointSizeF(), 12.0);
        QCOMPARE(w->frCurDataFolder->geometry(), twipsRect(120, 720, 5532, 3372));
        QCOMPARE(w->frGPSReceiver->geometry(), twipsRect(5760, 1440, 3612, 732));
        QCOMPARE(w->frRemoteEnabled->geometry().left(), px(5760));
        QCOMPARE(w->btnOk->geometry(), twipsRect(3360, 5880, 972, 252));
        // The boxes the compact table leaves out follow the remote-control box.
        for (QWidget* frame :
             {static_cast<QWidget*>(w->frBaudRate), static_cast<QWidget*>(w->frMetric),
              static_cast<QWidget*>(w->frRunDir)}) {
            QCOMPARE(frame->geometry().left(), px(5760));
            QCOMPARE(frame->geometry().width(), px(3612));
            QVERIFY(w->rect().contains(frame->geometry()));
        }
        QCOMPARE(w->cmbBaudRate->geometry().left(), w->cmbGPSName->geometry().left());
        // The narrow receiver box shows the start of a name and lists whole names.
        QCOMPARE(w->cmbGPSName->lineEdit()->cursorPosition(), 0);
        w->cmbGPSName->setEditText(QStringLiteral("Multi-GNSS (any talker)"));
        QTRY_COMPARE(w->cmbGPSName->lineEdit()->cursorPosition(), 0);
        QVERIFY(w->cmbGPSName->view()->minimumWidth() >
                QFontMetrics(w->cmbGPSName->font()).horizontalAdvance("Multi-GNSS (any talker)"));
    }
};

QTEST_MAIN(TstLayout)
#include "tst_layout.moc"
