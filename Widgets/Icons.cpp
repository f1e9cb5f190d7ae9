#include "Widgets/Icons.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTransform>

Icons *Icons::instance = nullptr;

namespace {
const char *const fileNames[Icons::SlotCount] = {
    "symbol_searchDev", "symbol_disconnect", "symbol_exit", "symbol_update",
    "symbol_fullScreen", "symbol_start", "symbol_stop", "symbol_file_save",
    "symbol_excel", "symbol_element_add", "symbol_element_remove", "symbol_element_edit",
    "symbol_read", "symbol_write", "symbol_clear", "symbol_move_left",
    nullptr, nullptr, nullptr,
    "symbol_zoom_def", "symbol_zoom_in", "symbol_zoom_out", "symbol_search",
    "symbol_current", "symbol_file_open"};
}

Icons::Icons()
{
    loadIcons();
    instance = this;
}

QString Icons::fileName(int slot)
{
    if (slot < 0 || slot >= SlotCount || !fileNames[slot])
        return QString();
    return QString::fromLatin1(fileNames[slot]);
}

QIcon iconOf(int slot)
{
    return Icons::instance ? Icons::instance->icon(slot) : QIcon();
}

const QIcon &Icons::icon(int slot) const
{
    static const QIcon none;
    if (slot < 0 || slot >= SlotCount)
        return none;
    return icons[slot];
}

void Icons::loadIcons()
{
    loadIconsFrom(QCoreApplication::applicationDirPath() + QStringLiteral("/Images/"));
}

void Icons::loadIconsFrom(const QString &folder)
{
    iconSize = QSize(25, 25);
    QString dir = folder;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');

    for (int slot = 0; slot < SlotCount; ++slot) {
        const QString name = fileName(slot);
        if (name.isEmpty())
            continue;
        // A missing or unreadable file leaves the slot without images.
        const QPixmap pixmap(dir + name + QStringLiteral(".png"));
        icons[slot] = pixmap.isNull() ? QIcon() : QIcon(pixmap);
    }

    // The other three arrows are the left one turned clockwise on the screen.
    const QPixmap left = icons[MoveLeft].pixmap(iconSize, QIcon::Normal, QIcon::Off);
    const auto turned = [&left](qreal degrees) {
        if (left.isNull())
            return QIcon();
        return QIcon(left.transformed(QTransform().rotate(degrees), Qt::FastTransformation));
    };
    icons[MoveRight] = turned(180);
    icons[MoveUp] = turned(90);
    icons[MoveDown] = turned(270);
}
