#include "Parameters/Configurator.h"

#include "Devices/TAIR.h"
#include "Parameters/Dictionary.h"
#include "Parameters/IniText.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSettings>

#include <algorithm>
#include <cmath>

Configurator *Configurator::instance = nullptr;

namespace {
// The value as text. An unquoted comma makes QSettings read a list; the person wrote one text.
QString storedText(const QSettings &settings, const QString &key)
{
    const QVariant stored = settings.value(key);
    if (stored.type() != QVariant::StringList && stored.type() != QVariant::List)
        return stored.toString();
    bool found = false;
    const QString text = iniTextAsWritten(settings, key, &found);
    return found ? text : stored.toStringList().join(QStringLiteral(", "));
}

bool readInteger(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok, 10);
    return ok;
}

// A decimal number as a person types it, with "," or "." before the fraction.
bool readDecimal(const QString &text, double *value)
{
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    *value = number.toDouble(&ok);
    return ok;
}

// NaN is the program's own "no number" and passes; an infinity is beyond any bound. The bounds
// are compared with a margin far below the three decimals an editor shows, so that a value
// typed as the bound itself is never refused for the last bits of its double.
bool withinBounds(double value, double min, double max)
{
    if (std::isnan(value))
        return true;
    if (std::isinf(value))
        return false;
    const double margin = 1e-9;
    return value >= min - margin * std::max(1.0, std::fabs(min))
           && value <= max + margin * std::max(1.0, std::fabs(max));
}

// conf.ini and the transducer files are edited in text editors, which save UTF-8; the
// program's own escaped texts are plain ASCII and read the same.
void useUtf8(QSettings &settings)
{
    settings.setIniCodec("UTF-8");
}
}

void configureParametr(QSettings &settings, HAbstractParametr *parametr, const QString &key, int mode)
{
    const int type = parametr->type();
    if (mode == Configurator::Write) {
        switch (type) {
        case HAbstractParametr::TypeEnum:
            settings.setValue(key, static_cast<ParametrEnum *>(parametr)->value());
            return;
        case HAbstractParametr::TypeString:
            settings.setValue(key, static_cast<ParametrString *>(parametr)->value());
            return;
        case HAbstractParametr::TypeDouble: {
            const double value = static_cast<ParametrDouble *>(parametr)->value();
            qDebug() << "WRITE" << key << value;
            settings.setValue(key, value);
            return;
        }
        case HAbstractParametr::TypeInt:
            settings.setValue(key, static_cast<ParametrInt *>(parametr)->value());
            return;
        case HAbstractParametr::TypePath:
            settings.setValue(key, static_cast<ParametrPath *>(parametr)->value());
            return;
        case HAbstractParametr::TypeEditableEnum:
            settings.setValue(key, parametr->valueText());
            return;
        default:
            qWarning() << "configureParametr - UNKNOWN PARAMETR TYPE";
            return;
        }
    }

    if (mode == Configurator::Read) {
        switch (type) {
        case HAbstractParametr::TypeEnum:
        case HAbstractParametr::TypeString:
        case HAbstractParametr::TypeDouble:
        case HAbstractParametr::TypeInt:
        case HAbstractParametr::TypePath:
        case HAbstractParametr::TypeEditableEnum:
            break;
        default:
            qWarning() << "configureParametr - UNKNOWN PARAMETR TYPE";
            return;
        }
        if (!settings.contains(key))
            return;
        const QString text = storedText(settings, key);
        switch (type) {
        case HAbstractParametr::TypeEnum: {
            // The id is not checked against the list: only a text that is no number is refused.
            int id = 0;
            if (!readInteger(text, &id)) {
                qWarning() << "VALUE IGNORED" << key << text;
                return;
            }
            static_cast<ParametrEnum *>(parametr)->setValue(id);
            break;
        }
        case HAbstractParametr::TypeString:
            static_cast<ParametrString *>(parametr)->setValue(text);
            break;
        case HAbstractParametr::TypeDouble: {
            auto *number = static_cast<ParametrDouble *>(parametr);
            double value = 0;
            if (!readDecimal(text, &value) || !withinBounds(value, number->min(), number->max())) {
                qWarning() << "VALUE IGNORED" << key << text;
                return;
            }
            qDebug() << "READ" << key << value;
            number->setValue(value);
            break;
        }
        case HAbstractParametr::TypeInt: {
            auto *number = static_cast<ParametrInt *>(parametr);
            int value = 0;
            if (!readInteger(text, &value) || value < number->min() || value > number->max()) {
                qWarning() << "VALUE IGNORED" << key << text;
                return;
            }
            number->setValue(value);
            break;
        }
        case HAbstractParametr::TypePath:
            static_cast<ParametrPath *>(parametr)->setValue(text);
            break;
        case HAbstractParametr::TypeEditableEnum:
            static_cast<ParametrEditableEnum *>(parametr)->setText(text);
            break;
        }
    }
}

Configurator::Configurator(QObject *parent) : QObject(parent)
{
    m_configPath = new ParametrPath(tr("Путь к файлу конфигурации"), HAbstractParametr::OwnsTitle);
    m_configPath->setValue(QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini"));
    instance = this;
}

Configurator::~Configurator()
{
    delete m_configPath;
}

void Configurator::addParametr(HAbstractParametr *parametr, const QString &key)
{
    m_registry.append(Entry{key, parametr});
}

void Configurator::saveConfiguration()
{
    qDebug() << "SAVE CONFIGURATION";
    process(Write);
}

void Configurator::loadConfiguration()
{
    qDebug() << "LOAD CONFIGURATION";
    process(Read);
    if (MainHandler::instance)
        emit MainHandler::instance->configurationLoad();
    m_loaded.store(true, std::memory_order_release);
}

namespace {
// Writes the settings through their temporary file; false when the file could not be replaced.
bool commitSettings(QSettings &settings, const QString &path)
{
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qWarning() << "WRITE ERROR" << path;
        return false;
    }
    return true;
}
}

bool Configurator::process(int mode)
{
    const QString path = m_configPath->value();
    if (mode == Write) {
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash > 0)
            QDir().mkpath(path.left(slash));
        QSettings settings(path, QSettings::IniFormat);
        // QSettings commits through a temporary file: a failed write keeps the old conf.ini.
        settings.setAtomicSyncRequired(true);
        settings.clear();
        for (const Entry &entry : qAsConst(m_registry))
            configureParametr(settings, entry.parametr, entry.key, Write);
        return commitSettings(settings, path);
    }
    if (mode == Read) {
        QSettings settings(path, QSettings::IniFormat);
        useUtf8(settings);
        for (const Entry &entry : qAsConst(m_registry))
            configureParametr(settings, entry.parametr, entry.key, Read);
    }
    return true;
}

QString Configurator::qvtSettingsPath(const QString &serialNumber)
{
    // The name comes from the transducer; anything that could leave the folder names no file.
    if (serialNumber.isEmpty() || serialNumber == QLatin1String(".") || serialNumber == QLatin1String("..")
        || serialNumber.contains(QLatin1Char('/')) || serialNumber.contains(QLatin1Char('\\')))
        return QString();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QvtSettings/") + serialNumber
           + QStringLiteral(".ini");
}

namespace {
// An id that is no number or names no item of the list (a hand-edited or damaged file) is
// not taken: the parameter keeps the value it had.
void readQvtEnum(QSettings &settings, ParametrEnum *parametr, const QString &key, const EnumList &items)
{
    if (!settings.contains(key))
        return;
    bool ok = false;
    const int id = settings.value(key).toString().trimmed().toInt(&ok);
    bool known = false;
    for (const EnumItem &item : items)
        known = known || item.id == id;
    if (!ok || !known) {
        qWarning() << "QVT SETTINGS: BAD VALUE" << key << settings.value(key).toString();
        return;
    }
    configureParametr(settings, parametr, key, Configurator::Read);
}
}

bool Configurator::processQvtSettings(int mode)
{
    TAIR *tair = TAIR::instance;
    if (!tair)
        return false;
    const QString path = qvtSettingsPath(tair->prSerialNumber->value());
    if (path.isEmpty()) {
        qWarning() << "QVT SETTINGS: NO SERIAL NUMBER";
        return false;
    }

    if (mode == Write) {
        const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/QvtSettings/");
        if (!QDir().mkpath(folder)) {
            qWarning() << "QVT SETTINGS: CANNOT CREATE" << folder;
            return false;
        }
        if (qvtFileFound && tair->prIndex->value() == tair->savedIndex
            && tair->prQvtModel->value() == tair->savedRangeCode && tair->prOwner->value() == tair->savedOwner
            && tair->prRegistryNumber->value() == tair->savedRegistryNumber)
            return true;
        // Other keys of an existing file are kept: read as UTF-8 like ours, and written back
        // escaped, as the program writes all its files. The file is replaced whole through a
        // temporary.
        QMap<QString, QVariant> others;
        {
            QSettings existing(path, QSettings::IniFormat);
            useUtf8(existing);
            for (const QString &key : existing.allKeys())
                others.insert(key, existing.value(key));
        }
        QSettings settings(path, QSettings::IniFormat);
        settings.setAtomicSyncRequired(true);
        for (auto other = others.cbegin(); other != others.cend(); ++other)
            settings.setValue(other.key(), other.value());
        configureParametr(settings, tair->prIndex, QStringLiteral("prIndex"), Write);
        configureParametr(settings, tair->prQvtModel, QStringLiteral("prQvtModel"), Write);
        configureParametr(settings, tair->prOwner, QStringLiteral("prOwner"), Write);
        configureParametr(settings, tair->prRegistryNumber, QStringLiteral("prRegistryNumber"), Write);
        return commitSettings(settings, path);
    }

    if (mode == Read) {
        qvtFileFound = QFileInfo::exists(path);
        if (qvtFileFound) {
            QSettings settings(path, QSettings::IniFormat);
            useUtf8(settings);
            readQvtEnum(settings, tair->prIndex, QStringLiteral("prIndex"), Dictionary::instance->accuracyIndexes);
            readQvtEnum(settings, tair->prQvtModel, QStringLiteral("prQvtModel"), Dictionary::instance->rangeCodes);
            configureParametr(settings, tair->prOwner, QStringLiteral("prOwner"), Read);
            configureParametr(settings, tair->prRegistryNumber, QStringLiteral("prRegistryNumber"), Read);
        }
        tair->savedIndex = tair->prIndex->value();
        tair->savedRangeCode = tair->prQvtModel->value();
        tair->savedOwner = tair->prOwner->value();
        tair->savedRegistryNumber = tair->prRegistryNumber->value();
        return true;
    }
    return false;
}

bool Configurator::loadQvtSettings()
{
    qDebug() << "Configurator::loadQvtSettings";
    return processQvtSettings(Read);
}

bool Configurator::saveQvtSettings()
{
    qDebug() << "Configurator::saveQvtSettings";
    return processQvtSettings(Write);
}
