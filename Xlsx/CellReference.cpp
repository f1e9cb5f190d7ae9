#include "Xlsx/CellReference.h"

#include "Xlsx/XlsxGlobal.h"

namespace Xlsx {

CellReference::CellReference(const QString &text)
{
    int i = 0;
    const int n = text.size();
    if (i < n && text.at(i) == QLatin1Char('$'))
        ++i;
    const int lettersStart = i;
    while (i < n && i - lettersStart < 4 && text.at(i).isLetter() && text.at(i).unicode() < 128)
        ++i;
    const int column = columnNumber(text.mid(lettersStart, i - lettersStart));
    if (column == 0)
        return;
    if (i < n && text.at(i) == QLatin1Char('$'))
        ++i;
    if (i >= n || i + 7 < n)
        return;
    qint64 row = 0;
    for (; i < n; ++i) {
        const QChar ch = text.at(i);
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return;
        row = row * 10 + (ch.unicode() - '0');
    }
    if (row < 1 || row > MaxRows)
        return;
    m_row = int(row);
    m_column = column;
}

bool CellReference::isValid() const
{
    return m_row >= 1 && m_row <= MaxRows && m_column >= 1 && m_column <= MaxColumns;
}

namespace {

// Column letters (at most 3) and row digits (at most 7) fit easily.
constexpr int MaxReferenceText = 16;

int columnLetters(int column, char *out)
{
    char reversed[4];
    int n = 0;
    while (column > 0 && n < 4) {
        reversed[n++] = char('A' + (column - 1) % 26);
        column = (column - 1) / 26;
    }
    for (int i = 0; i < n; ++i)
        out[i] = reversed[n - 1 - i];
    return n;
}

}

QString CellReference::toString(bool absolute) const
{
    QString s;
    appendTo(s, absolute);
    return s;
}

void CellReference::appendTo(QString &out, bool absolute) const
{
    if (!isValid())
        return;
    char text[MaxReferenceText];
    int n = 0;
    if (absolute)
        text[n++] = '$';
    n += columnLetters(m_column, text + n);
    if (absolute)
        text[n++] = '$';
    char digits[8];
    int d = 0;
    for (int r = m_row; r > 0; r /= 10)
        digits[d++] = char('0' + r % 10);
    while (d > 0)
        text[n++] = digits[--d];
    out.append(QLatin1String(text, n));
}

QString CellReference::columnName(int column)
{
    if (column < 1 || column > MaxColumns)
        return QString();
    char text[MaxReferenceText];
    return QString::fromLatin1(text, columnLetters(column, text));
}

int CellReference::columnNumber(const QString &letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (QChar ch : letters) {
        const ushort u = ch.toUpper().unicode();
        if (u < 'A' || u > 'Z')
            return 0;
        n = n * 26 + (u - 'A' + 1);
    }
    return n <= MaxColumns ? n : 0;
}

}
