#pragma once
// The sentence grid's view: a table with data rows numbered from 1, a current
// row and a top visible row, over whatever model holds the rows.

#include <QString>
#include <QTableView>

class QTimer;

class SpreadGrid final : public QTableView
{
    Q_OBJECT

public:
    explicit SpreadGrid(QWidget* parent = nullptr);

    int row() const { return row_; }
    void setRow(int row) { row_ = row; }
    int maxRows() const { return model() ? model()->rowCount() : 0; }
    int topRow() const { return topRow_; }
    void setTopRow(int row);
    // How many data rows the view shows whole at its present size.
    int rowsInView() const;

    // The columns are sized to the widest text each shows (heading included)
    // in the grid's font, narrowed where needed so that all of them fit the
    // width without sideways scrolling; again at every change of size.
    void setWidestTexts(const QStringList& widest);

    // Holds the view still for `ms` after a change, then shows all changes
    // at once: a 10 Hz receiver need not repaint the grid ten times a second.
    void deferRepaint(int ms);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitColumns();

    QStringList widest_;
    QTimer* repaint_ = nullptr;
    int row_ = 0;
    int topRow_ = 1;
};

// "1,234.5": "." decimal point and "," thousands separator whatever the
// locale, within the range a numeric cell holds (+-9,999,999.99).
QString FormatGridNumber(double value, int decimals);
