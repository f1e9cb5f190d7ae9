#include "Devices/TAIR.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/Units.h"
#include "Services.h"
#include "TestSupport.h"
#include "VerificationFixture.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrPointsModel.h"

#include <QtTest>

#include <cmath>

// Complete verifications whose results were worked out by fixtures/expected.py, apart from
// this code; compared as the documents print them.
class TestVrFixture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void expectationsAreCurrent();
    void verification_data();
    void verification();

private:
    static QString printed(double x, int decimals);
};

QString TestVrFixture::printed(double x, int decimals)
{
    return std::isnan(x) ? QStringLiteral("-") : formatNumber(x, decimals);
}

void TestVrFixture::initTestCase()
{
    using namespace TestSupport;
    createServices(Hub | Lists | Transducer | VrConditions | Points);
    QVERIFY2(!VerificationFixture::load(QStringLiteral("verifications.json")).isEmpty(), qPrintable(VerificationFixture::path("verifications.json")));
}

// The committed expectations are what the script gives for the committed fixture.
void TestVrFixture::expectationsAreCurrent()
{
    QProcess script;
    script.start(TestSupport::python(), {VerificationFixture::path(QStringLiteral("expected.py")), QStringLiteral("--print")});
    if (!script.waitForStarted(30000))
        QSKIP("no python interpreter");
    QVERIFY(script.waitForFinished(60000));
    QCOMPARE(script.exitCode(), 0);
    QFile file(VerificationFixture::path(QStringLiteral("expected.json")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(script.readAllStandardOutput(), file.readAll());
}

void TestVrFixture::verification_data()
{
    QTest::addColumn<QJsonObject>("input");
    QTest::addColumn<QJsonObject>("expected");
    const QJsonArray inputs = VerificationFixture::load(QStringLiteral("verifications.json"));
    const QJsonArray expected = VerificationFixture::load(QStringLiteral("expected.json"));
    QCOMPARE(expected.size(), inputs.size());
    QVERIFY(inputs.size() >= 3);
    for (int i = 0; i < inputs.size(); ++i) {
        const QJsonObject input = inputs.at(i).toObject();
        QTest::newRow(qPrintable(input.value("name").toString())) << input << expected.at(i).toObject();
    }
}

void TestVrFixture::verification()
{
    QFETCH(QJsonObject, input);
    QFETCH(QJsonObject, expected);

    Conditions *conditions = Conditions::instance;
    VrPointsModel *model = Verification::instance->pointsModel();
    const int devices = input.value("devices").toInt();

    // Readings go in as the operator or the run page enters them: through the model, in display units.
    QVERIFY(VerificationFixture::enter(input));
    QCOMPARE(conditions->prConditionsVrClassTpye->text(), input.value("accuracyClass").toString());
    QCOMPARE(model->pointCount(), expected.value("points").toInt());
    QCOMPARE(model->columnCount(), devices + 2);
    QCOMPARE(input.value("points").toArray().size(), model->pointCount());

    const QString pass = Dictionary::instance->verdicts.at(0).text;
    const QString fail = Dictionary::instance->verdicts.at(1).text;
    const QJsonArray columns = expected.value("columns").toArray();
    QCOMPARE(columns.size(), devices + 1);
    for (int c = 0; c < columns.size(); ++c) {
        const QJsonObject column = columns.at(c).toObject();
        const int modelColumn = c + 1;
        const QByteArray where = "column " + QByteArray::number(modelColumn);
        const QJsonArray errors = column.value("errors").toArray();
        for (int row = 0; row < errors.size(); ++row)
            QCOMPARE(printed(model->reducedError(modelColumn, row), 2) + " " + where + " row " + QString::number(row),
                     errors.at(row).toString() + " " + where + " row " + QString::number(row));
        const double largest = model->maxReducedError(modelColumn);
        const QString verdict = model->errorExceeded() || model->hasNoErrorData() ? fail : pass;
        QCOMPARE(printed(largest, 2) + " " + where, column.value("maxError").toString() + " " + where);
        QCOMPARE(verdict + " " + where, column.value("verdict").toString() + " " + where);
        QCOMPARE(printed(model->maxVariation(modelColumn), 2) + " " + where,
                 column.value("variation").toString() + " " + where);
    }

    const QJsonArray uncertainties = expected.value("uncertainties").toArray();
    QCOMPARE(uncertainties.size(), model->pointCount());
    for (int row = 0; row < uncertainties.size(); ++row) {
        const QJsonArray kinds = uncertainties.at(row).toArray();
        for (int kind = 0; kind < 3; ++kind)
            QCOMPARE(printed(model->uncertaintyValue(row, kind), 4) + QStringLiteral(" row %1 kind %2").arg(row).arg(kind),
                     kinds.at(kind).toString() + QStringLiteral(" row %1 kind %2").arg(row).arg(kind));
    }
}

QTEST_GUILESS_MAIN(TestVrFixture)
#include "tst_vrfixture.moc"
