#include "Parameters/HEditableEnumEdit.h"

#include <QKeyEvent>

HEditableEnumEdit::HEditableEnumEdit(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
}

void HEditableEnumEdit::keyPressEvent(QKeyEvent *event)
{
    // Only the main Return key; the keypad's Enter is Qt::Key_Enter.
    if (event->key() == Qt::Key_Return)
        emit onFocusLostEvent();
    QComboBox::keyPressEvent(event);
}

void HEditableEnumEdit::focusOutEvent(QFocusEvent *event)
{
    emit onFocusLostEvent();
    QComboBox::focusOutEvent(event);
}
