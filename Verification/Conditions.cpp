#include "Verification/Conditions.h"

#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrString.h"
#include "Verification/VrDevice.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cmath>

Conditions *Conditions::instance = nullptr;

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("Conditions", text);
}

// A class number; infinities and NaN are no class.
bool readClassNumber(const QString &text, double *x)
{
    bool ok = false;
    *x = text.toDouble(&ok);
    return ok && !std::isnan(*x);
}
}

Conditions::Conditions()
{
    Dictionary *dict = Dictionary::instance;
    const uint8_t own = HAbstractParametr::OwnsTitle;

    prTemperature = new ParametrString(tr("Температура окр. возд., °C"), 20, own);
    prHumidity = new ParametrString(tr("Отн. влажность, %"), 20, own);
    prPressure = new ParametrString(tr("Атмос. давление, мм рт.ст."), 20, own);
    prConditionsVrName = new ParametrString(tr("Ф.И.О. Поверителя"), 50, own);
    prReadConditions = new ParametrEnum(tr("Считывание"), dict->readModes, own);
    prConditionsVrClassTpye = new ParametrEditableEnum(tr("Класс точности, %"), dict->accuracyClasses, own);
    prDate = new ParametrString(tr("Дата"), 20, own);
    prConditionsOwner = new ParametrString(tr("Собственник"), 50, own);
    prVrDeviceCount = new ParametrEnum(tr("Кол-во поверяемых приборов"), dict->deviceCounts, own);
    prVrCoeff = new ParametrDouble(tr("Коэф. запаса"), 0, 1, own);
    prIndicatorStep = new ParametrDouble(tr("Цена деления"), 0.001, 1000, own);
    prVrCoeff->setDescription(tr("Коэффициент запаса для оценки погрешности"));
    prIndicatorStep->setDescription(tr("Цена деления шкалы манометра"));

    Configurator *config = Configurator::instance;
    config->addParametr(prConditionsVrName, QStringLiteral("prConditionsVrName"));
    config->addParametr(prConditionsVrClassTpye, QStringLiteral("prConditionsVrClassTpye"));
    config->addParametr(prConditionsOwner, QStringLiteral("prConditionsOwner"));
    config->addParametr(prVrDeviceCount, QStringLiteral("prVrDeviceCount"));
    config->addParametr(prVrCoeff, QStringLiteral("prVrCoeff"));
    config->addParametr(prIndicatorStep, QStringLiteral("prIndicatorStep"));
    config->addParametr(prReadConditions, QStringLiteral("prReadConditions"));

    prVrDeviceCount->setValue(1);
    prIndicatorStep->setValue(1);
    prVrCoeff->setValue(0.8);

    for (int i = 0; i < 4; ++i) {
        VrDevice *device = new VrDevice();
        vrDevices.append(device);
        const QString prefix = QString::number(i) + QStringLiteral("_dev->");
        config->addParametr(device->prName, prefix + QStringLiteral("prName"));
        config->addParametr(device->prSerial, prefix + QStringLiteral("prSerial"));
        config->addParametr(device->prOwner, prefix + QStringLiteral("prOwner"));
        config->addParametr(device->prDevType, prefix + QStringLiteral("prDevType"));
        config->addParametr(device->prDevInv, prefix + QStringLiteral("prDevInv"));
        config->addParametr(device->prYear, prefix + QStringLiteral("prYear"));
        config->addParametr(device->prAmbiant, prefix + QStringLiteral("prAmbiant"));
        config->addParametr(device->prNotes, prefix + QStringLiteral("prNotes"));
        config->addParametr(device->prVrOrder, prefix + QStringLiteral("prVrOrder"));
        config->addParametr(device->prVrDocumentVr, prefix + QStringLiteral("prVrDocumentVr"));
        config->addParametr(device->prVrDocumentCl, prefix + QStringLiteral("prVrDocumentCl"));
        config->addParametr(device->prSignalType, prefix + QStringLiteral("prSignalType"));
    }

    reset();
    instance = this;
}

// Registered parameters stay with the Configurator for the life of the program.
Conditions::~Conditions()
{
    if (instance == this)
        instance = nullptr;
}

void Conditions::reset()
{
    for (int i = 0; i < vrDevices.size(); ++i) {
        VrDevice *device = vrDevices.at(i);
        device->prName->setValue(tr("Прибор ") + QString::number(i + 1));
        device->prIntervalMax->setValue(0);
        device->prIntervalMin->setValue(0);
        device->prDevUnits->setValue(0);
    }
    prDate->setValue(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy")));
    prConditionsVrClassTpye->setText(QStringLiteral("0,4"));
    prReadConditions->setValue(0);
}

void Conditions::parseAccuracyClass()
{
    // Every rewrite lowers a part to 10 or clears the text, so this ends after a few rounds.
    for (;;) {
        const QString t = prConditionsVrClassTpye->text().replace(QLatin1Char(','), QLatin1Char('.'));
        double x = 0;
        const bool ok = readClassNumber(t, &x);
        if (x > 10) {
            prConditionsVrClassTpye->setText(QStringLiteral("10"));
            continue;
        }
        if (ok) {
            zone1 = zone2 = zone3 = x;
            return;
        }

        const QStringList parts = t.split(QLatin1Char('-'), Qt::KeepEmptyParts);
        double zones[3] = {0, 0, 0};
        bool readable = parts.size() == 3;
        for (int i = 0; readable && i < 3; ++i)
            readable = readClassNumber(parts.at(i), &zones[i]);
        if (!readable) {
            prConditionsVrClassTpye->setText(QStringLiteral("0"));
            continue;
        }

        QStringList shown;
        for (const QString &part : parts)
            shown << QString(part).replace(QLatin1Char('.'), QLatin1Char(','));
        int clipped = -1;
        for (int i = 0; i < 3 && clipped < 0; ++i) {
            if (zones[i] > 10)
                clipped = i;
        }
        if (clipped >= 0) {
            shown[clipped] = QStringLiteral("10");
            prConditionsVrClassTpye->setText(shown.join(QLatin1Char('-')));
            continue;
        }

        zone1 = zones[0];
        zone2 = zones[1];
        zone3 = zones[2];
        return;
    }
}
