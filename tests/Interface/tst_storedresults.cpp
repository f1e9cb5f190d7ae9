// The results of a stored run, as the run page shows them and the protocol prints them, in the
// main window with the simulated transducer: an error equal to its limit passes in both, one
// shown digit above it fails in both. The protocols are read back with openpyxl and checked
// against fixtures/expected.py.
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

}

class TestStoredResults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void errorAtLimitPassesOnPageAndInProtocol();

private:
    TabVerification *runPage() const { return TabVerification::instance; }
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

APPDIR_TEST_MAIN(TestStoredResults)

#include "tst_storedresults.moc"
