#pragma once
// The rows of the sentence grid, one per record of the run: kept as values
// (about 40 bytes a row) and turned into text only for the rows on screen,
// so that a twelve-hour run stays small and each row is added in constant time.

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

struct FixRecord;

class GpsDataModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Time = 1,
        Speed,
        RunDir,
        DelayNum,
        HDOP,
        Latitude,
        Longitude,
    };

    // directions: the texts of the run-direction list, by list index.
    explicit GpsDataModel(QStringList directions, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int maxRows() const { return int(rows_.size()); }
    void setMaxRows(int count);
    // Fills data row `row` (1-based) from a fix and the direction list index.
    void setRow(int row, const FixRecord& fix, int directionIndex);
    // Clears the data of every row; the row count stays.
    void clearData();
    // What cell (row, col), both 1-based, shows; "" for an empty cell.
    QString text(int row, int col) const;

private:
    struct Row
    {
        double time = 0;
        double latitude = 0;
        double longitude = 0;
        float speed = 0;
        float hdop = 0;
        qint16 delay = 0;
        qint8 direction = -1;
        bool filled = false;
    };

    QStringList directions_;
    std::vector<Row> rows_;
};
