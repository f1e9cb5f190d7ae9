#include "VerificationFixture.h"

#include "Devices/TAIR.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrPointsModel.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

namespace VerificationFixture {

QString path(const QString &name)
{
    return TestSupport::sourceDir() + QStringLiteral("/tests/Verification/fixtures/") + name;
}

QJsonArray load(const QString &name)
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonArray();
    return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("verifications")).toArray();
}

bool enter(const QJsonObject &input)
{
    TAIR *tair = TAIR::instance;
    Conditions *conditions = Conditions::instance;
    Verification *verification = Verification::instance;
    VrPointsModel *model = verification->pointsModel();

    const int devices = input.value("devices").toInt();
    tair->prUnits->setValue(input.value("units").toInt());
    verification->prVerificationMode->setValue(input.value("method").toInt());
    verification->prMinValue->setValue(input.value("min").toDouble());
    verification->prMaxValue->setValue(input.value("max").toDouble());
    verification->prStep->setValue(input.value("step").toDouble());
    conditions->prConditionsVrClassTpye->setText(input.value("accuracyClass").toString());
    conditions->parseAccuracyClass();
    conditions->prVrCoeff->setValue(input.value("coefficient").toDouble());
    conditions->prIndicatorStep->setValue(input.value("division").toDouble());
    conditions->prVrDeviceCount->setValue(devices);
    if (!verification->buildPoints())
        return false;
    model->setMode(uint8_t(input.value("method").toInt()));

    const QJsonArray points = input.value("points").toArray();
    if (points.size() != model->pointCount())
        return false;
    for (int row = 0; row < points.size(); ++row) {
        const QJsonObject p = points.at(row).toObject();
        if (!p.value("reference").isNull()
            && !model->setData(model->index(row, 1), p.value("reference").toDouble(), Qt::EditRole))
            return false;
        const QJsonArray readings = p.value("devices").toArray();
        for (int k = 0; k < devices; ++k) {
            if (!readings.at(k).isNull()
                && !model->setData(model->index(row, 2 + k), readings.at(k).toDouble(), Qt::EditRole))
                return false;
        }
        tair->clearHistory();
        for (const QJsonValue &h : p.value("history").toArray())
            tair->appendHistory(h.toDouble());
        model->computeUncertainty(row);
    }
    return true;
}

QJsonObject evaluate(const QJsonObject &input)
{
    QProcess script;
    script.start(TestSupport::python(), {path(QStringLiteral("expected.py")), QStringLiteral("--stdin")});
    script.write(QJsonDocument(input).toJson());
    script.closeWriteChannel();
    if (!script.waitForFinished(60000) || script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0) {
        qWarning().noquote() << "expected.py failed:" << script.readAllStandardError();
        return QJsonObject();
    }
    return QJsonDocument::fromJson(script.readAllStandardOutput()).object();
}

}
