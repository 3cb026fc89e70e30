// Both windows on screens of several widths, held to what a layout must give
// the operator: the compact size on exactly 800 pixels and the design size
// on every other width; every control inside its frame, none covering
// another, every caption and list entry shown in full, and the newest grid
// row and every grid column in view during a long run.

#include "FakeCommPort.h"
#include "SpreadGrid.h"
#include "TestSupport.h"
#include "frmInit.h"
#include "frmMain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QTimer>

namespace {

const QByteArray kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";

// Twips to pixels at 96 dpi.
int px(double twips)
{
    return int(std::lround(twips / 15.0));
}

struct Screen : TestStudy
{
    explicit Screen(int width) { screen = FixedScreen(width, 480); }

    FakeCommPort* port = nullptr;

    // The main window once the receiver is heard, between runs.
    std::unique_ptr<frmMain> mainWindow()
    {
        settings.RunDirInput = true;
        auto p = std::make_unique<FakeCommPort>();
        port = p.get();
        auto w = std::make_unique<frmMain>(settings, writer, platform, std::move(p));
        w->Form_Load();
        w->tmrCurTime->stop();
        w->show();
        w->Form_Activate();
        port->feed(kGga);
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
// part of one of them.
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
                w->objectName() < other->objectName() && covers(w, other)) {
                problems << w->objectName() + " overlaps " + other->objectName();
            }
        }
        // Each text with the room its control gives it: a label must show
        // the ink of its text (centred), a box any text at all.
        const QFontMetrics fm(w->font());
        QList<std::pair<QString, QRect>> texts;
        QRect ink;
        if (const auto* l = qobject_cast<const QLabel*>(w);
            l && !l->wordWrap() && l->objectName() != QLatin1String("lblStatus")) {
            texts.append({l->text(), l->contentsRect()});
            const int baseline = (l->contentsRect().height() - fm.height()) / 2 + fm.ascent();
            ink = fm.tightBoundingRect(l->text()).translated(0, baseline);
        } else if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
            texts.append({b->text().remove(u'&'), b->contentsRect()});
        } else if (const auto* c = qobject_cast<const QComboBox*>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(c);
            opt.editable = c->isEditable();
            const QRect room =
                c->style()
                    ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c)
                    .adjusted(2, 1, -2, -1);
            for (int i = 0; i < c->count(); ++i) {
                texts.append({c->itemText(i), room});
            }
        } else if (const auto* e = qobject_cast<const QLineEdit*>(w)) {
            const int f = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
            texts.append({e->text(), e->rect().adjusted(f + 2, f + 1, -f - 2, -f - 1)});
        }
        for (const auto& [text, room] : texts) {
            const bool tall = ink.isNull() ? fm.height() > room.height()
                                           : ink.top() < 0 || ink.bottom() >= room.height();
            if (!text.isEmpty() && (fm.horizontalAdvance(text) > room.width() || tall)) {
                problems << w->objectName() + " cuts \"" + text + "\"";
            }
        }
    }
    return problems;
}

// The grid's problems: the newest row or a column not wholly in view.
QStringList gridProblems(const SpreadGrid& g)
{
    QStringList problems;
    const QRect view = g.viewport()->rect();
    const QModelIndex newest = g.model()->index(g.row() - 1, 0);
    if (!view.contains(g.visualRect(newest))) {
        problems << QStringLiteral("the newest row is out of view");
    }
    for (int col = 0; col < g.model()->columnCount(); ++col) {
        const QModelIndex cell = newest.siblingAtColumn(col);
        const QRect box = g.visualRect(cell);
        if (!view.contains(box) ||
            g.fontMetrics().horizontalAdvance(cell.data().toString()) + 6 > box.width()) {
            problems << QStringLiteral("column %1 is cut").arg(col + 1);
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
        QStringList problems = layoutProblems(*main);
        // During a run, with more rows than the grid shows.
        s.clock.advanceSecs(1);
        main->tmrCurTime_Timer();
        main->btnStartStopRun_Click();
        for (int i = 0; i < 40; ++i) {
            s.port->feed(kGga);
        }
        problems << layoutProblems(*main) << gridProblems(*main->vaGPSData);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        auto setup = s.setupWindow();
        QCOMPARE(setup->size(), size);
        const QStringList setupProblems = layoutProblems(*setup);
        QVERIFY2(setupProblems.isEmpty(), qPrintable(setupProblems.join(u'\n')));
    }
};

QTEST_MAIN(TstLayout)
#include "tst_layout.moc"
