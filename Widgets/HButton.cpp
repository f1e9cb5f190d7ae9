#include "Widgets/HButton.h"

#include <QEvent>

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
