#include "Widgets/HButton.h"

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
