// Both windows on screens of several widths, held to what a layout must give
// the operator: the compact size on exactly 800 pixels and the design size
// on every other width; every control inside its frame, none covering
// another, and every caption shown in full.

#include "FakeCommPort.h"
#include "TestSupport.h"
#include "frmInit.h"
#include "frmMain.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>

namespace {

// Twips to pixels at 96 dpi.
int px(double twips)
{
    return int(std::lround(twips / 15.0));
}

struct Screen : TestStudy
{
    explicit Screen(int width) { screen = FixedScreen(width, 480); }

    std::unique_ptr<frmMain> mainWindow()
    {
        settings.RunDirInput = true;
        auto w =
            std::make_unique<frmMain>(settings, writer, platform, std::make_unique<FakeCommPort>());
        w->Form_Load();
        w->tmrCurTime->stop();
        w->show();
        w->Form_Activate();
        return w;
    }

    std::unique_ptr<frmInit> setupWindow()
    {
        auto w = std::make_unique<frmInit>(settings, prefs, writer, platform,
                                           std::make_unique<FakeCommPort>(), [] {});
        w->Form_Load();
        w->Form_Activate();
        return w;
    }
};

// The design lets neighbours share their edge pixel; more than that hides
// part of one of them. (The speed unit sits inside the speed's own box at
// 800 pixels, clear of its widest value: see speedUnitOn800.)
bool covers(const QWidget* a, const QWidget* b)
{
    const QRect both = a->geometry().intersected(b->geometry());
    return both.width() > 2 && both.height() > 2;
}

// The problems of one window: a control outside its parent, two siblings
// that overlap, a caption wider than its control.
QStringList layoutProblems(const QWidget& window)
{
    QStringList problems;
    const auto shown = [](const QWidget* w) {
        return w->isVisible() && w->objectName().startsWith(QLatin1String("btnDummy")) == false;
    };
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!shown(w) || w->objectName().isEmpty()) {
            continue;
        }
        const QWidget* parent = w->parentWidget();
        if (!parent->rect().contains(w->geometry())) {
            problems << w->objectName() + " leaves " + parent->objectName();
        }
        for (const QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other != w && shown(other) && !other->objectName().isEmpty() &&
                w->objectName() < other->objectName() && covers(w, other) &&
                !(w == window.findChild<QLabel*>("lblMphKph") &&
                  other == window.findChild<QLabel*>("lblSpeed"))) {
                problems << w->objectName() + " overlaps " + other->objectName();
            }
        }
        QString text;
        if (const auto* l = qobject_cast<const QLabel*>(w); l && !l->wordWrap()) {
            text = l->text();
        } else if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
            text = b->text().remove(u'&');
        }
        if (!text.isEmpty() &&
            QFontMetrics(w->font()).horizontalAdvance(text) > w->contentsRect().width()) {
            problems << w->objectName() + " cuts \"" + text + "\"";
        }
    }
    return problems;
}

} // namespace

class TstLayout : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // A layout that names a control its window lacks fails here.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("The layout names no control")));
    }

    void windows_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QSize>("size");
        const QSize design(px(11364), px(7188)), compact(px(9510), px(6225));
        // Height, depth and density play no part: 800 x 480 is an 800-pixel screen.
        for (int width : {640, 799, 801, 1024}) {
            QTest::newRow(qPrintable(QString::number(width))) << width << design;
        }
        QTest::newRow("800") << 800 << compact;
    }
    void windows()
    {
        QFETCH(int, width);
        QFETCH(QSize, size);
        Screen s(width);
        auto main = s.mainWindow();
        QCOMPARE(main->size(), size);
        main->Form_Activate(); // again, as after a message box: nothing moves
        QCOMPARE(main->size(), size);
        const QStringList mainProblems = layoutProblems(*main);
        QEXPECT_FAIL("800",
                     "the compact main window still puts Hide over the status line and clips the "
                     "direction box",
                     Continue);
        QVERIFY2(mainProblems.isEmpty(), qPrintable(mainProblems.join(u'\n')));
        auto setup = s.setupWindow();
        QCOMPARE(setup->size(), size);
        const QStringList setupProblems = layoutProblems(*setup);
        QVERIFY2(setupProblems.isEmpty(), qPrintable(setupProblems.join(u'\n')));
    }

    // The speed unit shares its line with the speed at 800 pixels: it must
    // cover neither the caption nor the widest speed.
    void speedUnitOn800()
    {
        Screen s(800);
        auto w = s.mainWindow();
        const QRect unit = w->lblMphKph->geometry();
        QVERIFY(!unit.intersects(w->lblSpeedT->geometry()));
        const QFontMetrics unitFont(w->lblMphKph->font());
        const int unitTextLeft = unit.right() - unitFont.horizontalAdvance(QStringLiteral("mph"));
        QVERIFY(w->lblSpeed->x() + QFontMetrics(w->lblSpeed->font()).horizontalAdvance("999.9") <
                unitTextLeft);
    }
};

QTEST_MAIN(TstLayout)
#include "tst_layout.moc"
