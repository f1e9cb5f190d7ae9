#pragma once

#include "Xlsx/CellReference.h"

#include <QString>

namespace Xlsx {

// A rectangle of cells, "B2:D4" or a single "B2".
class CellRange
{
public:
    CellRange() = default;
    CellRange(int firstRow, int firstColumn, int lastRow, int lastColumn)
        : m_firstRow(firstRow), m_firstColumn(firstColumn), m_lastRow(lastRow), m_lastColumn(lastColumn) {}
    explicit CellRange(const QString &text);

    int firstRow() const { return m_firstRow; }
    int firstColumn() const { return m_firstColumn; }
    int lastRow() const { return m_lastRow; }
    int lastColumn() const { return m_lastColumn; }
    bool isValid() const;
    QString toString() const;

    void setFirstRow(int r) { m_firstRow = r; }
    void setLastRow(int r) { m_lastRow = r; }

    bool operator==(const CellRange &o) const
    {
        return m_firstRow == o.m_firstRow && m_firstColumn == o.m_firstColumn && m_lastRow == o.m_lastRow
               && m_lastColumn == o.m_lastColumn;
    }

private:
    int m_firstRow = 0;
    int m_firstColumn = 0;
    int m_lastRow = 0;
    int m_lastColumn = 0;
};

}
