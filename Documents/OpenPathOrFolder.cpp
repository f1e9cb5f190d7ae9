#include "Documents/OpenPathOrFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QUrl>

namespace {
bool openLocal(const QString &path)
{
    // A path is a local file even where it could pass for a web address.
    return QDesktopServices::openUrl(QUrl::fromUserInput(path, QDir::currentPath(), QUrl::AssumeLocalFile));
}
}

void openPathOrFolder(const QString &path)
{
    // Some desktops report success for a path that is not there; its folder is what helps.
    if (QFileInfo::exists(path) && openLocal(path))
        return;
    openLocal(path.left(path.lastIndexOf(QLatin1Char('/'))));
}
