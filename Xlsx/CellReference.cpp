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

QString CellReference::toString(bool absolute) const
{
    if (!isValid())
        return QString();
    const QString dollar = absolute ? QStringLiteral("$") : QString();
    return dollar + columnName(m_column) + dollar + QString::number(m_row);
}

QString CellReference::columnName(int column)
{
    if (column < 1 || column > MaxColumns)
        return QString();
    QString s;
    while (column > 0) {
        const int r = (column - 1) % 26;
        s.prepend(QChar('A' + r));
        column = (column - 1) / 26;
    }
    return s;
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
