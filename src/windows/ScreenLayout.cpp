// The 800-pixel layouts of both windows, as tables of control boxes.

#include "ScreenLayout.h"

#include "Twips.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMap>
#include <QWidget>
#include <algorithm>
#include <optional>

namespace {

// Outer window size on such a screen, and the client area inside it.
constexpr double kOuterWidth = 9600;
constexpr double kClientWidth = 9510;
constexpr double kClientHeight = 6225;

struct Box
{
    double left = 0, top = 0, width = 0, height = 0;
};

// One pass of a layout. Values set earlier in the pass are what later,
// derived values are computed from.
class Pass
{
public:
    Pass(QWidget& window, double dpi) : window_(window), dpi_(dpi) {}

    // Font size first, then height, left, top and width, as the controls take them.
    void set(const char* name, std::optional<double> left, std::optional<double> top,
             std::optional<double> width, std::optional<double> height,
             std::optional<double> fontSize = std::nullopt)
    {
        QWidget* w = control(name);
        if (!w) {
            return;
        }
        Box b = boxOf(name, w);
        if (fontSize) {
            QFont f = w->font();
            f.setPointSizeF(*fontSize);
            w->setFont(f);
        }
        b = {left.value_or(b.left), top.value_or(b.top), width.value_or(b.width),
             height.value_or(b.height)};
        boxes_[QString::fromLatin1(name)] = b;
        twips::place(w, b.left, b.top, b.width, b.height, dpi_);
    }

    // A control's box as this pass left it, or as it stands.
    Box box(const char* name) const
    {
        const QWidget* w = control(name);
        return w ? boxOf(name, w) : Box{};
    }

    // The height a box needs for its text in its present font, in twips.
    double neededHeight(const char* name) const
    {
        const QWidget* w = control(name);
        return w ? w->sizeHint().height() * 1440.0 / dpi_ : 0.0;
    }

    // The width of a label's text in its present font, in twips.
    double textWidth(const char* name) const
    {
        const auto* l = qobject_cast<const QLabel*>(control(name));
        if (!l) {
            return 0.0;
        }
        QFont f = l->font(); // as designed, not as narrowed to fit an earlier box
        f.setStretch(QFont::Unstretched);
        return QFontMetrics(f).horizontalAdvance(l->text()) * 1440.0 / dpi_;
    }

    double fontSize(const char* name) const
    {
        const QWidget* w = control(name);
        return w ? w->font().pointSizeF() : 8.0;
    }

    void clientArea()
    {
        window_.setFixedSize(twips::toPixels(kClientWidth, dpi_),
                             twips::toPixels(kClientHeight, dpi_));
    }

    // A layout that names a control its window does not have is a mistake in
    // the layout: said out loud (the tests fail on it), and passed over in the
    // field, where the rest of the layout still helps the operator.
    QWidget* control(const char* name) const
    {
        auto* w = window_.findChild<QWidget*>(QString::fromLatin1(name));
        if (!w) {
            qWarning("The layout names no control of %s: %s", window_.metaObject()->className(),
                     name);
        }
        return w;
    }

private:
    Box boxOf(const char* name, const QWidget* w) const
    {
        const auto it = boxes_.constFind(QString::fromLatin1(name));
        if (it != boxes_.cend()) {
            return *it;
        }
        const double perPixel = 1440.0 / dpi_;
        const QRect g = w->geometry();
        return {g.x() * perPixel, g.y() * perPixel, g.width() * perPixel, g.height() * perPixel};
    }

    QWidget& window_;
    double dpi_;
    QMap<QString, Box> boxes_;
};

} // namespace

void ApplyInitScreenLayout(QWidget& w, bool screenIs800, double dpi)
{
    if (!screenIs800) {
        return;
    }
    Pass p(w, dpi);
    p.clientArea();
    const auto none = std::nullopt;
    p.set("frStudyDetails", 120, 0, 9252, 732);
    p.set("lblStudyNamePrefixT", 120, 240, 1572, 400, 12);
    p.set("txtStudyNamePrefix", 1800, 240, 5772, 300, 12);
    p.set("lblStudyNumT", 7920, 240, 492, 400, 12);
    p.set("txtStudyNum", 8520, 240, 612, 300, 12);
    // 300 twips cut the descenders of 12-point text: as tall as the text needs.
    p.set("txtStudyNamePrefix", none, none, none, p.neededHeight("txtStudyNamePrefix"));
    p.set("txtStudyNum", none, none, none, p.neededHeight("txtStudyNum"));
    // The right-hand frames keep their design width (4332, not 3612), taken
    // from the folder tree: in 1452 twips the receiver box cut even
    // "Standard USB". The caption keeps what its text needs, the box the rest.
    p.set("frCurDataFolder", 120, 720, 5532 - 720, 3372);
    p.set("lblDataPath", 120, 240, 5292 - 720, 372, 12);
    p.set("treStudyName", 120, 720, 5295 - 720, 2460);
    p.set("frCommPort", 5760 - 720, 720, 3612 + 720, 732);
    p.set("lblCommPort", 120, 240, 1812, 372, 12);
    p.set("cmbCommPort", 2880, 240, 612, none);
    p.set("frGPSReceiver", 5760 - 720, 1440, 3612 + 720, 732, 12);
    p.set("lblGPSNameT", 120, 240, 1812, 372, 12);
    const double captionWidth = p.textWidth("lblGPSNameT") + 120;
    p.set("lblGPSNameT", none, none, captionWidth, none);
    p.set("cmbGPSName", 120 + captionWidth, 240, p.box("frGPSReceiver").width - 240 - captionWidth,
          none);
    const Box receiver = p.box("frGPSReceiver");
    // The right-hand frames keep the design's spacing among themselves: the
    // baud rate directly under the receiver, the options a little apart. At
    // the design's own tops they would leave a hole under the receiver.
    const double baudTop = receiver.top + 720;
    const double remoteTop = baudTop + 732 + 108;
    p.set("frRemoteEnabled", receiver.left, remoteTop, receiver.width, none);
    p.set("chkRemoteEnabled", none, none, p.box("frRemoteEnabled").width - 240, none);
    // The baud, metric and direction boxes follow the pattern of the remote-control box.
    p.set("frBaudRate", receiver.left, baudTop, receiver.width, none, p.fontSize("frGPSReceiver"));
    const Box nameCaption = p.box("lblGPSNameT");
    p.set("lblBaudRate", nameCaption.left, nameCaption.top, nameCaption.width, nameCaption.height,
          p.fontSize("lblGPSNameT"));
    const Box nameBox = p.box("cmbGPSName");
    p.set("cmbBaudRate", nameBox.left, nameBox.top, nameBox.width, none);
    p.set("frMetric", receiver.left, remoteTop + 720, receiver.width, none);
    p.set("chkMetric", none, none, p.box("frMetric").width - 240, none);
    p.set("frRunDir", receiver.left, remoteTop + 720 + 732 + 108, receiver.width, none);
    p.set("chkRunDir", none, none, p.box("frRunDir").width - 240, none);
    // The checkpoint file under the data folder, its buttons at the right.
    const Box folder = p.box("frCurDataFolder");
    p.set("frCheckpoints", folder.left, folder.top + folder.height + 108, folder.width, 1560);
    const double clearLeft = folder.width - 120 - 852;
    p.set("btnClearCheckpoints", clearLeft, 240, 852, 420);
    p.set("btnCheckpointFile", clearLeft - 60 - 1000, 240, 1000, 420);
    p.set("lblCheckpointFile", 120, 300, clearLeft - 60 - 1000 - 180, 372);
    p.set("lblCheckpointCount", 120, 720, folder.width - 240, 720);
    p.set("btnOk", 3360, 5880, 972, 252, 8);
    p.set("btnExit", 5160, 5880, 852, 252, 8);
    // Why the port does not open, in the right-hand column under the options.
    const Box runDir = p.box("frRunDir");
    const double problemTop = runDir.top + runDir.height + 45;
    p.set("lblPortProblem", runDir.left, problemTop, runDir.width, 5880 - problemTop - 30, 7);
    FitAllTexts(w);
}

void ApplyMainScreenLayout(QWidget& w, bool screenIs800, double dpi)
{
    if (!screenIs800) {
        return;
    }
    Pass p(w, dpi);
    p.clientArea();
    const auto none = std::nullopt;
    const double windowWidth = kOuterWidth;
    p.set("frStudyDetails", 120, 0, windowWidth - 240, 732);
    p.set("lblStudyNamePrefixT", 120, 240, 1650, 372, 12);
    p.set("lblStudyNamePrefix", 1920, 240, 3852, 372, 12);
    p.set("lblStudyNumT", 5880, 240, 372, 372, 12);
    p.set("lblStudyNum", 6240, 240, 372, 372, 12);
    p.set("lblRunNumT", 6840, 240, 615, 375, 12);
    p.set("lblRunNum", 7440, 240, 375, 375, 12);
    p.set("lblNodeNumT", 8040, 240, 735, 375, 12);
    p.set("lblNodeNum", 8760, 240, 375, 375, 12);
    p.set("frGPSData", 120, 840, 3120, 4215);
    const struct
    {
        const char *caption, *value;
        double top;
    } rows[] = {{"lblTimeT", "lblTime", 360},          {"lblSpeedT", "lblSpeed", 855},
                {"lblLatitudeT", "lblLatitude", 1365}, {"lblLongitudeT", "lblLongitude", 1860},
                {"lblGPSQualT", "lblGPSQual", 2355},   {"lblNumSatsT", "lblNumSats", 2865},
                {"lblHDOPT", "lblHDOP", 3360}};
    for (const auto& r : rows) {
        p.set(r.caption, 105, r.top, 1335, 375, 12);
        p.set(r.value, 1440, r.top, 1575, 375, 12);
    }
    // The unit takes the right end of the speed's line, as in the design;
    // the speed keeps room for "999.9".
    const Box speed = p.box("lblSpeed");
    p.set("lblSpeed", none, none, speed.width - 600, none);
    p.set("lblMphKph", speed.left + speed.width - 600, speed.top, 600, speed.height, 8);
    if (auto* unit = qobject_cast<QLabel*>(p.control("lblMphKph"))) {
        unit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    p.set("frGrid", 3240, 840, 6150, 4215);
    p.set("vaGPSData", 120, 240, 5895, 3855);
    p.set("btnDummy", 9240, 4820, 132, 132);
    p.set("lblStatus", 120, 5040, windowWidth - 800, 375, 12);
    const Box grid = p.box("frGrid");
    const Box status = p.box("lblStatus");
    p.set("btnHideSentences", grid.left + grid.width - 600, status.top + status.height / 4, 600,
          status.height / 2, 8);
    // The status line ends where Hide begins, so that Hide covers none of its text.
    p.set("lblStatus", none, none, p.box("btnHideSentences").left - status.left - 60, none);
    p.set("btnStartStopRun", 3600, 5640, 2172, 492, 18);
    const Box data = p.box("frGPSData");
    const Box run = p.box("btnStartStopRun");
    p.set("frRunDir", data.left, run.top, data.width, run.height);
    const Box dirFrame = p.box("frRunDir");
    p.set("lblRunDir", 120, 150, dirFrame.width / 2 - 120, dirFrame.height - 240, 8);
    const Box dirLabel = p.box("lblRunDir");
    p.set("cmbRunDir", dirLabel.left + dirLabel.width, dirLabel.top, dirLabel.width, none,
          p.fontSize("lblRunDir"));
    p.set("frDelayNum", dirFrame.left, dirFrame.top, dirFrame.width, dirFrame.height);
    p.set("lblDelayNum", dirLabel.left, dirLabel.top, dirLabel.width, dirLabel.height,
          p.fontSize("lblRunDir"));
    // The direction box as tall as its text needs, raised where the frame
    // would cut its foot.
    const double boxHeight = p.neededHeight("cmbRunDir");
    const double boxTop = std::min(dirLabel.top, dirFrame.height - boxHeight - 15);
    p.set("cmbRunDir", none, boxTop, none, boxHeight);
    const Box dirBox = p.box("cmbRunDir");
    p.set("txtDelayNum", dirBox.left, dirBox.top, dirBox.width, dirBox.height,
          p.fontSize("lblDelayNum"));
    p.set("btnNewNode", 6069, 5760, 1572, 372, 12);
    p.set("btnExit", 7938, 5760, 1452, 372, 8);
    p.set("lblRoute", none, none, none, none, 9.6);
    SplitGridForRoute(w, dpi);
    FitAllTexts(w);
}

void SplitGridForRoute(QWidget& w, double dpi)
{
    auto* route = w.findChild<QLabel*>(QStringLiteral("lblRoute"));
    QWidget* grid = w.findChild<QWidget*>(QStringLiteral("vaGPSData"));
    if (!route || !grid || route->isHidden()) {
        return;
    }
    // Two lines of the route's text, taken from the grid's foot.
    const double toTwips = 1440.0 / dpi;
    const double left = grid->x() * toTwips;
    const double top = grid->y() * toTwips;
    const double width = grid->width() * toTwips;
    const double frameHeight = grid->parentWidget()->height() * toTwips;
    const double lines = 2.4 * QFontMetrics(route->font()).height() * toTwips;
    const double gridHeight = frameHeight - top - lines - 180;
    twips::place(grid, left, top, width, gridHeight, dpi);
    twips::place(route, left, top + gridHeight + 60, width, lines, dpi);
}

void FitAllTexts(QWidget& window)
{
    for (QLabel* l : window.findChildren<QLabel*>()) {
        if (!l->wordWrap() && l->objectName() != QStringLiteral("lblStatus")) {
            twips::fitWidth(l, l->text());
        }
    }
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>()) {
        twips::fitWidth(b, b->text());
    }
    for (QComboBox* c : window.findChildren<QComboBox*>()) {
        twips::fitEntries(c);
    }
}
