// The rows of the sentence grid.

#include "GpsDataModel.h"

#include "Conversions.h"
#include "FixRecord.h"
#include "GpsClock.h"
#include "SpreadGrid.h"

namespace {
const QStringList kHeadings = {QStringLiteral("Time"),     QStringLiteral("Speed"),
                               QStringLiteral("Run Dir"),  QStringLiteral("Delay #"),
                               QStringLiteral("HDOP"),     QStringLiteral("Latitude"),
                               QStringLiteral("Longitude")};
}

GpsDataModel::GpsDataModel(QStringList directions, QObject* parent)
    : QAbstractTableModel(parent), directions_(std::move(directions))
{
}

int GpsDataModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int GpsDataModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(kHeadings.size());
}

QVariant GpsDataModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    const int col = index.column() + 1;
    if (role == Qt::TextAlignmentRole) {
        const bool numeric = col == Speed || col == HDOP;
        return QVariant::fromValue(numeric ? Qt::AlignRight | Qt::AlignVCenter
                                           : Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return text(index.row() + 1, col);
}

QString GpsDataModel::text(int row, int col) const
{
    if (row < 1 || row > maxRows()) {
        return {};
    }
    const Row& r = rows_[std::size_t(row - 1)];
    if (!r.filled) {
        return {};
    }
    switch (col) {
    case Time:
        return FormatClockTime(r.time);
    case Speed:
        return FormatGridNumber(r.speed, 1); // always mph
    case RunDir:
        return directions_.value(r.direction);
    case DelayNum:
        return QString::number(r.delay);
    case HDOP:
        return FormatGridNumber(r.hdop, 2);
    case Latitude:
        return FormatLatitude(r.latitude);
    case Longitude:
        return FormatLongitude(r.longitude);
    default:
        return {};
    }
}

QVariant GpsDataModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return {};
    }
    return orientation == Qt::Horizontal ? QVariant(kHeadings.value(section))
                                         : QVariant(section + 1);
}

void GpsDataModel::setMaxRows(int count)
{
    count = qMax(count, 0);
    const int now = maxRows();
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

void GpsDataModel::setRow(int row, const FixRecord& fix, int directionIndex)
{
    if (row < 1 || row > maxRows()) {
        return;
    }
    rows_[std::size_t(row - 1)] = {fix.FixTime, fix.Latitude, fix.Longitude,         fix.SpeedMph,
                                   fix.HDOP,    fix.DelayNum, qint8(directionIndex), true};
    emit dataChanged(index(row - 1, 0), index(row - 1, columnCount() - 1), {Qt::DisplayRole});
}

void GpsDataModel::clearData()
{
    beginResetModel();
    for (Row& r : rows_) {
        r = Row();
    }
    endResetModel();
}
