#pragma once

#include <QList>
#include <QString>

// One entry of an enumeration list: an id and the text shown for it.
struct EnumItem
{
    EnumItem() = default;
    EnumItem(const QString &text, int id) : id(id), text(text) {}

    int id = 0;
    QString text;
};

using EnumList = QList<EnumItem>;
