#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace TestSupport {

struct ShownMessage
{
    QString text;
    int type;   // 0 information, 1 warning, 2 error, 3 question
};

// The messages shown over the window, oldest first; closes them all.
QList<ShownMessage> takeMessages(QWidget *window);
// The texts of takeMessages.
QStringList takeMessageTexts(QWidget *window);

}
