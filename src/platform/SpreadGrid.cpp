#include "SpreadGrid.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {
constexpr double kLargestCell = 9999999.99;
}

QString FormatGridNumber(double value, int decimals)
{
    if (!std::isfinite(value)) {
        return {};
    }
    // A numeric cell holds values within its range only.
    value = std::clamp(value, -kLargestCell, kLargestCell);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string s(buf, res.ptr);
    const bool negative = !s.empty() && s[0] == '-';
    if (negative) {
        s.erase(0, 1);
    }
    const std::size_t point = s.find('.');
    std::string integer = s.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : s.substr(point);
    for (int at = int(integer.size()) - 3; at > 0; at -= 3) {
        integer.insert(std::size_t(at), ",");
    }
    const bool zero = s.find_first_not_of("0.") == std::string::npos;
    return QString::fromLatin1((negative && !zero ? "-" : "") + integer + fraction);
}

SpreadModel::SpreadModel(QStringList headings, QObject* parent)
    : QAbstractTableModel(parent), headings_(std::move(headings)),
      decimals_(std::size_t(headings_.size()), -1)
{
}

int SpreadModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int SpreadModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(headings_.size());
}

QVariant SpreadModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || std::size_t(index.row()) >= rows_.size()) {
        return {};
    }
    const int decimals = decimals_[std::size_t(index.column())];
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(decimals >= 0 ? Qt::AlignRight | Qt::AlignVCenter
                                                 : Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const std::vector<QString>& cells = rows_[std::size_t(index.row())];
    const QString& t = cells.empty() ? QString() : cells[std::size_t(index.column())];
    if (decimals < 0 || t.isEmpty()) {
        return t;
    }
    bool ok = false;
    const double v = t.toDouble(&ok); // C locale: "." decimal point
    return ok ? FormatGridNumber(v, decimals) : t;
}

QVariant SpreadModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return headings_.value(section);
    }
    return section + 1;
}

void SpreadModel::setMaxRows(int count)
{
    count = qMax(count, 0);
    const int now = int(rows_.size());
    if (count > now) {
        beginInsertRows({}, now, count - 1);
        rows_.resize(std::size_t(count));
        endInsertRows();
    } else if (count < now) {
        beginRemoveRows({}, count, now - 1);
        rows_.resize(std::size_t(count));
        endRemoveRows();
    }
}

void SpreadModel::setText(int row, int col, const QString& text)
{
    if (row < 1 || row > maxRows() || col < 1 || col > columnCount()) {
        return;
    }
    std::vector<QString>& cells = rows_[std::size_t(row - 1)];
    if (cells.empty()) {
        cells.resize(std::size_t(columnCount()));
    }
    cells[std::size_t(col - 1)] = text;
    const QModelIndex at = index(row - 1, col - 1);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

QString SpreadModel::text(int row, int col) const
{
    if (row < 1 || row > maxRows() || col < 1 || col > columnCount()) {
        return {};
    }
    const std::vector<QString>& cells = rows_[std::size_t(row - 1)];
    return cells.empty() ? QString() : cells[std::size_t(col - 1)];
}

void SpreadModel::clearData()
{
    beginResetModel();
    for (std::vector<QString>& cells : rows_) {
        cells.clear();
        cells.shrink_to_fit();
    }
    endResetModel();
}

void SpreadModel::setNumeric(int col, int decimals)
{
    if (col >= 1 && col <= columnCount()) {
        decimals_[std::size_t(col - 1)] = decimals;
    }
}

SpreadGrid::SpreadGrid(const QStringList& headings, QWidget* parent)
    : QTableView(parent), model_(headings)
{
    setModel(&model_);
    // Fixed row heights keep a long run cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
}

void SpreadGrid::setTopRow(int row)
{
    topRow_ = qMax(row, 1);
    if (topRow_ <= model_.maxRows()) {
        verticalScrollBar()->setValue(topRow_ - 1);
    }
}
