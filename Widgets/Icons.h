#pragma once

#include <QIcon>
#include <QSize>
#include <QString>

// The icon set, read once from the Images folder beside the program.
// A missing file leaves its slot empty; nothing is reported.
class Icons
{
public:
    enum Slot {
        SearchDev = 0,
        Disconnect,
        Exit,
        Update,
        FullScreen,
        Start,
        Stop,
        FileSave,
        Excel,
        ElementAdd,
        ElementRemove,
        ElementEdit,
        Read,
        Write,
        Clear,
        MoveLeft,
        MoveRight,
        MoveUp,
        MoveDown,
        ZoomDef,
        ZoomIn,
        ZoomOut,
        Search,
        Current,
        FileOpen,
        SlotCount
    };

    Icons();

    static Icons *instance;

    // Loads from the application folder + "/Images/".
    void loadIcons();
    // The same from another folder (the tests use a folder without images).
    void loadIconsFrom(const QString &folder);

    const QIcon &icon(int slot) const;

    // The file name (without ".png") of a slot, empty for the three turned arrows.
    static QString fileName(int slot);

    QIcon icons[SlotCount];
    // Invalid until loaded, then 25 x 25.
    QSize iconSize;
};

// The icon of a slot of the one icon set; an empty icon while there is no set.
QIcon iconOf(int slot);
