#include "Parameters/HAbstractParametr.h"

HAbstractParametr::HAbstractParametr(const QString &title, uint8_t flags)
    : m_flags(flags),
      m_ownsTitle((flags & OwnsTitle) != 0),
      m_title(m_ownsTitle ? new QString(title) : &title)
{
}

HAbstractParametr::~HAbstractParametr()
{
    if (m_ownsTitle)
        delete m_title;
    delete m_description;
}

QString HAbstractParametr::valueText() const
{
    return QString();
}

QString HAbstractParametr::name() const
{
    return *m_title;
}

void HAbstractParametr::setDescription(const QString &text)
{
    if (m_description)
        *m_description = text;
    else
        m_description = new QString(text);
}

QString HAbstractParametr::description() const
{
    return m_description ? *m_description : QString();
}
