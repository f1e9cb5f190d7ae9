#pragma once

#include "Documents/ColumnFilter.h"

#include <QList>
#include <QSortFilterProxyModel>

// Sorts by one column as the view asks and filters through a list of per-column records,
// combined strictly from left to right (no precedence: A OR B AND C is (A OR B) AND C).
class TabuloSortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit TabuloSortFilterProxyModel(QObject *parent = nullptr);

    void setColumnFilters(const QList<ColumnFilter> &filters);
    const QList<ColumnFilter> &columnFilters() const { return m_columnFilters; }

    // The source's own header: sorted or filtered rows keep the numbers 1, 2, 3 ...
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QList<ColumnFilter> m_columnFilters;
};
