#include "Documents/ModelDeviceConf.h"

#include "Documents/TabuloSortFilterProxyModel.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Verification/VrDevice.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <limits>

ModelDeviceConf *ModelDeviceConf::instance = nullptr;

namespace {
constexpr int FilterMaxLength = 50;

// A card is named by the list or the page; anything that would leave the folder names no card.
QString cardPath(const QString &folder, const QString &fileName)
{
    if (folder.isEmpty() || fileName.isEmpty() || fileName == QLatin1String(".") || fileName == QLatin1String("..")
        || fileName.contains(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')))
        return QString();
    return folder + QLatin1Char('/') + fileName;
}

// The number of a card name; a name that is no decimal integer counts as 0.
qint64 cardNumber(QString fileName)
{
    bool ok = false;
    const qint64 number = fileName.remove(ModelDeviceConf::cardExtension()).toLongLong(&ok, 10);
    return ok ? number : 0;
}

// The filter text as a regular expression: "*", "?" and a paired "[...]" keep their wildcard
// meaning, every other character matches itself. Qt's own wildcards take a backslash for an escape
// of the next character and give an invalid pattern, which matches nothing, for a lone bracket.
QRegExp filterPattern(const QString &text)
{
    const QString typed = QLatin1Char('*') + text + QLatin1Char('*');
    QString rx;
    for (int i = 0; i < typed.size(); ++i) {
        const QChar c = typed.at(i);
        if (c == QLatin1Char('*')) {
            rx += QLatin1String(".*");
            continue;
        }
        if (c == QLatin1Char('?')) {
            rx += QLatin1Char('.');
            continue;
        }
        if (c == QLatin1Char('[')) {
            const int first = i + 1 + (typed.midRef(i + 1, 1) == QLatin1String("^") ? 1 : 0);
            const int close = typed.indexOf(QLatin1Char(']'), first);
            if (close > first) {
                rx += QLatin1Char('[');
                if (first > i + 1)
                    rx += QLatin1Char('^');
                for (int k = first; k < close; ++k) {
                    const QChar member = typed.at(k);
                    // A range keeps its dash; any other sign is taken as itself (a letter or digit
                    // stays bare: "\d" would be a class of its own).
                    if (!member.isLetterOrNumber() && member != QLatin1Char('-'))
                        rx += QLatin1Char('\\');
                    rx += member;
                }
                rx += QLatin1Char(']');
                i = close;
                continue;
            }
        }
        rx += QRegExp::escape(QString(c));
    }
    QRegExp pattern(rx, Qt::CaseInsensitive, QRegExp::RegExp);
    // A set no expression can hold ("[z-a]") leaves the text to match itself.
    if (!pattern.isValid())
        pattern.setPattern(QLatin1String(".*") + QRegExp::escape(text) + QLatin1String(".*"));
    return pattern;
}
}

ModelDeviceConf::ModelDeviceConf(QObject *parent) : QAbstractTableModel(parent)
{
    for (int i = 0; i < ColumnCount; ++i)
        m_filterTexts.append(new ParametrString(Dictionary::instance->emptyText, FilterMaxLength));
    m_sortFilterProxy = new TabuloSortFilterProxyModel(this);
    m_sortFilterProxy->setSourceModel(this);
    m_sortFilterProxy->setSortRole(Qt::DisplayRole);
    instance = this;
}

ModelDeviceConf::~ModelDeviceConf()
{
    if (instance == this)
        instance = nullptr;
    qDeleteAll(m_filterTexts);
}

int ModelDeviceConf::rowCount(const QModelIndex &) const
{
    return m_cards.size();
}

int ModelDeviceConf::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant ModelDeviceConf::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    if (!index.isValid() || index.row() < 0 || index.row() >= m_cards.size())
        return QVariant();
    const DeviceConfEntry &card = m_cards.at(index.row());
    switch (index.column()) {
    case ColumnName:
        return card.name;
    case ColumnType:
        return card.type;
    case ColumnSerial:
        return card.serial;
    case ColumnInventory:
        return card.inventory;
    case ColumnFileName:
        return card.fileName;
    default:
        return QVariant();
    }
}

QVariant ModelDeviceConf::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);
    // The device's own captions: name, type, serial and inventory number.
    const QStringList &titles = deviceCardColumnTitles();
    switch (section) {
    case ColumnName:
        return titles.at(0);
    case ColumnType:
        return titles.at(3);
    case ColumnSerial:
        return titles.at(1);
    case ColumnInventory:
        return titles.at(4);
    case ColumnFileName:
        return tr("Имя файла");
    default:
        return QVariant();
    }
}

QString ModelDeviceConf::folder()
{
    return Settings::instance ? Settings::instance->deviceConfPath()->value() : QString();
}

QList<QPair<QString, HAbstractParametr *>> ModelDeviceConf::cardKeys(VrDevice *device)
{
    return {
        {QStringLiteral("device->prName"), device->prName},
        {QStringLiteral("device->prSerial"), device->prSerial},
        {QStringLiteral("device->prOwner"), device->prOwner},
        {QStringLiteral("device->prDevType"), device->prDevType},
        {QStringLiteral("device->prDevInv"), device->prDevInv},
        {QStringLiteral("device->prYear"), device->prYear},
        {QStringLiteral("device->prAmbiant"), device->prAmbiant},
        {QStringLiteral("device->prNotes"), device->prNotes},
        {QStringLiteral("device->prVrDocumentVr"), device->prVrDocumentVr},
        {QStringLiteral("device->prVrDocumentCl"), device->prVrDocumentCl},
        {QStringLiteral("device->prVrOrder"), device->prVrOrder},
        {QStringLiteral("device->prSignalType"), device->prSignalType},
        {QStringLiteral("device->prCheckSystemGr"), device->prCheckSystemGr},
        {QStringLiteral("device->prCheckUsage"), device->prCheckUsage},
        {QStringLiteral("device->prCheckRSolid"), device->prCheckRSolid},
        {QStringLiteral("device->prCheckR"), device->prCheckR},
    };
}

void ModelDeviceConf::reloadDeviceConfs()
{
    const QString dir = folder();
    QStringList names;
    if (!dir.isEmpty()) {
        if (!QFileInfo::exists(dir) && !QDir().mkpath(dir))
            qWarning() << "DEVICE CARDS: CANNOT CREATE" << dir;
        names = QDir(dir).entryList(cardNameFilters(), QDir::Files, QDir::NoSort);
    }

    beginResetModel();
    m_cards.clear();
    for (const QString &name : qAsConst(names)) {
        const QSettings card(dir + QLatin1Char('/') + name, QSettings::IniFormat);
        DeviceConfEntry entry;
        entry.fileName = name;
        entry.name = card.value(QStringLiteral("device->prName")).toString();
        entry.type = card.value(QStringLiteral("device->prDevType")).toString();
        entry.serial = card.value(QStringLiteral("device->prSerial")).toString();
        entry.inventory = card.value(QStringLiteral("device->prDevInv")).toString();
        m_cards.append(entry);
    }
    endResetModel();
    applyFilter();
}

QString ModelDeviceConf::nextCardName(const QString &folder)
{
    // 64-bit, and never below 1: a card named 2147483647 is followed by 2147483648.
    qint64 last = 0;
    const QStringList names = QDir(folder).entryList(cardNameFilters(), QDir::Files, QDir::NoSort);
    for (const QString &name : names)
        last = qMax(last, cardNumber(name));

    const auto following = [](qint64 n) { return n < std::numeric_limits<qint64>::max() ? n + 1 : 1; };
    qint64 number = following(last);
    // A save never replaces a card: a name taken by any file (even one the order misjudged) is skipped.
    while (QFileInfo::exists(folder + QLatin1Char('/') + QString::number(number) + cardExtension()))
        number = following(number);
    return QString::number(number) + cardExtension();
}

bool ModelDeviceConf::saveOrLoadDevice(VrDevice *device, int mode, QString &fileName)
{
    if (!device)
        return false;
    if (mode == Save)
        return saveDevice(device, fileName);
    if (mode == Load)
        return loadDevice(device, fileName);
    return false;
}

bool ModelDeviceConf::saveDevice(VrDevice *device, QString &fileName)
{
    fileName.clear();
    const QString dir = folder();
    bool written = false;
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        const QString name = nextCardName(dir);
        const QString path = dir + QLatin1Char('/') + name;
        {
            QSettings card(path, QSettings::IniFormat);
            // Written through a temporary file and renamed: a card is whole or absent.
            card.setAtomicSyncRequired(true);
            card.clear();
            for (const auto &key : cardKeys(device))
                configureParametr(card, key.second, key.first, Configurator::Write);
            card.sync();
            written = card.status() == QSettings::NoError;
        }
        if (written)
            fileName = name;
        else
            qWarning() << "WRITE ERROR" << path;
    }
    reloadDeviceConfs();
    return written;
}

bool ModelDeviceConf::loadDevice(VrDevice *device, const QString &fileName)
{
    const QString path = cardPath(folder(), fileName);
    if (path.isEmpty())
        return false;
    QSettings card(path, QSettings::IniFormat);
    for (const auto &key : cardKeys(device))
        configureParametr(card, key.second, key.first, Configurator::Read);
    return true;
}

bool ModelDeviceConf::removeDeviceConf(const QString &fileName)
{
    const QString path = cardPath(folder(), fileName);
    const bool removed = !path.isEmpty() && QFile::remove(path);
    reloadDeviceConfs();
    return removed;
}

void ModelDeviceConf::applyFilter()
{
    QList<ColumnFilter> filters;
    for (int column = 0; column < m_filterTexts.size(); ++column) {
        const QString text = m_filterTexts.at(column)->value();
        if (text.isEmpty() || text == QLatin1String("*"))
            continue;
        ColumnFilter filter;
        filter.join = ColumnFilter::And;
        filter.column = column;
        filter.kind = ColumnFilter::Match;
        filter.pattern = filterPattern(text);
        filters.append(filter);
    }
    m_sortFilterProxy->setColumnFilters(filters);
}
