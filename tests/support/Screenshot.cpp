#include "Screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace TestSupport {

namespace {
// The file of a picture; empty when the folder cannot be made.
QString picturePath(const QString &name)
{
    // A test run from a temporary application folder still leaves its pictures in the build's folder.
    QString dir = qEnvironmentVariable("MANOVERA_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots")).absolutePath();
    if (!QDir().mkpath(dir))
        return QString();
    return dir + QLatin1Char('/') + name + QStringLiteral(".png");
}
}

QString saveScreenshot(QWidget *window, const QString &name)
{
    if (!window)
        return QString();
    // As the operator sees it: a widget that grew for a new text has its room only once its
    // parents' layouts have run, each posted by the one below it.
    for (int i = 0; i < 8; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    const QString path = picturePath(name);
    if (path.isEmpty() || !window->grab().save(path, "PNG"))
        return QString();
    return path;
}

QString saveImage(const QImage &image, const QString &name)
{
    const QString path = picturePath(name);
    if (path.isEmpty() || image.isNull() || !image.save(path, "PNG"))
        return QString();
    return path;
}

}
