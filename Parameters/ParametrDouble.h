#pragma once

#include "Parameters/HAbstractParametr.h"

// A floating-point value; the bounds configure the editor only (no clamping).
class ParametrDouble : public HAbstractParametr
{
public:
    // A bound of -99 means unbounded on that side.
    ParametrDouble(const QString &title, double min, double max, uint8_t flags = 0);

    QString valueText() const override;

    double min() const { return m_min; }
    double max() const { return m_max; }
    int decimals() const { return m_decimals; }
    double value() const { return m_value; }
    double editValue() const { return m_editValue; }
    void setValue(double x);

private:
    double m_min;
    double m_max;
    uint8_t m_decimals = 3;
    // Start at 0 until the owner gives the default.
    double m_value = 0.0;
    double m_editValue = 0.0;
};
