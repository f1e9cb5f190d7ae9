#include "Widgets/HostWindow.h"

#include "Interface/MainWindow.h"

#include <QApplication>
#include <QWidget>

QWidget *hostWindow()
{
    if (MainWindow::instance)
        return MainWindow::instance;
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
