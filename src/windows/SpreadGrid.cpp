// The sentence grid.

#include "SpreadGrid.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

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
    // The columns always fit the width; the room of the vertical scroll bar
    // is kept whether it shows or not, so that columns never move.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

int SpreadGrid::rowsInView() const
{
    const int rowHeight = verticalHeader()->defaultSectionSize();
    return rowHeight > 0 ? viewport()->height() / rowHeight : 0;
}

void SpreadGrid::setWidestTexts(const QStringList& widest)
{
    widest_ = widest;
    fitColumns();
}

void SpreadGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    fitColumns();
}

void SpreadGrid::fitColumns()
{
    if (!model() || widest_.isEmpty()) {
        return;
    }
    const int columns = std::min(int(widest_.size()), model()->columnCount());
    const int headerMargin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const auto widths = [&](const QFont& f) {
        const QFontMetrics fm(f);
        QList<int> w;
        for (int col = 0; col < columns; ++col) {
            const QString heading = model()->headerData(col, Qt::Horizontal).toString();
            // The cells keep 3 pixels clear on each side of their text.
            w << std::max(fm.horizontalAdvance(widest_[col]) + 8,
                          fm.horizontalAdvance(heading) + headerMargin + 2);
        }
        return w;
    };
    QFont f = font();
    f.setStretch(QFont::Unstretched);
    QList<int> w = widths(f);
    const int room = width() - 2 * frameWidth() - verticalScrollBar()->sizeHint().width();
    const int needed = std::accumulate(w.cbegin(), w.cend(), 0);
    if (needed > room && room > 0) {
        // Narrower letters rather than smaller ones: the rows keep their height.
        for (int stretch = std::max(50, 100 * room / needed); stretch >= 50; stretch -= 2) {
            f.setStretch(stretch);
            w = widths(f);
            if (std::accumulate(w.cbegin(), w.cend(), 0) <= room) {
                break;
            }
        }
    }
    if (f != font()) {
        setFont(f);
    }
    for (int col = 0; col < columns; ++col) {
        setColumnWidth(col, w[col]);
    }
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
        // Rows just added reach the scroll bar's range only at the next
        // layout; a full layout per row would cost more with every row.
        QScrollBar* bar = verticalScrollBar();
        if (bar->maximum() < topRow_ - 1) {
            bar->setMaximum(topRow_ - 1);
        }
        bar->setValue(topRow_ - 1);
    }
}
