#pragma once

#include <QString>

namespace Xlsx {

// The one reader and rewriter of the references in a formula text, for every
// place a workbook keeps one: cell formulas, defined names, chart series,
// conditional formats, validations and hyperlink locations. It knows A1
// references with "$" parts, ranges, whole columns (A:A) and rows (1:1), sheet
// qualifiers plain (Name!) or quoted ('A name'!, '' for an apostrophe), 3-D
// spans ('First:Last'!), other workbooks ([1]Name!) and error values. Strings,
// function names (LOG10(...)), defined names and structured references are
// never taken for references. Sheet names compare without case, as spreadsheet
// programs compare them. A text that changes nowhere comes back as it was.
class ReferenceText
{
public:
    // The name as a formula qualifier: always quoted, quotes doubled.
    static QString quoted(const QString &sheetName);
    static bool refersTo(const QString &formula, const QString &sheetName);
    static QString renamed(const QString &formula, const QString &oldName, const QString &newName);
    // Every reference to the sheet becomes the error #REF!, as when a
    // spreadsheet program deletes the sheet.
    static QString sheetDeleted(const QString &formula, const QString &sheetName);
    // count rows inserted below row of sheetName: every row number above row in
    // a reference to that sheet grows by count, absolute or not, so a range that
    // spans row grows. ownSheet is the sheet of the unqualified references (the
    // formula's own), empty where they have none (defined names, chart series).
    // A range's end stops at the sheet's last row; a cell or a range's start
    // pushed off the sheet becomes #REF!. A 3-D span is left as it is.
    static QString rowsShifted(const QString &formula, const QString &sheetName, int row, int count,
                               const QString &ownSheet = QString());
    // The formula as it reads when it is copied rows down and columns right:
    // relative row and column parts move with it, absolute ($) ones stay. A
    // reference moved off the sheet becomes #REF!.
    static QString moved(const QString &formula, int rows, int columns);
};

}
