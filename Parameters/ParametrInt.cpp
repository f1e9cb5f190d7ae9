#include "Parameters/ParametrInt.h"

ParametrInt::ParametrInt(const QString &title, int min, int max, uint8_t flags)
    : HAbstractParametr(title, flags), m_min(min), m_max(max)
{
    m_type = TypeInt;
}

QString ParametrInt::valueText() const
{
    return QString::number(showsCommittedValue() ? m_value : m_editValue);
}

void ParametrInt::setValue(int n)
{
    m_value = n;
    m_editValue = n;
}
