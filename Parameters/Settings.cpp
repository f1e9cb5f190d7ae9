#include "Parameters/Settings.h"

#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"

#include <QCoreApplication>
#include <QStandardPaths>

Settings *Settings::instance = nullptr;

Settings::Settings(QObject *parent) : QObject(parent)
{
    m_decimals = new ParametrInt(tr("Кол-во знаков после запятой"), 0, 6, HAbstractParametr::OwnsTitle);
    m_documentSet = new ParametrEnum(tr("Комплект документов"), Dictionary::instance->documentSets,
                                     HAbstractParametr::OwnsTitle);
    m_protocolPath = new ParametrPath(tr("Путь для сохранения протоколов"),
                                      HAbstractParametr::OwnsTitle | HAbstractParametr::AltEditor);
    m_templatePath = new ParametrPath(tr("Путь к шаблону"), HAbstractParametr::OwnsTitle);
    m_deviceConfPath = new ParametrPath(tr("Путь к сохраненным устройствам"), HAbstractParametr::OwnsTitle);
    m_mainFontSize = new ParametrInt(Dictionary::instance->emptyText, 1, 90000, HAbstractParametr::OwnsTitle);

    m_templatePath->setNameFilters(QStringList{QStringLiteral("*.xlsx")});

    Configurator *config = Configurator::instance;
    config->addParametr(m_decimals, QStringLiteral("prDecimals"));
    config->addParametr(m_documentSet, QStringLiteral("prProtocolMode"));
    config->addParametr(m_protocolPath, QStringLiteral("prProtocolPath"));
    config->addParametr(m_templatePath, QStringLiteral("prProtocolTamplatePath"));
    config->addParametr(m_deviceConfPath, QStringLiteral("prDeviceConfPath"));
    config->addParametr(m_mainFontSize, QStringLiteral("prMainFontSize"));

    setDefaults();
    instance = this;
}

void Settings::setDefaults()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString appDir = QCoreApplication::applicationDirPath();

    m_decimals->setValue(2);
    m_documentSet->setValue(0);
    m_mainFontSize->setValue(8);
    m_protocolPath->setValue(documents + QStringLiteral("/Мановера/Протоколы"));
    m_templatePath->setValue(appDir + QStringLiteral("/Templates/custom_template.xlsx"));
    m_deviceConfPath->setValue(documents + QStringLiteral("/Мановера/Устройства"));

    m_calibrationA = appDir + QStringLiteral("/Templates/default_template_calibration_A.xlsx");
    m_calibrationB = appDir + QStringLiteral("/Templates/default_template_calibration_B.xlsx");
    m_verificationA = appDir + QStringLiteral("/Templates/default_template_verification_A.xlsx");
    m_verificationB = appDir + QStringLiteral("/Templates/default_template_verification_B.xlsx");
}

QString Settings::templateFor(int documentSet, int method) const
{
    switch (documentSet) {
    case 0:
        return method == 0 ? m_calibrationA : m_calibrationB;
    case 1:
        return method == 0 ? m_verificationA : m_verificationB;
    default:
        return m_templatePath->value();
    }
}
