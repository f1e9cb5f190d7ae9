#pragma once

#include <QString>

namespace Xlsx {

// A cell position, 1-based (A1 is row 1, column 1). Valid only inside the
// sheet limits (MaxRows x MaxColumns).
class CellReference
{
public:
    CellReference() = default;
    CellReference(int row, int column) : m_row(row), m_column(column) {}
    // "B7", "$B$7" or "b7"; anything else, or a position beyond the limits,
    // gives an invalid reference.
    explicit CellReference(const QString &text);

    int row() const { return m_row; }
    int column() const { return m_column; }
    bool isValid() const;
    // "B7"; "$B$7" with absolute. Empty for an invalid reference.
    QString toString(bool absolute = false) const;
    // The same text appended to out, for writers that build long texts.
    void appendTo(QString &out, bool absolute = false) const;

    // Column letters of a 1-based column ("A", "AX"); empty beyond the limits.
    static QString columnName(int column);
    // 1-based column of its letters, 0 when they are no column within the limits.
    static int columnNumber(const QString &letters);

    bool operator==(const CellReference &o) const { return m_row == o.m_row && m_column == o.m_column; }
    bool operator!=(const CellReference &o) const { return !(*this == o); }

private:
    int m_row = 0;
    int m_column = 0;
};

}
