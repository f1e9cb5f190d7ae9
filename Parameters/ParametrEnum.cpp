#include "Parameters/ParametrEnum.h"

ParametrEnum::ParametrEnum(const QString &title, const EnumList &items, uint8_t flags)
    : HAbstractParametr(title, flags), m_items(&items)
{
    m_type = TypeEnum;
}

QString ParametrEnum::valueText() const
{
    const int index = currentIndex();
    if (index >= 0)
        return m_items->at(index).text;
    return QStringLiteral("<%1>").arg(shownValue());
}

void ParametrEnum::setValue(int id)
{
    m_value = id;
    m_editValue = id;
}

int ParametrEnum::currentIndex() const
{
    const int shown = shownValue();
    for (int i = 0; i < m_items->size(); ++i) {
        if (m_items->at(i).id == shown)
            return i;
    }
    return -1;
}

void ParametrEnum::setItems(const EnumList &items)
{
    m_items = &items;
    if (items.isEmpty())
        return;
    for (const EnumItem &item : items) {
        if (item.id == m_value)
            return;
    }
    setValue(items.first().id);
}
