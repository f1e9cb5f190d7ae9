#pragma once

#include "Parameters/HAbstractParametr.h"

#include <QStringList>

// A file path, or with AltEditor a folder path.
class ParametrPath : public HAbstractParametr
{
public:
    explicit ParametrPath(const QString &title, uint8_t flags = 0);

    QString valueText() const override { return m_value; }

    QString value() const { return m_value; }
    void setValue(const QString &path) { m_value = path; }
    QStringList nameFilters() const { return m_nameFilters; }
    void setNameFilters(const QStringList &filters) { m_nameFilters = filters; }

private:
    QString m_value;
    QStringList m_nameFilters;
};
