#pragma once

#include "Parameters/EnumItem.h"
#include "Parameters/HAbstractParametr.h"

// A free text with suggestions; the suggestions never restrict the text.
class ParametrEditableEnum : public HAbstractParametr
{
public:
    ParametrEditableEnum(const QString &title, const EnumList &items, uint8_t flags = 0);

    QString valueText() const override { return m_text; }

    const EnumList &items() const { return *m_items; }
    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

private:
    const EnumList *m_items;
    QString m_text;
};
