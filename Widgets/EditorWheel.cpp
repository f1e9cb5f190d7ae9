#include "Widgets/EditorWheel.h"

#include <QEvent>
#include <QWidget>

namespace {
class WheelFilter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Wheel && watched->isWidgetType()
            && !static_cast<QWidget *>(watched)->hasFocus()) {
            // Ignored, the event goes on to the parents: the page's scroll area takes it.
            event->ignore();
            return true;
        }
        return false;
    }
};

WheelFilter *wheelFilter()
{
    // Lives as long as the program; an editor removes itself from it when destroyed.
    static WheelFilter *filter = new WheelFilter;
    return filter;
}
}

void takeWheelOnlyWithFocus(QWidget *editor)
{
    if (!editor)
        return;
    // The default wheel focus would hand the focus to whatever editor the pointer passes.
    editor->setFocusPolicy(Qt::StrongFocus);
    editor->installEventFilter(wheelFilter());
}
