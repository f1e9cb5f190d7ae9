#pragma once

#include "Parameters/HAbstractParametr.h"

// An integer; the bounds configure the editor only (no clamping).
class ParametrInt : public HAbstractParametr
{
public:
    ParametrInt(const QString &title, int min, int max, uint8_t flags = 0);

    QString valueText() const override;

    int min() const { return m_min; }
    int max() const { return m_max; }
    int value() const { return m_value; }
    int editValue() const { return m_editValue; }
    void setValue(int n);

private:
    int m_min;
    int m_max;
    // Start at 0 until the owner gives the default.
    int m_value = 0;
    int m_editValue = 0;
};
