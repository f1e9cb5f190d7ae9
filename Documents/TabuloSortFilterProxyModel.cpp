#include "Documents/TabuloSortFilterProxyModel.h"

TabuloSortFilterProxyModel::TabuloSortFilterProxyModel(QObject *parent) : QSortFilterProxyModel(parent)
{
}

void TabuloSortFilterProxyModel::setColumnFilters(const QList<ColumnFilter> &filters)
{
    if (filters != m_columnFilters)
        m_columnFilters = filters;
    invalidateFilter();
}

QVariant TabuloSortFilterProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const QAbstractItemModel *source = sourceModel();
    return source ? source->headerData(section, orientation, role) : QVariant();
}

namespace {
bool testCell(const ColumnFilter &filter, const QString &text)
{
    if (filter.kind == ColumnFilter::Match || filter.kind == ColumnFilter::NoMatch) {
        const bool consists = text.contains(filter.pattern) && QString(text).remove(filter.pattern).isEmpty();
        return filter.kind == ColumnFilter::Match ? consists : !consists;
    }
    if (filter.kind < ColumnFilter::Less || filter.kind > ColumnFilter::GreaterOrEqual)
        return true;
    // By character codes, not by locale and not as numbers: "9" is above "10".
    const int order = QString::compare(text, filter.pattern.pattern(), filter.pattern.caseSensitivity());
    switch (filter.kind) {
    case ColumnFilter::Less:
        return order < 0;
    case ColumnFilter::LessOrEqual:
        return order <= 0;
    case ColumnFilter::Greater:
        return order > 0;
    default:
        return order >= 0;
    }
}
}

bool TabuloSortFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *source = sourceModel();
    bool result = true;
    for (int i = 0; i < m_columnFilters.size(); ++i) {
        const ColumnFilter &filter = m_columnFilters.at(i);
        // A column outside the source gives an invalid index and so the empty text.
        const QString text = source->index(sourceRow, filter.column, sourceParent).data(Qt::DisplayRole).toString();
        const bool r = testCell(filter, text);
        const int join = i == 0 ? ColumnFilter::And : filter.join;
        if (join == ColumnFilter::And)
            result = result && r;
        else if (join == ColumnFilter::Or)
            result = result || r;
    }
    return result;
}
