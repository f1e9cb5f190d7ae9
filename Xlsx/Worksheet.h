#pragma once

#include "Xlsx/Cell.h"
#include "Xlsx/CellRange.h"
#include "Xlsx/XmlNode.h"

#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace Xlsx {

// One worksheet: its cell store (rows of cells, 1-based) and everything else
// the part holds, kept as it came. Reached through Document; a worksheet is
// valid while its document lives and the sheet is not deleted.
class Worksheet
{
public:
    QString name() const { return m_name; }

    // The stored cell, or null where the position holds no cell.
    std::shared_ptr<const Cell> cellAt(int row, int column) const;
    // The cell's value (see Cell::value); invalid where there is no cell.
    QVariant read(int row, int column) const;
    // Writes a value: a number (stored as a number), a text (inline string),
    // a bool, a date, or an invalid QVariant / empty text for a blank cell.
    // style is a cell style index, or -1 to keep the cell's own style. The
    // formula of the cell is dropped. False, with nothing changed, for a
    // position beyond the sheet limits, a value the format cannot hold (NaN,
    // infinity, a text over 32767 characters, other types) or the first cell
    // of a shared formula, which other cells still use.
    bool write(int row, int column, const QVariant &value, int style = -1);

    // Column widths in characters, for the columns first to last (1-based).
    bool setColumnWidth(int first, int last, double width);

    // Rows row + 1 to row + count get copies of row's cells (value, formula,
    // type, style), its height and attributes and its single-row merged
    // ranges; everything below row moves down by count (see shiftRowsDown).
    // A copied formula reads as a spreadsheet program's copy does: its
    // relative row references move with the copy, absolute ones stay. Nothing
    // happens (true) when count < 1 or row holds no cell; false, with nothing
    // changed, when rows would be pushed beyond the sheet's last row.
    bool insertRowCopies(int row, int count);
    // Moves every row below row down by count, with what a spreadsheet
    // program moves along: merged ranges, conditional formats, data
    // validations, hyperlinks, row breaks, the auto filter, array formula
    // ranges, and through the document drawing anchors, notes, tables, and
    // every reference to the moved rows in formulas, defined names, chart
    // series and hyperlink locations of any sheet. A range that spans row and
    // goes below it grows. The sheet's shared formulas are written out cell by
    // cell first, and those of other sheets that refer to this one.
    bool shiftRowsDown(int row, int count);

    // Stored positions in order, for scanning only what is there: the first
    // stored row after the given one (0 when none), the first stored column of
    // row after the given one (0 when none). Safe while cells are written.
    int nextRow(int after) const;
    int nextColumn(int row, int after) const;
    // The stored cells of row, in column order, as they stand now: for a scan
    // that writes the cells it visits, without a lookup per cell.
    using ColumnCell = std::pair<int, std::shared_ptr<const Cell>>;
    std::vector<ColumnCell> rowCells(int row) const;

    // The row's height in points: the stored one, or the sheet's default.
    double rowHeight(int row) const;
    // A height the row keeps: set by hand (customHeight), or a hidden row's.
    bool rowHeightIsFixed(int row) const;

    // The bounding range of the stored cells; invalid for an empty sheet.
    CellRange dimension() const;
    bool hasFormulas() const;

private:
    friend class Document;

    struct Row
    {
        QVector<XmlAttribute> attributes;   // ht, customHeight, s, hidden, ...
        std::map<int, std::shared_ptr<Cell>> cells;
    };

    static QByteArray emptyPart();
    bool load(const QByteArray &part, const QStringList &sharedStrings, QString *error);
    QByteArray toPart(bool selected);

    bool parseSheetData(class QXmlStreamReader &reader, const QStringList &sharedStrings);
    bool parseRow(QXmlStreamReader &reader, int row, const QStringList &sharedStrings);
    bool parseCell(QXmlStreamReader &reader, Cell &cell, const QStringList &sharedStrings);
    // Keeps the message as this sheet's error and stops the reader; always false.
    bool fail(QXmlStreamReader &reader, const QString &what);
    Cell &obtainCell(int row, int column);
    QString prefixed(const QString &localName) const { return m_prefix + localName; }
    XmlNode *topLevel(const QString &localName);
    XmlNode *insertTopLevel(const QString &localName);
    void shiftAnchoredRanges(int row, int count);
    void shiftFormulaRanges(int row, int count);
    // Gives every member of the shared formula groups whose text affected
    // picks a formula of its own, the group's text as its position reads it.
    void unshareFormulas(const std::function<bool(const QString &formula)> &affected);
    // Every formula text of the sheet, through rewrite: the cells', the
    // conditional formats' and the validations'.
    void rewriteFormulas(const std::function<QString(const QString &)> &rewrite);
    void rewriteHyperlinkLocations(const std::function<QString(const QString &)> &rewrite);
    double defaultRowHeight() const;
    // Stores a height the row has as it is laid out, not one set by hand.
    void setRowHeight(int row, double points);
    double columnWidth(int column) const;
    // The merged range that holds the cell; invalid when none does.
    CellRange mergedRangeAt(int row, int column) const;
    void finishForSave(bool selected);
    void writeSheetData(QString &out) const;

    QString m_name;
    QString m_partName;
    QString m_prefix;   // of the main namespace, "x:" in some writers' files
    XmlNode m_root;     // the part without its rows; sheetData is a placeholder
    std::map<int, Row> m_rows;
    QString m_error;
    // Told of every shift, for the parts outside the worksheet.
    std::function<void(int row, int count)> m_rowsShifted;
};

}
