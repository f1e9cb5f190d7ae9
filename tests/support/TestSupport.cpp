#include "TestSupport.h"

#include <QProcessEnvironment>

namespace TestSupport {

QString sourceDir()
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("MANOVERA_SOURCE_DIR"));
}

QString python()
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("MANOVERA_PYTHON"),
                                                          QStringLiteral("/usr/bin/python3"));
}

}
