#include "Widgets/HButton.h"

#include <QStyleOptionFocusRect>
#include <QStylePainter>

HButton::HButton(QWidget *parent) : QPushButton(parent)
{
}

HButton::HButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
}

HButton::HButton(const QString &text, uint8_t id, QWidget *parent) : QPushButton(text, parent), m_id(id)
{
}

HButton::HButton(const QString &text, uint8_t id, const QIcon &icon, QWidget *parent)
    : QPushButton(icon, text, parent), m_id(id)
{
    setIconSize(QSize(20, 20));
}

void HButton::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);
    // A flat button has no bevel to light up: it draws the style's focus frame itself.
    if (!isFlat() || !hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
