// The operator's working day in-process, on the X server of xsession.sh (xcb platform): the
// whole workstation with the simulated transducer, Qt Test input on the real main window.
// Connect; enter the conditions and two devices under test; a method-A verification through
// all points with the simulator's pressure set for each, during which the transducer goes
// silent, answers garbage and answers with a bad checksum before it comes back; a protocol from
// each built-in template, its cells checked against the fixtures' script worked out from the
// stored readings, listed and opened; a device card saved and loaded into another device tab;
// a zero trim; a two-point trim; exit, after which conf.ini holds what was entered.
// Leaves pictures of the pages in <build>/screenshots/acceptance-*.png.
#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/MessageNamePick.h"
#include "Documents/ModelDeviceConf.h"
#include "Documents/ModelProtocols.h"
#include "Documents/TabDeviceConfig.h"
#include "Documents/TabProtocols.h"
#include "Interface/Application.h"
#include "Interface/LinenPlot.h"
#include "Interface/MainWindow.h"
#include "Interface/MeasureDisplay.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/EditField.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Messages.h"
#include "Modal.h"
#include "ProtocolCheck.h"
#include "QvtControl.h"
#include "QvtSimulator.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Verification/VrPointsModel.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/MessageBox.h"
#include "Workstation.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include <memory>

namespace {
constexpr int LongWaitMs = 60000;

// Keys for each character, Cyrillic too (QTest::keyClicks takes Latin-1 only).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Clicks a tab of a tab bar as the operator does.
bool clickTab(QTabWidget *tabs, int index)
{
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    return tabs->currentIndex() == index;
}
}

class TestWorkday : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void connectAndEnter();
    void verificationThroughFaults();
    void protocolFromEachTemplate();
    void deviceCardIntoAnotherTab();
    void zeroTrimFromRunPage();
    void twoPointTrim();
    void exitKeepsTheEntries();

private:
    MainWindow *window() const { return m_station->window(); }
    TabVerification *runPage() const { return TabVerification::instance; }
    VrPointsModel *model() const { return VrPointsModel::instance; }
    // Types text into the line editor of the parameter's field on the settings page.
    void type(HAbstractParametr *parametr, const QString &text);
    // Types a number into the spin box of the parameter's field on the settings page.
    void typeNumber(HAbstractParametr *parametr, const QString &text);
    // Steps the enumeration box of the parameter's field on the settings page to the entry id
    // with the arrow keys.
    void choose(HAbstractParametr *parametr, int id, QWidget *in = nullptr);
    void showPage(QWidget *page);
    // The device-card page opened from the device tab.
    TabDeviceConfig *openCards(int tab);
    // The run in the points model in the fixtures' form, and what their script works out for it.
    QJsonObject runAsFixture() const;
    QJsonObject expectedOf(const QJsonObject &run);
    QStringList messageTexts() const;
    void shot(const QString &name) { TestSupport::saveScreenshot(window(), QStringLiteral("acceptance-") + name); }
    QList<QVariant> storedReadings() const;

    std::unique_ptr<TestSupport::Workstation> m_station;
    QTemporaryDir m_protocols;
    QTemporaryDir m_cards;
    TestSupport::DesktopStandIn m_desktop;
    bool m_broken = false;
};

void TestWorkday::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(m_protocols.isValid());
    QVERIFY(m_cards.isValid());
    m_station.reset(new TestSupport::Workstation(TestSupport::Workstation::kPaTransducer()));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_desktop, "open");
}

void TestWorkday::init()
{
    if (m_broken)
        QSKIP("an earlier step failed");
}

void TestWorkday::cleanup()
{
    if (QTest::currentTestFailed()) {
        m_broken = true;
        shot(QStringLiteral("failed"));
    }
}

void TestWorkday::type(HAbstractParametr *parametr, const QString &text)
{
    for (EditField *field : TabSettings::instance->findChildren<EditField *>()) {
        if (field->parametr() != parametr)
            continue;
        QLineEdit *line = field->findChild<QLineEdit *>();
        QVERIFY(line);
        QVERIFY(line->isVisible() && line->isEnabled());
        line->setFocus(Qt::TabFocusReason);
        line->selectAll();
        typeText(line, text);
        QTest::keyClick(line, Qt::Key_Tab);
        return;
    }
    QFAIL("no field of the parameter on the settings page");
}

void TestWorkday::typeNumber(HAbstractParametr *parametr, const QString &text)
{
    auto *box = TestSupport::editorOf<QAbstractSpinBox>(TabSettings::instance, parametr);
    QVERIFY(box);
    QVERIFY(box->isVisible() && box->isEnabled());
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Tab);
}

void TestWorkday::choose(HAbstractParametr *parametr, int id, QWidget *in)
{
    TestSupport::chooseByKeys(TestSupport::editorOf<QComboBox>(in ? in : TabSettings::instance, parametr), id);
}

void TestWorkday::showPage(QWidget *page)
{
    QVERIFY(clickTab(window()->tabWidget(), window()->tabWidget()->indexOf(page)));
    QTRY_VERIFY(page->isVisible());
}

TabDeviceConfig *TestWorkday::openCards(int tab)
{
    if (!clickTab(TabSettings::instance->deviceTabs(), tab))
        return nullptr;
    HButton *cards = TestSupport::buttonOf(TabSettings::instance->deviceTabs()->currentWidget(), TabSettings::ButtonDeviceCards);
    if (!cards || !cards->isVisible())
        return nullptr;
    QTest::mouseClick(cards, Qt::LeftButton);
    TabDeviceConfig *page = TabDeviceConfig::instance;
    return page && page->isVisible() ? page : nullptr;
}

QJsonObject TestWorkday::runAsFixture() const
{
    const Verification *verification = Verification::instance;
    const Conditions *conditions = Conditions::instance;
    const int devices = conditions->prVrDeviceCount->value();
    const auto reading = [this](int row, int column) {
        const QVariant v = model()->data(model()->index(row, column), Qt::EditRole);
        return v.userType() == QMetaType::Double ? QJsonValue(v.toDouble()) : QJsonValue();
    };
    QJsonArray points;
    for (int row = 0; row < model()->pointCount(); ++row) {
        QJsonArray readings;
        for (int k = 0; k < devices; ++k)
            readings << reading(row, 2 + k);
        points << QJsonObject{{"reference", reading(row, 1)}, {"devices", readings}, {"history", QJsonArray()}};
    }
    return QJsonObject{{"name", QStringLiteral("the operator's day")},
                       {"units", TAIR::instance->prUnits->value()},
                       {"min", verification->prMinValue->value()},
                       {"max", verification->prMaxValue->value()},
                       {"step", verification->prStep->value()},
                       {"method", verification->prVerificationMode->value()},
                       {"accuracyClass", conditions->prConditionsVrClassTpye->valueText()},
                       {"coefficient", conditions->prVrCoeff->value()},
                       {"division", conditions->prIndicatorStep->value()},
                       {"devices", devices},
                       {"points", points}};
}

QJsonObject TestWorkday::expectedOf(const QJsonObject &run)
{
    QJsonObject expected = VerificationFixture::evaluate(run);
    // The uncertainties come from readings the page took from the transducer's history: the
    // check asks only for a number there.
    expected.remove(QStringLiteral("uncertainties"));
    return expected;
}

QStringList TestWorkday::messageTexts() const
{
    QStringList texts;
    for (MessageBox *box : window()->findChildren<MessageBox *>(QString(), Qt::FindDirectChildrenOnly))
        texts << box->textLabel()->text();
    return texts;
}

QList<QVariant> TestWorkday::storedReadings() const
{
    QList<QVariant> values;
    for (int row = 0; row < model()->rowCount(); ++row)
        for (int column = 1; column < model()->columnCount(); ++column)
            values << model()->data(model()->index(row, column), Qt::EditRole);
    return values;
}

void TestWorkday::connectAndEnter()
{
    shot(QStringLiteral("settings-disconnected"));
    QVERIFY(m_station->connectTransducer());
    QVERIFY(TAIR::instance->isConnected());
    window()->tabWidget()->setCurrentWidget(TabSettings::instance);

    Conditions *conditions = Conditions::instance;
    type(conditions->prConditionsVrName, QStringLiteral("Сидорова А. В."));
    type(conditions->prTemperature, QStringLiteral("21"));
    type(conditions->prHumidity, QStringLiteral("45"));
    type(conditions->prPressure, QStringLiteral("752"));
    type(TAIR::instance->prOwner, QStringLiteral("ФБУ Тест-С"));
    // Two devices; the second tab opens for them.
    choose(conditions->prVrDeviceCount, 2);
    QVERIFY(TabSettings::instance->deviceTabs()->isTabEnabled(1));
    QVERIFY(!TabSettings::instance->deviceTabs()->isTabEnabled(2));
    VrDevice *first = conditions->vrDevices.at(0);
    VrDevice *second = conditions->vrDevices.at(1);
    type(first->prName, QStringLiteral("Манометр МП4-У"));
    type(first->prSerial, QStringLiteral("A-1001"));
    QVERIFY(clickTab(TabSettings::instance->deviceTabs(), 1));
    type(second->prName, QStringLiteral("Манометр ДМ 02"));
    type(second->prSerial, QStringLiteral("B-2002"));
    QCOMPARE(conditions->prConditionsVrName->value(), QStringLiteral("Сидорова А. В."));
    QCOMPARE(first->prName->value(), QStringLiteral("Манометр МП4-У"));
    QCOMPARE(second->prSerial->value(), QStringLiteral("B-2002"));

    // The verification: 0 to 100 kPa by 25, method A, class 0,4, two decimals.
    choose(TAIR::instance->prUnits, UnitKPa);
    choose(Verification::instance->prVerificationMode, 0);
    typeNumber(Verification::instance->prMinValue, QStringLiteral("0"));
    typeNumber(Verification::instance->prMaxValue, QStringLiteral("100"));
    typeNumber(Verification::instance->prStep, QStringLiteral("25"));
    typeNumber(Settings::instance->decimals(), QStringLiteral("2"));
    QCOMPARE(TAIR::instance->prUnits->value(), int(UnitKPa));
    QCOMPARE(Verification::instance->prMinValue->value(), 0.0);
    QCOMPARE(Verification::instance->prMaxValue->value(), 100.0);
    QCOMPARE(Verification::instance->prStep->value(), 25.0);
    QCOMPARE(Settings::instance->decimals()->value(), 2);
    QCOMPARE(conditions->prConditionsVrClassTpye->valueText(), QStringLiteral("0,4"));
    shot(QStringLiteral("settings-entered"));
}

void TestWorkday::verificationThroughFaults()
{
    window()->tabWidget()->setCurrentWidget(runPage());
    QTRY_VERIFY(runPage()->startButton()->isVisible());
    QTest::mouseClick(runPage()->startButton(), Qt::LeftButton);
    QTRY_COMPARE(Verification::instance->state(), 0);
    QCOMPARE(model()->pointCount(), 9);
    shot(QStringLiteral("run-started"));

    const double nominal[9] = {0, 25, 50, 75, 100, 75, 50, 25, 0};
    // The gauges' pointers reach each mark with the reference a little off it.
    const double offset[9] = {0.02, 0.11, -0.07, 0.15, -0.12, 0.09, -0.05, 0.06, 0.01};
    const char *faults[3] = {"silent", "garbage", "badcrc"};
    for (int row = 0; row < 9; ++row) {
        QCOMPARE(model()->currentRow, row);
        QVERIFY(m_station->settle(nominal[row] + offset[row], false));
        if (row >= 2 && row <= 4) {
            // The transducer fails for a while: the readings are "no answer", the operator's
            // presses store nothing, the run goes on, and nothing entered or stored changes.
            const QList<QVariant> before = storedReadings();
            const QString name = Conditions::instance->vrDevices.at(0)->prName->value();
            QVERIFY(QvtControl::execute(*m_station->simulator(), QLatin1String(faults[row - 2])).ok);
            QTRY_VERIFY_WITH_TIMEOUT(Measure::instance->reading().status != 0, LongWaitMs);
            QVERIFY(m_station->waitForReadings(1));
            QTRY_COMPARE_WITH_TIMEOUT(TabGraph::instance->measureDisplay()->measuredField()->text(),
                                      QStringLiteral("ЦРЗ не отвечает"), LongWaitMs);
            if (row == 2)
                shot(QStringLiteral("run-silent"));
            QTest::mouseClick(runPage()->deviceButton(0), Qt::LeftButton);
            QCOMPARE(storedReadings(), before);
            QCOMPARE(model()->currentRow, row);
            QCOMPARE(Verification::instance->state(), 0);
            QVERIFY(TAIR::instance->isConnected());
            QCOMPARE(Conditions::instance->vrDevices.at(0)->prName->value(), name);
            // A failed reading is not a message.
            QVERIFY(messageTexts().isEmpty());
            QVERIFY(QvtControl::execute(*m_station->simulator(), QStringLiteral("answer")).ok);
            QVERIFY(m_station->settle(nominal[row] + offset[row], false));
        }
        QVERIFY(runPage()->deviceButton(0)->isVisible());
        QVERIFY(runPage()->deviceButton(1)->isVisible());
        QTest::mouseClick(runPage()->deviceButton(0), Qt::LeftButton);
        QTest::mouseClick(runPage()->deviceButton(1), Qt::LeftButton);
    }
    // The last pair of presses ends the run.
    QTRY_COMPARE(Verification::instance->state(), 1);
    for (int row = 0; row < 9; ++row)
        for (int column : {2, 3})
            QCOMPARE(model()->data(model()->index(row, column), Qt::EditRole).toDouble(),
                     std::round((nominal[row] + offset[row]) * 100) / 100);
    QVERIFY(runPage()->errorText(0) != QStringLiteral("-"));
    QVERIFY(runPage()->variationText(1) != QStringLiteral("-"));
    QVERIFY(messageTexts().isEmpty());
    // Conditions read by the button only: what was typed stays through the run.
    QCOMPARE(Conditions::instance->prReadConditions->value(), 0);
    QCOMPARE(Conditions::instance->prTemperature->value(), QStringLiteral("21"));
    shot(QStringLiteral("run-finished"));
}

void TestWorkday::protocolFromEachTemplate()
{
    // What the fixtures' own script works out from the readings the run stored.
    const QJsonObject expected = expectedOf(runAsFixture());
    QVERIFY(!expected.value(QStringLiteral("columns")).toArray().isEmpty());

    Settings::instance->protocolPath()->setValue(m_protocols.path());
    QTest::mouseClick(runPage()->protocolsButton(), Qt::LeftButton);
    TabProtocols *page = TabProtocols::instance;
    QTRY_VERIFY(page && page->isVisible());
    page->processFieldEdited(TabProtocols::FieldProtocolPath);

    // The method-B templates take the same readings: the method is switched under the run's
    // table, which stays as it is.
    struct Document { int set; int method; QString name; QString source; };
    const QList<Document> documents = {
        {0, 0, QStringLiteral("Калибровка А"), QStringLiteral("default_template_calibration_A.xlsx")},
        {1, 0, QStringLiteral("Поверка А"), QStringLiteral("default_template_verification_A.xlsx")},
        {0, 1, QStringLiteral("Калибровка Б"), QStringLiteral("default_template_calibration_B.xlsx")},
        {1, 1, QStringLiteral("Поверка Б"), QStringLiteral("default_template_verification_B.xlsx")},
        {2, 0, QStringLiteral("Свой шаблон"), QStringLiteral("custom_template.xlsx")}};
    QStringList written;
    for (const Document &d : documents) {
        choose(Settings::instance->documentSet(), d.set, page);
        Verification::instance->prVerificationMode->setValue(d.method);
        QTest::mouseClick(page->button(TabProtocols::ButtonSave), Qt::LeftButton);
        MessageNamePick *dialog = window()->findChild<MessageNamePick *>();
        QVERIFY(dialog);
        dialog->nameEdit()->selectAll();
        typeText(dialog->nameEdit(), d.name);
        QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!page->isSaving(), LongWaitMs);
        QVERIFY(m_station->waitUntilUnlocked());
        QVERIFY2(messageTexts().isEmpty(), qPrintable(messageTexts().join(QLatin1Char('\n'))));
        const QString file = m_protocols.filePath(d.name + QStringLiteral(".xlsx"));
        QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));
        written << d.name + QStringLiteral(".xlsx");
        // Read back by the independent reader: the expected values in the expected cells of
        // every sheet, and what was entered.
        QJsonObject read;
        ProtocolCheck::verifyResults(QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/") + d.source,
                                     file, d.set, 2, expected, &read);
        if (QTest::currentTestFailed())
            return;
        QStringList values;
        for (const QJsonValue &sheet : read.value(QStringLiteral("sheets")).toArray())
            for (const QJsonValue &cell : XlsxCheck::cells(read, sheet.toString()))
                values << cell.toObject().value(QStringLiteral("v")).toVariant().toString();
        const QString cells = values.join(QLatin1Char('\n'));
        QVERIFY2(cells.contains(QStringLiteral("A-1001")), qPrintable(d.name));
        QVERIFY2(cells.contains(QStringLiteral("Сидорова А. В.")), qPrintable(d.name));
        QVERIFY2(!cells.contains(QLatin1Char('&')), qPrintable(d.name + QStringLiteral(": a placeholder left unfilled")));
    }
    Verification::instance->prVerificationMode->setValue(0);
    choose(Settings::instance->documentSet(), 1, page);
    shot(QStringLiteral("protocols"));

    // Listed, and each opened through the desktop from the list; then the folder.
    QTableView *table = page->fileTable();
    QStringList listed = page->model()->fileNames();
    written.sort();
    listed.sort();
    QCOMPARE(listed, written);
    for (int row = 0; row < table->model()->rowCount(); ++row) {
        const QModelIndex index = table->model()->index(row, 0);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, table->visualRect(index).center());
        QCOMPARE(table->currentIndex().row(), row);
        m_desktop.opened.clear();
        QTest::mouseClick(page->button(TabProtocols::ButtonOpenFile), Qt::LeftButton);
        QCOMPARE(m_desktop.opened.size(), 1);
        QCOMPARE(m_desktop.opened.first().toLocalFile(), m_protocols.filePath(index.data().toString()));
    }
    m_desktop.opened.clear();
    QTest::mouseClick(page->button(TabProtocols::ButtonOpenFolder), Qt::LeftButton);
    QCOMPARE(m_desktop.opened.size(), 1);
    QCOMPARE(QDir(m_desktop.opened.first().toLocalFile()).canonicalPath(), QDir(m_protocols.path()).canonicalPath());
    QTest::mouseClick(page->button(TabProtocols::ButtonBack), Qt::LeftButton);
    QTRY_VERIFY(!page->isVisible());
}

void TestWorkday::deviceCardIntoAnotherTab()
{
    Settings::instance->deviceConfPath()->setValue(m_cards.path());
    showPage(TabSettings::instance);
    // A third gauge of the kind of the first.
    choose(Conditions::instance->prVrDeviceCount, 3);
    VrDevice *first = Conditions::instance->vrDevices.at(0);
    VrDevice *third = Conditions::instance->vrDevices.at(2);

    TabDeviceConfig *page = openCards(0);
    QVERIFY(page);
    QCOMPARE(page->device(), first);
    TestSupport::clickButton(page, TabDeviceConfig::ButtonSave);
    QTRY_COMPARE(page->model()->rowCount(), 1);
    QCOMPARE(QDir(m_cards.path()).entryList({QStringLiteral("*.devconf")}, QDir::Files),
             QStringList{QStringLiteral("1.devconf")});
    shot(QStringLiteral("device-cards"));
    TestSupport::clickButton(page, TabDeviceConfig::ButtonBack);
    QTRY_VERIFY(!page->isVisible());

    QCOMPARE(openCards(2), page);
    QCOMPARE(page->device(), third);
    QTableView *table = page->cardTable();
    const QModelIndex card = table->model()->index(0, 0);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, table->visualRect(card).center());
    QCOMPARE(table->currentIndex().row(), 0);
    TestSupport::clickButton(page, TabDeviceConfig::ButtonLoad);
    QTRY_VERIFY(page->isHidden());
    QCOMPARE(third->prName->value(), QStringLiteral("Манометр МП4-У"));
    QCOMPARE(third->prSerial->value(), QStringLiteral("A-1001"));
    // The settings page shows the card in the third tab; the other devices keep theirs.
    QWidget *tab = TabSettings::instance->deviceTabs()->widget(2);
    QCOMPARE(TestSupport::editorOf<QLineEdit>(tab, third->prName)->text(), QStringLiteral("Манометр МП4-У"));
    QCOMPARE(TestSupport::editorOf<QLineEdit>(tab, third->prSerial)->text(), QStringLiteral("A-1001"));
    QCOMPARE(Conditions::instance->vrDevices.at(1)->prSerial->value(), QStringLiteral("B-2002"));
    QCOMPARE(first->prSerial->value(), QStringLiteral("A-1001"));
    shot(QStringLiteral("settings-card-loaded"));
}

void TestWorkday::zeroTrimFromRunPage()
{
    showPage(runPage());
    // The transducer at rest shows 0,3 kPa.
    QVERIFY(m_station->settle(0.3, true));
    const float zeroBefore = m_station->simulator()->state().zeroCoefficient;
    QString question;
    TestSupport::answerNextMessageBox(QMessageBox::AcceptRole, &question);
    QVERIFY(runPage()->zeroTrimButton()->isEnabled());
    QTest::mouseClick(runPage()->zeroTrimButton(), Qt::LeftButton);
    QCOMPARE(question, QStringLiteral("Установить ноль ЦРЗ?"));
    QVERIFY(m_station->waitForTask(AirHandler::TaskZeroTrim));
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(TestSupport::takeMessageTexts(window()), QStringList{QStringLiteral("Подстройка нуля успешно завершена!")});
    // The mean of the readings is taken off the zero coefficient: the transducer shows 0.
    QVERIFY(std::abs(m_station->simulator()->state().zeroCoefficient - (zeroBefore - 0.3f)) < 1e-5f);
    Measure::instance->requestMeasurement();
    QVERIFY(m_station->waitForReadings(1));
    QVERIFY(std::abs(Measure::instance->reading().value) < 1e-4);
}

void TestWorkday::twoPointTrim()
{
    TabQvtSettings *page = TabQvtSettings::instance;
    showPage(page);
    QVERIFY(clickTab(page->nestedTabs(), page->nestedTabs()->indexOf(page->trimPanel())));
    const QvtTransducerState before = m_station->simulator()->state();
    QCOMPARE(before.tableCommits, 0);
    // The transducer reads 0,4 kPa at the lower limit (0) and 996,5 kPa at the upper one (1000).
    const float zero = before.zeroCoefficient;
    m_station->setPressure(0.4 - double(zero));
    TestSupport::clickButton(page->trimPanel(), TabQvtSettings::ButtonStart);
    QVERIFY(m_station->waitForTask(AirHandler::TaskReadTable));
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(page->trimState(), unsigned(TabQvtSettings::TrimLowPoint));
    QCOMPARE(TestSupport::takeMessageTexts(window()),
             QStringList{QStringLiteral("Установите давление, соответствующее нижнему диапазону ЦРЗ (0,000 кПа).")});
    TAIR *tair = TAIR::instance;
    // The measured value is the mean of the last readings: it settles once they all show 0,4.
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(tair->prTrimMeasuredLow->value() - 0.4) < 1e-4, LongWaitMs);
    TestSupport::clickButton(page->trimPanel(), TabQvtSettings::ButtonAcceptLow);
    QCOMPARE(page->trimState(), unsigned(TabQvtSettings::TrimHighPoint));
    QCOMPARE(TestSupport::takeMessageTexts(window()),
             QStringList{QStringLiteral("Установите давление, соответствующее верхнему диапазону ЦРЗ (1\u00A0000,000 кПа).")});

    m_station->setPressure(996.5 - double(zero));
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(tair->prTrimMeasuredHigh->value() - 996.5) < 1e-3, LongWaitMs);
    shot(QStringLiteral("trim-high-point"));
    TestSupport::clickButton(page->trimPanel(), TabQvtSettings::ButtonAcceptHigh);
    QCOMPARE(page->trimState(), unsigned(TabQvtSettings::TrimReadyToWrite));

    QString question;
    TestSupport::answerNextMessageBox(QMessageBox::AcceptRole, &question);
    TestSupport::clickButton(page->trimPanel(), TabQvtSettings::ButtonWrite);
    QCOMPARE(question, QStringLiteral("Записать градуировочные коэффициэнты в ЦРЗ?"));
    QVERIFY(m_station->waitForTask(AirHandler::TaskWriteTable));
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(page->trimState(), unsigned(TabQvtSettings::TrimIdle));
    QCOMPARE(TestSupport::takeMessageTexts(window()), QStringList{QStringLiteral("Подстройка успешно завершена.")});
    const QvtTransducerState after = m_station->simulator()->state();
    QCOMPARE(after.tableCommits, 1);
    QVERIFY(after.calibrationTable != before.calibrationTable);

    // The live graph has followed the trim.
    showPage(TabGraph::instance);
    QVERIFY(TabGraph::instance->plot()->sampleCount() > 0);
    shot(QStringLiteral("graph"));
}

void TestWorkday::exitKeepsTheEntries()
{
    const QString confPath = QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini");
    QTest::keyClick(window(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(isShutdownDone());
    m_station->closeDown();
    QSettings conf(confPath, QSettings::IniFormat);
    QCOMPARE(conf.value(QStringLiteral("prConditionsVrName")).toString(), QStringLiteral("Сидорова А. В."));
    QCOMPARE(conf.value(QStringLiteral("0_dev->prSerial")).toString(), QStringLiteral("A-1001"));
    QCOMPARE(conf.value(QStringLiteral("1_dev->prName")).toString(), QStringLiteral("Манометр ДМ 02"));
    QCOMPARE(conf.value(QStringLiteral("2_dev->prSerial")).toString(), QStringLiteral("A-1001"));
    QCOMPARE(conf.value(QStringLiteral("prVrDeviceCount")).toInt(), 3);
    QCOMPARE(conf.value(QStringLiteral("prProtocolPath")).toString(), m_protocols.path());
    QSettings qvt(QCoreApplication::applicationDirPath() + QStringLiteral("/QvtSettings/12345678.ini"), QSettings::IniFormat);
    QCOMPARE(qvt.value(QStringLiteral("prOwner")).toString(), QStringLiteral("ФБУ Тест-С"));
}

APPDIR_TEST_MAIN_WITH(TestWorkday, QApplication, QStringLiteral("workday"))

#include "tst_workday.moc"
