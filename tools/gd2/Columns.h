#pragma once
// A table's columns, each once: its name in the CSV, the text and the page,
// and how a row fills its cell. The text, the CSV and the HTML of a command
// are all written from one list, so that no output can drift from another.

#include "Sink.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace gd2 {

enum class Output
{
    Text,
    Csv,
    Html
};

// How a typed table (the GeoPackage) keeps a column's CSV cells.
enum class Kind
{
    Real,
    Integer,
    Text,
    DateTime // ISO 8601 in UTC
};

template <typename Row> struct Column
{
    QString csv;   // the CSV header; empty: not in the CSV
    QString text;  // the text header; empty: not in the text
    QString html;  // the page's header (HTML); empty: not on the page
    int width = 8; // in the text, right-aligned unless negative
    // The cell as each output shows it; empty: the row has no such figure,
    // an empty CSV cell and "n/a" elsewhere.
    std::function<QString(const Row&, Output)> cell;
    Kind kind = Kind::Real;

    bool in(Output o) const
    {
        return !(o == Output::Csv ? csv : o == Output::Text ? text : html).isEmpty();
    }
};

template <typename Row> using Columns = QList<Column<Row>>;

// CSV cells are the program's own words and numbers; a name with a comma,
// quote or space is quoted.
inline QString csvCell(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u' ') &&
        !text.contains(u'\n')) {
        return text;
    }
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

template <typename Row> QString csvHeader(const Columns<Row>& columns)
{
    QStringList cells;
    for (const Column<Row>& c : columns) {
        if (c.in(Output::Csv)) {
            cells << c.csv;
        }
    }
    return cells.join(u',') + u'\n';
}

template <typename Row> QString csvLine(const Columns<Row>& columns, const Row& row)
{
    QStringList cells;
    for (const Column<Row>& c : columns) {
        if (c.in(Output::Csv)) {
            cells << csvCell(c.cell(row, Output::Csv));
        }
    }
    return cells.join(u',') + u'\n';
}

// The whole CSV of a command whose rows stand in groups: its header, then a
// line per row, each Row made of the whole, the group and the row; the rows
// are the group's own, or those rowsOf(whole, group) makes.
template <typename Row, typename Whole, typename RowsOf>
QByteArray csvTable(const Columns<Row>& columns, const Whole& whole, RowsOf rowsOf)
{
    QString out = csvHeader(columns);
    for (const auto& g : whole.groups) {
        for (const auto& r : rowsOf(whole, g)) {
            out += csvLine(columns, Row{whole, g, r});
        }
    }
    return out.toUtf8();
}

template <typename Row, typename Whole>
QByteArray csvTable(const Columns<Row>& columns, const Whole& whole)
{
    return csvTable(
        columns, whole, [](const Whole&, const auto& g) -> const auto& { return g.rows; });
}

namespace detail {
inline QString textLine(const QStringList& cells, const QList<int>& widths)
{
    QString line = QStringLiteral("  ");
    for (qsizetype k = 0; k < cells.size(); ++k) {
        const QString cell =
            widths[k] < 0 ? cells[k].leftJustified(-widths[k]) : cells[k].rightJustified(widths[k]);
        // A cell wider than its column still stands apart from the one before.
        if (!line.endsWith(u' ') && !cell.startsWith(u' ')) {
            line += u' ';
        }
        line += cell;
    }
    while (line.endsWith(u' ')) {
        line.chop(1);
    }
    return line + u'\n';
}
} // namespace detail

template <typename Row> QString textHeader(const Columns<Row>& columns)
{
    QStringList cells;
    QList<int> widths;
    for (const Column<Row>& c : columns) {
        if (c.in(Output::Text)) {
            cells << c.text;
            widths << c.width;
        }
    }
    return detail::textLine(cells, widths);
}

template <typename Row> QString textLine(const Columns<Row>& columns, const Row& row)
{
    QStringList cells;
    QList<int> widths;
    for (const Column<Row>& c : columns) {
        if (c.in(Output::Text)) {
            const QString cell = c.cell(row, Output::Text);
            cells << (cell.isEmpty() ? QStringLiteral("n/a") : cell);
            widths << c.width;
        }
    }
    return detail::textLine(cells, widths);
}

template <typename Row> QString htmlHeader(const Columns<Row>& columns)
{
    QString line = QStringLiteral("<tr>");
    for (const Column<Row>& c : columns) {
        if (c.in(Output::Html)) {
            line += QStringLiteral("<th>") + c.html + QStringLiteral("</th>");
        }
    }
    return line + QStringLiteral("</tr>\n");
}

// Cells are HTML as the column gives them; numbers align right.
template <typename Row> QString htmlLine(const Columns<Row>& columns, const Row& row)
{
    QString line = QStringLiteral("<tr>");
    for (const Column<Row>& c : columns) {
        if (!c.in(Output::Html)) {
            continue;
        }
        const QString cell = c.cell(row, Output::Html);
        line += cell.isEmpty() ? QStringLiteral("<td class=\"na\">n/a</td>")
                : c.width < 0  ? QStringLiteral("<td>") + cell + QStringLiteral("</td>")
                              : QStringLiteral("<td class=\"n\">") + cell + QStringLiteral("</td>");
    }
    return line + QStringLiteral("</tr>\n");
}

} // namespace gd2
