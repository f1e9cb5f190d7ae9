#pragma once

// Device cards written by hand, as another program or an older version may have left them.

#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <QtTest>

namespace CardFiles {

// A card holding only the given keys.
inline void writeCard(const QString &path, const QVariantMap &keys)
{
    QSettings card(path, QSettings::IniFormat);
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        card.setValue(it.key(), it.value());
    card.sync();
    QCOMPARE(card.status(), QSettings::NoError);
}

// Name, type, serial and inventory number of the cards 1.devconf to 4.devconf that the filter
// tests write: the same words in several cases, Cyrillic and Latin.
inline const QList<QStringList> &filterCards()
{
    static const QList<QStringList> cards{{"Манометр МП-100", "МП", "AB-1", "100"},
                                          {"манометр ДМ", "ДМ", "ab-2", "200"},
                                          {"Вакуумметр", "ВП", "Ab-3", "300"},
                                          {"Мановакуумметр", "МВП", "xy", "1a0"}};
    return cards;
}

inline void writeFilterCards(const QString &folder)
{
    for (int i = 0; i < filterCards().size(); ++i) {
        const QStringList &c = filterCards().at(i);
        writeCard(folder + QLatin1Char('/') + QString::number(i + 1) + QStringLiteral(".devconf"),
                  {{"device->prName", c.at(0)}, {"device->prDevType", c.at(1)},
                   {"device->prSerial", c.at(2)}, {"device->prDevInv", c.at(3)}});
    }
}

}
