#include "Parameters/ParametrDouble.h"

#include <limits>

namespace {
constexpr double Unbounded = -99.0;
}

ParametrDouble::ParametrDouble(const QString &title, double min, double max, uint8_t flags)
    : HAbstractParametr(title, flags),
      m_min(min == Unbounded ? -std::numeric_limits<double>::max() : min),
      m_max(max == Unbounded ? std::numeric_limits<double>::max() : max)
{
    m_type = TypeDouble;
}

QString ParametrDouble::valueText() const
{
    const double shown = showsCommittedValue() ? m_value : m_editValue;
    return QString::number(shown, 'g', 6).replace(QLatin1Char('.'), QLatin1Char(','));
}

void ParametrDouble::setValue(double x)
{
    m_value = x;
    m_editValue = x;
}
