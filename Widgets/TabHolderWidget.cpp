#include "Widgets/TabHolderWidget.h"

#include <QPaintEvent>
#include <QPainter>

TabHolderWidget::TabHolderWidget(QWidget *parent) : QWidget(parent)
{
}

void TabHolderWidget::setBackgroundFilled(bool filled)
{
    m_fillBackground = filled;
    update();
}

void TabHolderWidget::paintEvent(QPaintEvent *event)
{
    if (m_fillBackground) {
        QPainter painter(this);
        painter.fillRect(event->rect(), QColor(Qt::lightGray).lighter(120));
    }
    QWidget::paintEvent(event);
}
