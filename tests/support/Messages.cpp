#include "Messages.h"

#include "Widgets/MessageBox.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace TestSupport {

QList<ShownMessage> takeMessages(QWidget *window)
{
    QList<ShownMessage> shown;
    if (!window)
        return shown;
    // Children come in the order of their creation: the oldest message first.
    const QList<MessageBox *> boxes = window->findChildren<MessageBox *>(QString(), Qt::FindDirectChildrenOnly);
    for (MessageBox *box : boxes) {
        shown.append({box->textLabel()->text(), box->type()});
        delete box;
    }
    return shown;
}

QStringList takeMessageTexts(QWidget *window)
{
    QStringList texts;
    for (const ShownMessage &message : takeMessages(window))
        texts << message.text;
    return texts;
}

}
