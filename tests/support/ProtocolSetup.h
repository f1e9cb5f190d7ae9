#pragma once

// The service objects the protocol writer reads, and a known verification from
// the verification fixtures put into them as the operator would enter it.

#include "Devices/TAIR.h"
#include "Documents/ExcelSaver.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Services.h"
#include "TestSupport.h"
#include "VerificationFixture.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Verification/VrPointsModel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace ProtocolSetup {

inline void createObjects()
{
    TestSupport::createServices(TestSupport::ProtocolWriter);
}

inline QJsonArray fixture(const QString &name)
{
    return VerificationFixture::load(name);
}

// Texts that differ from each other, so that a placeholder filled from the
// wrong parameter shows.
inline void setTexts()
{
    TAIR *tair = TAIR::instance;
    tair->prSerialNumber->setValue(QStringLiteral("T-0451"));
    tair->prOwner->setValue(QStringLiteral("ООО Эталон"));
    tair->prRange->setValue(QStringLiteral("0…1,6 МПа"));
    tair->prAverageCount->setValue(5);
    Conditions *c = Conditions::instance;
    c->prTemperature->setValue(QStringLiteral("21,5"));
    c->prHumidity->setValue(QStringLiteral("48"));
    c->prPressure->setValue(QStringLiteral("751"));
    c->prDate->setValue(QStringLiteral("10.12.2026"));
    c->prConditionsVrName->setValue(QStringLiteral("Петрова А. С."));
    for (int n = 1; n <= 4; ++n) {
        VrDevice *d = c->vrDevices.at(n - 1);
        const QString s = QString::number(n);
        d->prName->setValue(QStringLiteral("Манометр ") + s);
        d->prSerial->setValue(QStringLiteral("SN-") + s);
        d->prDevType->setValue(QStringLiteral("МП-") + s);
        d->prDevInv->setValue(QStringLiteral("ИНВ-") + s);
        d->prYear->setValue(QStringLiteral("201") + s);
        d->prAmbiant->setValue(QStringLiteral("воздух ") + s);
        d->prOwner->setValue(QStringLiteral("Завод ") + s);
        d->prNotes->setValue(QStringLiteral("без замечаний ") + s);
        d->prVrDocumentVr->setValue(QStringLiteral("МИ 2124-") + s);
        d->prVrDocumentCl->setValue(QStringLiteral("МК-") + s);
        d->prSignalType->setValue(QStringLiteral("сигнал ") + s);
        d->prVrOrder->setValue(n == 1 ? 0 : 1);
    }
}

// Verification number index of the fixtures, entered through the model.
inline QJsonObject apply(int index)
{
    const QJsonObject input = fixture(QStringLiteral("verifications.json")).at(index).toObject();
    return VerificationFixture::enter(input) ? input : QJsonObject();
}

// What the fixtures' own script worked out for verification index.
inline QJsonObject expected(int index)
{
    return fixture(QStringLiteral("expected.json")).at(index).toObject();
}

}
