#include "Xlsx/WrappedText.h"

#include <QStringList>

#include <cmath>

namespace Xlsx {

namespace {

// Advance of one character, in ems.
double advance(QChar c)
{
    const ushort u = c.unicode();
    if (u == ' ')
        return 0.32;
    if (u >= 0x0430 && u <= 0x045F)   // Cyrillic small letters
        return 0.62;
    if (u >= 0x0400 && u <= 0x042F)   // Cyrillic capitals
        return 0.83;
    if (u >= 'a' && u <= 'z')
        return 0.58;
    if (u >= 'A' && u <= 'Z')
        return 0.75;
    if (u >= '0' && u <= '9')
        return 0.64;
    if (QStringLiteral(".,;:!'\"()-|").contains(c))
        return 0.36;
    return 0.75;
}

}

int WrappedText::lineCount(const QString &text, double widthPoints, double fontPoints, bool bold)
{
    const double em = fontPoints * (bold ? 1.12 : 1.0);
    // The line's width in ems, so that a very narrow cell still takes a character a line.
    const double line = std::max(widthPoints / em, 1.0);
    const double space = advance(QLatin1Char(' '));
    int lines = 0;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        ++lines;
        double used = 0;   // of the current line; 0 for a line without a word yet
        for (const QString &word : paragraph.split(QLatin1Char(' '))) {
            double width = 0;
            for (const QChar c : word)
                width += advance(c);
            if (used > 0 && used + space + width <= line) {
                used += space + width;
                continue;
            }
            if (used > 0) {
                ++lines;
                used = 0;
            }
            if (width <= line) {
                used = width;
                continue;
            }
            // A word longer than the line breaks inside.
            for (const QChar c : word) {
                const double w = advance(c);
                if (used > 0 && used + w > line) {
                    ++lines;
                    used = 0;
                }
                used += w;
            }
        }
    }
    return std::max(lines, 1);
}

double WrappedText::rowHeight(int lines, double fontPoints)
{
    return std::ceil(lines * fontPoints * 1.2 + 3.0);
}

double WrappedText::columnWidth(double characters)
{
    // Characters of the default font's widest digit (7 pixels at 96 dpi) and
    // 5 pixels of margins and grid line.
    return std::floor(characters * 7.0 + 5.0) * 0.75;
}

}
