#pragma once

#include <QString>

class QImage;
class QWidget;

namespace TestSupport {
// Grabs a window as it is painted (offscreen too) into <build>/screenshots/<name>.png
// and returns the file's path, or an empty text when it could not be written.
QString saveScreenshot(QWidget *window, const QString &name);
// Saves a picture drawn by the test itself the same way.
QString saveImage(const QImage &image, const QString &name);
}
