#pragma once

// What the protocol benchmarks share: a finished verification of 201 points and 4 devices,
// and the largest built-in template.

#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/Settings.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrPointsModel.h"

#include <QFileInfo>
#include <QString>

namespace Bench {

constexpr int Points = 201;
constexpr int Devices = 4;

// 0..1000 kPa up and down, every reading taken.
inline void fillPoints()
{
    VrPointsModel *model = Verification::instance->pointsModel();
    Verification::instance->prMinValue->setValue(0);
    Verification::instance->prMaxValue->setValue(1000);
    Conditions::instance->prVrDeviceCount->setValue(Devices);
    model->clearPoints();
    for (int i = 0; i < Points; ++i) {
        VrPoint p;
        const int up = i <= Points / 2 ? i : Points - 1 - i;
        p.nominal = up * 10.0;
        p.reference = p.nominal + 0.013 * (i % 7);
        p.referenceMeasured = true;
        p.uncertainty = 0.05 + 0.001 * (i % 5);
        for (int d = 0; d < Devices; ++d) {
            p.devices[d].reading = p.nominal + 0.1 * d - 0.02 * (i % 3);
            p.devices[d].measured = true;
        }
        model->appendPoint(p, -1);
    }
}

// Chooses the largest of the four built-in templates (by document set and method) for the
// documents that follow; returns its path, empty when none is beside the program.
inline QString useLargestTemplate()
{
    int set = 0, method = 0;
    qint64 size = -1;
    for (int s = 0; s < 2; ++s)
        for (int m = 0; m < 2; ++m) {
            const qint64 n = QFileInfo(Settings::instance->templateFor(s, m)).size();
            if (n > size) {
                size = n;
                set = s;
                method = m;
            }
        }
    if (size <= 0)
        return QString();
    Settings::instance->documentSet()->setValue(set);
    Verification::instance->prVerificationMode->setValue(method);
    return Settings::instance->templateFor(set, method);
}

}
