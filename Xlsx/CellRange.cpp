#include "Xlsx/CellRange.h"

namespace Xlsx {

CellRange::CellRange(const QString &text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    const CellReference first(colon < 0 ? text : text.left(colon));
    const CellReference last(colon < 0 ? text : text.mid(colon + 1));
    if (!first.isValid() || !last.isValid())
        return;
    m_firstRow = qMin(first.row(), last.row());
    m_lastRow = qMax(first.row(), last.row());
    m_firstColumn = qMin(first.column(), last.column());
    m_lastColumn = qMax(first.column(), last.column());
}

bool CellRange::isValid() const
{
    return CellReference(m_firstRow, m_firstColumn).isValid() && CellReference(m_lastRow, m_lastColumn).isValid()
           && m_firstRow <= m_lastRow && m_firstColumn <= m_lastColumn;
}

QString CellRange::toString() const
{
    if (!isValid())
        return QString();
    QString s;
    s.reserve(2 * 10 + 1);
    CellReference(m_firstRow, m_firstColumn).appendTo(s);
    if (m_firstRow != m_lastRow || m_firstColumn != m_lastColumn) {
        s += QLatin1Char(':');
        CellReference(m_lastRow, m_lastColumn).appendTo(s);
    }
    return s;
}

}
