#include "Screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace TestSupport {

QString saveScreenshot(QWidget *window, const QString &name)
{
    if (!window)
        return QString();
    QCoreApplication::processEvents();
    const QString dir = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots")).absolutePath();
    if (!QDir().mkpath(dir))
        return QString();
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!window->grab().save(path, "PNG"))
        return QString();
    return path;
}

}
