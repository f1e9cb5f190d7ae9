#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace Xlsx {

// The zip container of a workbook, held in memory: part name to bytes.
// Reading refuses what is not a sane zip (no zip at all, encrypted entries,
// bad checksums, parts that inflate beyond the bounds below).
class Package
{
public:
    static constexpr qint64 MaxFileSize = 256 * 1024 * 1024;
    static constexpr qint64 MaxPartSize = 64 * 1024 * 1024;
    static constexpr qint64 MaxTotalSize = 256 * 1024 * 1024;
    static constexpr int MaxParts = 10000;

    bool read(const QString &fileName, QString *error);
    bool readData(const QByteArray &zipData, QString *error);
    // The zip file's bytes; parts in their original order, new ones last.
    bool write(QByteArray &zipData, QString *error) const;

    // Part names have no leading "/"; lookups ignore case, as OPC does.
    bool contains(const QString &name) const { return m_index.contains(name.toLower()); }
    QByteArray part(const QString &name) const;
    // The stored spelling of a part's name, or empty.
    QString actualName(const QString &name) const;
    void setPart(const QString &name, const QByteArray &data);
    void removePart(const QString &name);

    // "xl/worksheets/_rels/sheet1.xml.rels" for "xl/worksheets/sheet1.xml".
    static QString relationshipsName(const QString &partName);
    // The part a relationship target names, seen from the source part ("" for
    // the package root); absolute and relative targets, percent-encoding and
    // "../" resolved. Empty when it leaves the package.
    static QString resolveTarget(const QString &sourcePart, const QString &target);

private:
    QStringList m_order;
    QHash<QString, QString> m_index;   // lower-case name to stored name
    QHash<QString, QByteArray> m_data; // stored name to bytes
};

}
