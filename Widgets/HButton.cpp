#include "Widgets/HButton.h"

#include <QEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>

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

void HButton::setLeastHeight(int height)
{
    m_leastHeight = height;
    applyLeastHeight();
}

void HButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        applyLeastHeight();
}

void HButton::applyLeastHeight()
{
    if (m_leastHeight > 0)
        setMinimumHeight(std::max(m_leastHeight, sizeHint().height()));
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
