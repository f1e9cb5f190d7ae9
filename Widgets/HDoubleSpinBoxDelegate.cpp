#include "Widgets/HDoubleSpinBoxDelegate.h"

#include <QDoubleSpinBox>

HDoubleSpinBoxDelegate::HDoubleSpinBoxDelegate(QObject *parent) : QItemDelegate(parent)
{
}

void HDoubleSpinBoxDelegate::setDecimals(int decimals)
{
    m_decimals = decimals;
}

QWidget *HDoubleSpinBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                              const QModelIndex &) const
{
    auto *box = new QDoubleSpinBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDecimals(m_decimals);
    box->setMinimum(-1e16);
    box->setMaximum(1e16);
    connect(box, SIGNAL(valueChanged(double)), this, SIGNAL(valueChanged(double)));
    return box;
}

void HDoubleSpinBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QDoubleSpinBox *>(editor))
        box->setValue(index.model()->data(index, Qt::EditRole).toDouble());
}

void HDoubleSpinBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                          const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QDoubleSpinBox *>(editor)) {
        // Commits what the operator typed even if the box has not parsed it yet.
        box->interpretText();
        model->setData(index, box->value(), Qt::EditRole);
    }
}

void HDoubleSpinBoxDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                  const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}
