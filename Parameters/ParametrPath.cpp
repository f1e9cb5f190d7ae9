#include "Parameters/ParametrPath.h"

ParametrPath::ParametrPath(const QString &title, uint8_t flags)
    : HAbstractParametr(title, flags), m_nameFilters(QStringList{QStringLiteral("*")})
{
    m_type = TypePath;
}
