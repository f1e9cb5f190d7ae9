#pragma once

#include "Parameters/HAbstractParametr.h"

// A text; maxLength only configures the editor, setValue keeps the text whole.
class ParametrString : public HAbstractParametr
{
public:
    ParametrString(const QString &title, int maxLength, uint8_t flags = 0);

    QString valueText() const override { return m_value; }

    QString value() const { return m_value; }
    void setValue(const QString &text) { m_value = text; }
    int maxLength() const { return m_maxLength; }

private:
    QString m_value;
    int m_maxLength;
};
