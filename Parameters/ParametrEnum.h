#pragma once

#include "Parameters/EnumItem.h"
#include "Parameters/HAbstractParametr.h"

// A choice from a list of items; the value is an item id (not checked against the list).
class ParametrEnum : public HAbstractParametr
{
public:
    ParametrEnum(const QString &title, const EnumList &items, uint8_t flags = 0);

    QString valueText() const override;

    int value() const { return m_value; }
    int editValue() const { return m_editValue; }
    void setValue(int id);
    int currentIndex() const;
    const EnumList &items() const { return *m_items; }
    void setItems(const EnumList &items);

private:
    int shownValue() const { return showsCommittedValue() ? m_value : m_editValue; }

    const EnumList *m_items;
    // Not set by the constructor in the original design; start at 0 until the owner sets it.
    int m_value = 0;
    int m_editValue = 0;
};
