#include "Verification/Verification.h"

#include "Devices/TAIR.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/Units.h"
#include "Verification/Conditions.h"
#include "Verification/VrPointsModel.h"

#include <QDebug>

#include <cmath>

Verification *Verification::instance = nullptr;

Verification::Verification(QObject *parent) : QObject(parent)
{
    Dictionary *dict = Dictionary::instance;
    const uint8_t own = HAbstractParametr::OwnsTitle;

    prVerificationMode = new ParametrEnum(tr("Способ поверки"), dict->methods, own);
    prMinValue = new ParametrDouble(tr("Мин значение поверки"), -99, -99, own);
    prMaxValue = new ParametrDouble(tr("Макс значение поверки"), -99, -99, own);
    prStep = new ParametrDouble(tr("Шаг значений"), -99, -99, own);
    prAutoStepCompute = new ParametrEnum(tr("Авт. расчет шага"), dict->onOff, own);
    prMinValue->setDescription(tr("Минимальное значение интервала поверки"));
    prMaxValue->setDescription(tr("Максимальное значение интервала поверки"));
    prStep->setDescription(tr("Шаг между точками поверки"));
    prAutoStepCompute->setDescription(
        tr("Автоматический расчет значения шага между точками поверки на основе класса точности и цены деления"));

    prVerificationMode->setValue(0);
    prMinValue->setValue(0);
    prMaxValue->setValue(100);
    prStep->setValue(25);
    prAutoStepCompute->setValue(0);

    Configurator *config = Configurator::instance;
    config->addParametr(prVerificationMode, QStringLiteral("prVerificationMode"));
    config->addParametr(prMinValue, QStringLiteral("prMinValue"));
    config->addParametr(prMaxValue, QStringLiteral("prMaxValue"));
    config->addParametr(prStep, QStringLiteral("prStep"));
    config->addParametr(prAutoStepCompute, QStringLiteral("prAutoStepCompute"));

    m_model = new VrPointsModel(this);
    instance = this;
}

void Verification::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged();
}

bool Verification::buildPoints()
{
    const double min = prMinValue->value();
    const double max = prMaxValue->value();
    const double step = prStep->value();
    if (!(min < max) || !(step > 0))
        return false;
    // An infinite bound or step would give no countable table.
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(step))
        return false;

    qDebug() << "BUIlD POINTS" << max << min;
    const double count = std::trunc(2.0 * (max - min) / step);
    if (!(count <= 200))
        return false;

    const int units = TAIR::instance->prUnits->value();
    // Each value is min + i * step, never a running sum; a value within rounding of the
    // maximum is the maximum itself, so no near-duplicate of the top point appears.
    const double top = max - 1e-9 * step;
    QList<double> below;
    for (int i = 0; i <= 201; ++i) {
        const double v = min + i * step;
        if (!(v < top))
            break;
        below.append(v);
    }

    m_model->clearPoints();
    m_model->reservePoints(int(count));
    for (double v : qAsConst(below)) {
        VrPoint point;
        point.nominal = toKPa(v, units);
        m_model->appendPoint(point, -1);
    }
    VrPoint peak;
    peak.nominal = toKPa(max, units);
    m_model->appendPoint(peak, -1);

    const int m = m_model->pointCount();
    for (double v : qAsConst(below)) {
        VrPoint point;
        point.nominal = toKPa(v, units);
        m_model->appendPoint(point, m);
    }
    return true;
}

void Verification::computeAutoStep()
{
    const Conditions *conditions = Conditions::instance;
    const double z1 = conditions->zone1;
    const double z2 = conditions->zone2;
    const double z3 = conditions->zone3;

    int d = 4;
    if (z1 == z2)
        d = z1 <= 4 ? 7 : 4;
    else if (z2 == z3)
        d = z3 <= 4 ? 7 : 4;

    double step = (prMaxValue->value() - prMinValue->value()) / d;
    const double division = conditions->prIndicatorStep->value();
    // A scale division of 0 has no multiples: keep the plain step.
    if (division > 0 && std::isfinite(division)) {
        // Decimal steps and divisions are not exact in binary: fmod(0.1, 0.01) is 3.5e-18 and
        // fmod(0.3, 0.1) a hair below 0.1. Such a remainder, within a billionth of the division
        // (or of the step, whose own noise grows with it), is none: the step is a multiple.
        const double r = std::fmod(step, division);
        const double slack = 1e-9 * division + 1e-12 * std::fabs(step);
        if (std::fabs(r) > slack && division - std::fabs(r) > slack)
            step = (step - r) + division;
    }
    prStep->setValue(step);
}
