// The sentence grid.

#include "SpreadGrid.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <cmath>

QString FormatGridNumber(double value, int decimals)
{
    if (!std::isfinite(value)) {
        return {};
    }
    constexpr double kLargestCell = 9999999.99;
    value = std::clamp(value, -kLargestCell, kLargestCell);
    char buf[48];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    QString digits = QString::fromLatin1(buf, res.ptr - buf);
    const bool negative = digits.startsWith(u'-');
    if (negative) {
        digits.remove(0, 1);
    }
    qsizetype point = digits.indexOf(u'.');
    if (point < 0) {
        point = digits.size();
    }
    for (qsizetype at = point - 3; at > 0; at -= 3) {
        digits.insert(at, u',');
    }
    const bool zero = std::all_of(digits.cbegin(), digits.cend(),
                                  [](QChar c) { return c == u'0' || c == u'.' || c == u','; });
    return negative && !zero ? u'-' + digits : digits;
}

namespace {

// Cells hold short plain texts: drawn directly, without the style's full
// item rendering, the grid costs little even when it scrolls ten times a second.
class PlainCellDelegate final : public QAbstractItemDelegate
{
public:
    using QAbstractItemDelegate::QAbstractItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) {
            return;
        }
        const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(option.rect.adjusted(3, 0, -3, 0), int(align | Qt::TextSingleLine), text);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return option.fontMetrics.size(Qt::TextSingleLine, index.data().toString()) + QSize(6, 4);
    }
};

} // namespace

SpreadGrid::SpreadGrid(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new PlainCellDelegate(this));
    // Fixed row heights keep a long run cheap to lay out; row numbers would
    // make the view measure its header again at every new row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

void SpreadGrid::deferRepaint(int ms)
{
    if (!repaint_) {
        repaint_ = new QTimer(this);
        repaint_->setSingleShot(true);
        connect(repaint_, &QTimer::timeout, this, [this] { setUpdatesEnabled(true); });
    }
    if (!repaint_->isActive()) {
        setUpdatesEnabled(false);
        repaint_->start(ms);
    }
}

void SpreadGrid::setTopRow(int row)
{
    topRow_ = qMax(row, 1);
    if (topRow_ <= maxRows()) {
        verticalScrollBar()->setValue(topRow_ - 1);
    }
}
