#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The complete verifications of tests/Verification/fixtures, with the results
// that fixtures/expected.py worked out for them apart from the workstation's code.
namespace VerificationFixture {
QString path(const QString &name);
// The "verifications" array of a fixture file; empty when the file cannot be read.
QJsonArray load(const QString &name);
// Puts one verification into TAIR, Conditions, Verification and the points model as the
// operator enters it: parameters, points built, readings through the model in display units,
// the reference history and the uncertainty of each point. False when a step is refused.
bool enter(const QJsonObject &input);
// What fixtures/expected.py works out for one verification of that form; empty when the
// script fails.
QJsonObject evaluate(const QJsonObject &input);
}
