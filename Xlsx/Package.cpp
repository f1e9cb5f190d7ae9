#include "Xlsx/Package.h"

#include <QBuffer>
#include <QFile>
#include <QUrl>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/quazipnewinfo.h>

namespace Xlsx {

bool Package::read(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (file.size() > MaxFileSize) {
        *error = QStringLiteral("%1 is too large for a workbook").arg(fileName);
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return readData(data, error);
}

bool Package::readData(const QByteArray &zipData, QString *error)
{
    m_order.clear();
    m_index.clear();
    m_data.clear();
    if (zipData.startsWith("\xD0\xCF\x11\xE0")) {
        *error = QStringLiteral("the file is encrypted or in the old binary format, not an .xlsx package");
        return false;
    }
    if (!zipData.startsWith("PK")) {
        *error = QStringLiteral("the file is not a zip package");
        return false;
    }
    QBuffer buffer;
    buffer.setData(zipData);
    buffer.open(QIODevice::ReadOnly);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdUnzip)) {
        *error = QStringLiteral("the file is not a readable zip package (damaged or truncated)");
        return false;
    }
    if (zip.getEntriesCount() > MaxParts) {
        *error = QStringLiteral("the package has too many parts");
        return false;
    }
    qint64 total = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFileInfo64 info;
        if (!zip.getCurrentFileInfo(&info)) {
            *error = QStringLiteral("a zip entry cannot be read");
            return false;
        }
        if (info.flags & 1) {
            *error = QStringLiteral("the package is encrypted");
            return false;
        }
        QString name = info.name;
        while (name.startsWith(QLatin1Char('/')))
            name.remove(0, 1);
        if (name.isEmpty() || name.endsWith(QLatin1Char('/')))
            continue;
        if (m_index.contains(name.toLower())) {
            *error = QStringLiteral("the package holds the part %1 twice").arg(name);
            return false;
        }
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("the part %1 cannot be unpacked").arg(name);
            return false;
        }
        // The sizes in the zip directory are not trusted: read with a bound.
        QByteArray bytes;
        char chunk[65536];
        while (true) {
            const qint64 n = entry.read(chunk, sizeof chunk);
            if (n < 0) {
                *error = QStringLiteral("the part %1 is damaged").arg(name);
                return false;
            }
            if (n == 0)
                break;
            if (bytes.size() + n > MaxPartSize || total + bytes.size() + n > MaxTotalSize) {
                *error = QStringLiteral("the part %1 inflates beyond the size a workbook may have").arg(name);
                return false;
            }
            bytes.append(chunk, int(n));
        }
        entry.close();
        if (entry.getZipError() != UNZ_OK) {
            *error = QStringLiteral("the part %1 is damaged (checksum)").arg(name);
            return false;
        }
        total += bytes.size();
        m_order.append(name);
        m_index.insert(name.toLower(), name);
        m_data.insert(name, bytes);
    }
    if (zip.getZipError() != UNZ_OK) {
        *error = QStringLiteral("the zip directory is damaged");
        return false;
    }
    return true;
}

bool Package::write(QByteArray &zipData, QString *error) const
{
    QBuffer buffer(&zipData);
    buffer.open(QIODevice::WriteOnly);
    QuaZip zip(&buffer);
    zip.setUtf8Enabled(true);
    if (!zip.open(QuaZip::mdCreate)) {
        *error = QStringLiteral("cannot start the zip package");
        return false;
    }
    // The content types first, as spreadsheet programs write them.
    QStringList order = m_order;
    const QString types = actualName(QStringLiteral("[Content_Types].xml"));
    if (!types.isEmpty()) {
        order.removeAll(types);
        order.prepend(types);
    }
    for (const QString &name : qAsConst(order)) {
        QuaZipFile entry(&zip);
        QuaZipNewInfo info(name);
        info.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                            | QFileDevice::ReadOther);
        if (!entry.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, 1)) {
            *error = QStringLiteral("cannot add %1 to the zip package").arg(name);
            return false;
        }
        const QByteArray &bytes = m_data[name];
        if (entry.write(bytes) != bytes.size()) {
            *error = QStringLiteral("cannot write %1 into the zip package").arg(name);
            return false;
        }
        entry.close();
        if (entry.getZipError() != ZIP_OK) {
            *error = QStringLiteral("cannot finish %1 in the zip package").arg(name);
            return false;
        }
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK) {
        *error = QStringLiteral("cannot finish the zip package");
        return false;
    }
    return true;
}

QByteArray Package::part(const QString &name) const
{
    return m_data.value(actualName(name));
}

QString Package::actualName(const QString &name) const
{
    return m_index.value(name.toLower());
}

void Package::setPart(const QString &name, const QByteArray &data)
{
    const QString existing = actualName(name);
    if (existing.isEmpty()) {
        m_order.append(name);
        m_index.insert(name.toLower(), name);
        m_data.insert(name, data);
    } else {
        m_data.insert(existing, data);
    }
}

void Package::removePart(const QString &name)
{
    const QString existing = actualName(name);
    if (existing.isEmpty())
        return;
    m_order.removeAll(existing);
    m_index.remove(existing.toLower());
    m_data.remove(existing);
}

QString Package::relationshipsName(const QString &partName)
{
    const int slash = partName.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : partName.left(slash + 1);
    return folder + QStringLiteral("_rels/") + partName.mid(slash + 1) + QStringLiteral(".rels");
}

QString Package::resolveTarget(const QString &sourcePart, const QString &target)
{
    QString t = QUrl::fromPercentEncoding(target.toUtf8());
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (t.contains(QLatin1String("://")))
        return QString();
    QStringList parts;
    if (!t.startsWith(QLatin1Char('/'))) {
        const int slash = sourcePart.lastIndexOf(QLatin1Char('/'));
        if (slash > 0)
            parts = sourcePart.left(slash).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    }
    for (const QString &segment : t.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (parts.isEmpty())
                return QString();
            parts.removeLast();
            continue;
        }
        parts.append(segment);
    }
    return parts.join(QLatin1Char('/'));
}

}
