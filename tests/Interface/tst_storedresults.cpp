// The results of a stored run, as the run page shows them and the protocol prints them, in the
// main window with the simulated transducer: an error equal to its limit passes in both, one
// shown digit above it fails in both; choosing other display units on the settings page after
// the run converts the range, the step and the scale division and changes no result. The
// protocols are read back with openpyxl and checked against fixtures/expected.py. Leaves a
// picture of the settings page after the change in <build>/screenshots/.
#include "Devices/TAIR.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/EditField.h"
#include "Parameters/Units.h"
#include "ProtocolCheck.h"
#include "Screenshot.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Workstation.h"

#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

QColor baseColour(const EditField *cell)
{
    return cell->editor()->palette().color(QPalette::Base);
}

// A verification of the fixtures' form written in other units: every pressure the operator
// enters or reads off is converted, as typed in those units (fifteen digits); the reference
// history stays in kPa.
QJsonObject inUnits(const QJsonObject &input, int units)
{
    const int from = input.value("units").toInt();
    auto convert = [from, units](const QJsonValue &x) -> QJsonValue {
        if (x.isNull())
            return x;
        return QString::number(convertUnits(from, units, x.toDouble()), 'g', 15).toDouble();
    };
    QJsonObject out = input;
    out["units"] = units;
    for (const char *key : {"min", "max", "step", "division"})
        out[key] = convert(input.value(key));
    QJsonArray points;
    for (const QJsonValue &p : input.value("points").toArray()) {
        QJsonObject point = p.toObject();
        point["reference"] = convert(point.value("reference"));
        QJsonArray devices;
        for (const QJsonValue &d : point.value("devices").toArray())
            devices << convert(d);
        point["devices"] = devices;
        points << point;
    }
    out["points"] = points;
    return out;
}

// What does not depend on the units: per column the errors, the largest, the verdict and the
// variation; per point the uncertainty in kPa and in percent of the range.
QJsonObject unitFree(const QJsonObject &expected)
{
    QJsonArray uncertainties;
    for (const QJsonValue &u : expected.value("uncertainties").toArray())
        uncertainties << QJsonArray{u.toArray().at(0), u.toArray().at(1)};
    return QJsonObject{{"columns", expected.value("columns")}, {"uncertainties", uncertainties}};
}

}

class TestStoredResults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void errorAtLimitPassesOnPageAndInProtocol();
    void unitsChangedAfterRunKeepResults();

private:
    TabVerification *runPage() const { return TabVerification::instance; }
    // Steps the settings page's display units to the entry of the unit with the arrow keys.
    void chooseUnits(int units);
    // Writes the protocol of document set 1 and checks it against expected; *read gets what
    // openpyxl made of it.
    void writeAndCheck(const QString &name, int devices, const QJsonObject &expected, QJsonObject *read = nullptr);
    // The run page's result texts and colours, device by device.
    QStringList pageResults() const;

    std::unique_ptr<TestSupport::Workstation> m_station;
    QTemporaryDir m_protocols;
};

void TestStoredResults::initTestCase()
{
    QSettings stored(QCoreApplication::applicationDirPath() + "/conf.ini", QSettings::IniFormat);
    stored.setValue(QStringLiteral("prUnits"), int(UnitKPa));
    stored.setValue(QStringLiteral("prDecimals"), 2);
    stored.sync();

    QVERIFY(m_protocols.isValid());
    QvtTransducerState state;
    state.unitsCode = 1;   // kPa
    m_station.reset(new TestSupport::Workstation(state));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    // The verification parameters are shown once the transducer is connected.
    QVERIFY(m_station->connectTransducer());
    ProtocolSetup::setTexts();
    Settings::instance->protocolPath()->setValue(m_protocols.path());
    Settings::instance->documentSet()->setValue(1);
}

void TestStoredResults::init()
{
    QCOMPARE(TAIR::instance->prUnits->value(), int(UnitKPa));
}

void TestStoredResults::chooseUnits(int units)
{
    m_station->window()->tabWidget()->setCurrentWidget(TabSettings::instance);
    auto *box = TestSupport::editorOf<QComboBox>(TabSettings::instance->parametersGroup(), TAIR::instance->prUnits);
    TestSupport::chooseByKeys(box, units);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(TAIR::instance->prUnits->value(), units);
    QCOMPARE(QApplication::focusWidget(), box);
}

void TestStoredResults::writeAndCheck(const QString &name, int devices, const QJsonObject &expected,
                                      QJsonObject *read)
{
    QVERIFY2(ExcelSaver::instance->makeProtocol(name), qPrintable(ExcelSaver::instance->lastError()));
    const QString source = Settings::instance->templateFor(1, Verification::instance->prVerificationMode->value());
    ProtocolCheck::verifyResults(source, m_protocols.filePath(name + QStringLiteral(".xlsx")), 1, devices, expected, read);
}

QStringList TestStoredResults::pageResults() const
{
    QStringList results;
    for (int device = 0; device < Conditions::instance->prVrDeviceCount->value(); ++device) {
        results << runPage()->errorText(device) + QLatin1Char(' ') + baseColour(runPage()->errorCell(device)).name()
                       + QLatin1Char(' ') + runPage()->variationText(device);
    }
    return results;
}

// 0..100 kPa, class 1, coefficient 0.8: 0,80 % allowed. The first gauge reads 25.8 at 25, the
// second 75.8 at 75 (errors of 0.80000000000000071 and 0.79999999999999716 in binary), the third
// 50.81 at 50.
void TestStoredResults::errorAtLimitPassesOnPageAndInProtocol()
{
    const double nominals[9] = {0, 25, 50, 75, 100, 75, 50, 25, 0};
    QJsonArray points;
    for (int row = 0; row < 9; ++row) {
        const double n = nominals[row];
        points << QJsonObject{{"reference", QJsonValue()},
                              {"devices", QJsonArray{row == 1 ? 25.8 : n, row == 3 ? 75.8 : n, row == 2 ? 50.81 : n}},
                              {"history", QJsonArray{n, n + 0.01, n}}};
    }
    const QJsonObject input{{"name", "errors at the limit"}, {"units", int(UnitKPa)}, {"min", 0.0}, {"max", 100.0},
                            {"step", 25.0}, {"method", 1}, {"accuracyClass", "1"}, {"coefficient", 0.8},
                            {"division", 1.0}, {"devices", 3}, {"points", points}};
    QVERIFY(VerificationFixture::enter(input));
    const QJsonObject expected = VerificationFixture::evaluate(input);
    const QJsonArray columns = expected.value("columns").toArray();
    QCOMPARE(columns.size(), 4);
    for (int device = 1; device <= 3; ++device)
        QCOMPARE(columns.at(device).toObject().value("verdict").toString(),
                 device < 3 ? QStringLiteral("соответствует") : QStringLiteral("не соответствует"));

    const QString green = QColor(Qt::green).name();
    const QString red = QColor(Qt::red).name();
    QCOMPARE(pageResults(), (QStringList{"0,80 " + green + " 0,80", "0,80 " + green + " 0,80", "0,81 " + red + " 0,81"}));

    QJsonObject read;
    writeAndCheck(QStringLiteral("на пределе"), 3, expected, &read);
    // The verdicts as the certificate of each gauge words them.
    for (int device = 1; device <= 3; ++device) {
        const QJsonObject cells = XlsxCheck::cells(read, QStringLiteral("Свидетельство Прибор %1").arg(device));
        QStringList verdicts;
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            const QString v = it.value().toObject().value("v").toString();
            if (v.contains(QStringLiteral("признано")))
                verdicts << v;
        }
        QCOMPARE(verdicts.size(), 1);
        QCOMPARE(verdicts.first().contains(QStringLiteral("признано не соответствующим")), device == 3);
    }
}

// A method-B run of four gauges entered in kPa (the second gauge fails), then MPa and Pa chosen
// on the settings page: the range, the step and the scale division keep their meaning, and the
// page, the model and the protocol give every result as before, with the pressures in the new
// units.
void TestStoredResults::unitsChangedAfterRunKeepResults()
{
    const QJsonObject fixture = ProtocolSetup::fixture(QStringLiteral("verifications.json")).at(1).toObject();
    QCOMPARE(fixture.value("units").toInt(), int(UnitMPa));
    const QJsonObject run = inUnits(fixture, UnitKPa);
    QVERIFY(VerificationFixture::enter(run));
    // The settings page shows what was entered, as if typed there.
    TabSettings::instance->refreshAllFields();
    const int devices = run.value("devices").toInt();
    const QStringList page = pageResults();
    QCOMPARE(page.size(), 4);
    QVERIFY(page.at(1).contains(QColor(Qt::red).name()));
    QVERIFY(page.at(0).contains(QColor(Qt::green).name()));
    const QJsonObject results = unitFree(VerificationFixture::evaluate(run));
    // The fixture's committed expectations, worked out in MPa.
    QCOMPARE(results, unitFree(ProtocolSetup::expected(1)));
    writeAndCheck(QStringLiteral("кПа"), devices, VerificationFixture::evaluate(run));

    struct Stage
    {
        int units;
        double min, max, step, division;
        QString interval;
    };
    const Stage stages[] = {{UnitMPa, 0, 1.6, 0.4, 0.02, QStringLiteral("от 0 до 1,6 МПа")},
                            // 20 kPa is more than the division's field holds in Pa: 1000.
                            {UnitPa, 0, 1.6e6, 4e5, 1000, QStringLiteral("от 0 до 1,6e+06 Па")}};
    const Verification *verification = Verification::instance;
    for (const Stage &stage : stages) {
        chooseUnits(stage.units);
        if (stage.units == UnitMPa)
            qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(m_station->window(),
                                                                          QStringLiteral("settings_units_after_run"))));

        // The page shows the results it showed, and works them out again alike.
        QCOMPARE(pageResults(), page);
        runPage()->onTableDataChanged();
        QCOMPARE(pageResults(), page);

        // The same run, as the operator would have entered it in these units.
        const QJsonObject expected = VerificationFixture::evaluate(inUnits(run, stage.units));
        QCOMPARE(unitFree(expected), results);
        QJsonObject read;
        const QString name = TAIR::instance->prUnits->valueText();
        writeAndCheck(name, devices, expected, &read);
        const QJsonObject cells = XlsxCheck::cells(read, QStringLiteral("Протокол"));
        QStringList intervals;
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            const QString v = it.value().toObject().value("v").toString();
            if (v.startsWith(QStringLiteral("от ")))
                intervals << v;
        }
        QCOMPARE(intervals, QStringList{stage.interval});

        QCOMPARE(verification->prMinValue->value(), stage.min);
        QCOMPARE(verification->prMaxValue->value(), stage.max);
        QCOMPARE(verification->prStep->value(), stage.step);
        QCOMPARE(Conditions::instance->prIndicatorStep->value(), stage.division);
    }
    chooseUnits(UnitKPa);
    QCOMPARE(verification->prMaxValue->value(), 1600.0);
    QCOMPARE(Conditions::instance->prIndicatorStep->value(), 1.0);
    QCOMPARE(pageResults(), page);
}

APPDIR_TEST_MAIN(TestStoredResults)

#include "tst_storedresults.moc"
