#include "Widgets/HostWindow.h"

#include <QApplication>
#include <QWidget>

namespace {
QWidget *mainHostWindow = nullptr;
}

void setMainHostWindow(QWidget *window)
{
    mainHostWindow = window;
}

QWidget *hostWindow()
{
    if (mainHostWindow)
        return mainHostWindow;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isWindow() && window->isVisible() && window->windowType() != Qt::Popup
            && window->windowType() != Qt::ToolTip && window->windowType() != Qt::Desktop)
            return window;
    }
    return nullptr;
}
