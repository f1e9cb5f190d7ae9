#include "StandInViewer.h"

#include <QFile>

namespace TestSupport {

StandInViewer::StandInViewer()
{
    if (!m_dir.isValid())
        return;
    const QString path = m_dir.filePath(QStringLiteral("viewer.sh"));
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return;
    script.write("#!/bin/sh\n"
                 "out=\"$(dirname \"$0\")/arguments\"\n"
                 "{ printf '%s\\n' \"$#\" \"$@\"; } > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
    script.close();
    if (script.setPermissions(script.permissions() | QFile::ExeOwner))
        m_program = path;
}

QStringList StandInViewer::arguments() const
{
    QFile record(m_dir.filePath(QStringLiteral("arguments")));
    if (!record.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void StandInViewer::clear()
{
    QFile::remove(m_dir.filePath(QStringLiteral("arguments")));
}

}
