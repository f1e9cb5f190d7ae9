#include "Parameters/ParametrString.h"

ParametrString::ParametrString(const QString &title, int maxLength, uint8_t flags)
    : HAbstractParametr(title, flags), m_maxLength(maxLength)
{
    m_type = TypeString;
}
