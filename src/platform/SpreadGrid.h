#pragma once
// The sentence grid: a table with a heading row 0, data rows numbered from 1,
// a current row and column, a row count and a top visible row, over a Qt
// model so that a long run adds each row in constant time.

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <vector>

class SpreadModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SpreadModel(QStringList headings, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int maxRows() const { return int(rows_.size()); }
    void setMaxRows(int count);
    // row and col are 1-based, as the grid numbers its cells.
    void setText(int row, int col, const QString& text);
    QString text(int row, int col) const;
    // Clears the text of rows 1..maxRows, keeping headings and row count.
    void clearData();
    // A numeric column shows its cells with this many decimals and thousands separators.
    void setNumeric(int col, int decimals);

private:
    QStringList headings_;
    std::vector<int> decimals_; // -1 for text columns
    std::vector<std::vector<QString>> rows_;
};

class SpreadGrid final : public QTableView
{
    Q_OBJECT

public:
    explicit SpreadGrid(const QStringList& headings, QWidget* parent = nullptr);

    SpreadModel& model() { return model_; }
    const SpreadModel& model() const { return model_; }

    int row() const { return row_; }
    void setRow(int row) { row_ = row; }
    int col() const { return col_; }
    void setCol(int col) { col_ = col; }
    // Text of the current cell.
    void setText(const QString& text) { model_.setText(row_, col_, text); }
    int maxRows() const { return model_.maxRows(); }
    void setMaxRows(int count) { model_.setMaxRows(count); }
    int maxCols() const { return model_.columnCount(); }
    int topRow() const { return topRow_; }
    void setTopRow(int row);

private:
    SpreadModel model_;
    int row_ = 0;
    int col_ = 0;
    int topRow_ = 1;
};

// "1,234.5": "." decimal point and "," thousands separator whatever the locale.
QString FormatGridNumber(double value, int decimals);
