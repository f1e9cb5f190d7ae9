#include "Widgets/Question.h"

#include <QMessageBox>
#include <QPushButton>

bool askQuestion(const QString &text, const QString &acceptText, const QString &rejectText)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    QPushButton *accept = box.addButton(acceptText, QMessageBox::AcceptRole);
    box.addButton(rejectText, QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == accept;
}
