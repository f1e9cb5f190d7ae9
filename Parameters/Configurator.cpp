#include "Parameters/Configurator.h"

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
#include <QSettings>

Configurator *Configurator::instance = nullptr;

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
        const QVariant stored = settings.value(key);
        switch (type) {
        case HAbstractParametr::TypeEnum:
            static_cast<ParametrEnum *>(parametr)->setValue(stored.toInt());
            break;
        case HAbstractParametr::TypeString:
            static_cast<ParametrString *>(parametr)->setValue(stored.toString());
            break;
        case HAbstractParametr::TypeDouble: {
            const double value = stored.toDouble();
            qDebug() << "READ" << key << value;
            static_cast<ParametrDouble *>(parametr)->setValue(value);
            break;
        }
        case HAbstractParametr::TypeInt:
            static_cast<ParametrInt *>(parametr)->setValue(stored.toInt());
            break;
        case HAbstractParametr::TypePath:
            static_cast<ParametrPath *>(parametr)->setValue(stored.toString());
            break;
        case HAbstractParametr::TypeEditableEnum:
            static_cast<ParametrEditableEnum *>(parametr)->setText(stored.toString());
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
    m_loaded = true;
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
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            qWarning() << "WRITE ERROR" << path;
            return false;
        }
        return true;
    }
    if (mode == Read) {
        QSettings settings(path, QSettings::IniFormat);
        for (const Entry &entry : qAsConst(m_registry))
            configureParametr(settings, entry.parametr, entry.key, Read);
    }
    return true;
}
