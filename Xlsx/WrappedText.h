#pragma once

#include <QString>

namespace Xlsx {

// How many lines a wrapped cell text takes, estimated without the font: a
// spreadsheet program grows a row to its wrapped texts when they are typed
// in, but not when it opens a file, so a writer must store the height itself.
// The character widths are those of the wider common faces (a substitute for
// a missing Times New Roman is wider than the original), so that an estimate
// errs on the side of a line too many rather than a text cut off.
class WrappedText
{
public:
    // Lines of text in a cell widthPoints wide (its inner width), greedy
    // breaks between words, a word wider than the line broken inside; an
    // explicit line break starts a new line. At least 1.
    static int lineCount(const QString &text, double widthPoints, double fontPoints, bool bold);
    // The height of a row that shows lines of a fontPoints font.
    static double rowHeight(int lines, double fontPoints);
    // A column's width in points, from its width in characters of the default
    // font as the file stores it.
    static double columnWidth(double characters);
    // What a cell's margins take of its width, in points.
    static constexpr double CellMargins = 4.0;
};

}
