#pragma once

#include <QString>

namespace Xlsx {

// Sheet-qualified references inside formula texts (defined names, cell
// formulas): 'Name'!$A$1:$H$40, Name!B2, 'Name'!$1:$3. String literals are
// skipped; sheet names compare without case, as spreadsheet programs do.
class ReferenceText
{
public:
    // The name as a formula qualifier: always quoted, quotes doubled.
    static QString quoted(const QString &sheetName);
    static bool refersTo(const QString &formula, const QString &sheetName);
    static QString renamed(const QString &formula, const QString &oldName, const QString &newName);
    // Row numbers of the references to sheetName: every row number above row
    // grows by count (so a range that spans row and goes below it grows).
    static QString rowsShifted(const QString &formula, const QString &sheetName, int row, int count);
};

}
