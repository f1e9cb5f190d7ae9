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
    // A test run from a temporary application folder still leaves its pictures in the build's folder.
    QString dir = qEnvironmentVariable("MANOVERA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots")).absolutePath();
    if (!QDir().mkpath(dir))
        return QString();
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!window->grab().save(path, "PNG"))
        return QString();
    return path;
}

}
