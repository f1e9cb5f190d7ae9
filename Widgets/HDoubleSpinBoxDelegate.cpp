#include "Widgets/HDoubleSpinBoxDelegate.h"

#include "Widgets/HDoubleSpinBox.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>
#include <limits>

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
    auto *box = new HDoubleSpinBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDecimals(m_decimals);
    box->setMinimum(-1e16);
    box->setMaximum(1e16);
    connect(box, SIGNAL(valueChanged(double)), this, SIGNAL(valueChanged(double)));
    return box;
}

void HDoubleSpinBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = qobject_cast<HDoubleSpinBox *>(editor);
    if (!box)
        return;
    bool isNumber = false;
    const double value = index.model()->data(index, Qt::EditRole).toDouble(&isNumber);
    // A cell without a value shows "-" in its editor too, and gets none until the operator
    // enters one: passing through it must not store a number the box starts at.
    box->showNumber(isNumber ? value : std::numeric_limits<double>::quiet_NaN());
}

void HDoubleSpinBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                          const QModelIndex &index) const
{
    auto *box = qobject_cast<HDoubleSpinBox *>(editor);
    // A text that is no number ("-", "", ",") stores nothing, not the value the box held before.
    if (!box || !box->hasAcceptableInput())
        return;
    // Commits what the operator typed even if the box has not parsed it yet.
    box->interpretText();
    const double x = box->number();
    if (!std::isnan(x))
        model->setData(index, x, Qt::EditRole);
}

void HDoubleSpinBoxDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                  const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

bool HDoubleSpinBoxDelegate::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            // Qt's own editors step to the next cell, and round the table for ever: here the value
            // is stored, the editor closes, and the table passes the key on to where it leads.
            QAbstractItemView *view = nullptr;
            for (QWidget *w = editor->parentWidget(); w && !view; w = w->parentWidget())
                view = qobject_cast<QAbstractItemView *>(w);
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            if (view) {
                QKeyEvent again(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                                ushort(key->count()));
                QCoreApplication::sendEvent(view, &again);
            }
            return true;
        }
    }
    return QItemDelegate::eventFilter(object, event);
}
