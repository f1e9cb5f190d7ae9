#pragma once

#include <QComboBox>

// An editable combo box that reports a finished entry: on focus loss and on Return,
// not on every keystroke or pick from the list.
class HEditableEnumEdit : public QComboBox
{
    Q_OBJECT
public:
    explicit HEditableEnumEdit(QWidget *parent = nullptr);

signals:
    void onFocusLostEvent();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
