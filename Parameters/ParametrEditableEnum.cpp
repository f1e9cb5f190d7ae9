#include "Parameters/ParametrEditableEnum.h"

ParametrEditableEnum::ParametrEditableEnum(const QString &title, const EnumList &items, uint8_t flags)
    : HAbstractParametr(title, flags), m_items(&items)
{
    m_type = TypeEditableEnum;
}
