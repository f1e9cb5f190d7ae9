// The operator's working day in-process, on the X server of xsession.sh (xcb platform): the
// whole workstation with the simulated transducer, Qt Test input on the real main window.
// Connect; enter the conditions and two devices under test; a method-A verification through
// all points with the simulator's pressure set for each, during which the transducer goes
// silent, answers garbage and answers with a bad checksum before it comes back; a protocol from
// each built-in template, listed and opened; exit, after which conf.ini holds what was entered.
// Leaves pictures of the pages in <build>/screenshots/acceptance-*.png.
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/MessageNamePick.h"
#include "Documents/TabProtocols.h"
#include "Interface/Application.h"
#include "Interface/MainWindow.h"
#include "Interface/MeasureDisplay.h"
#include "Interface/Tab/TabGraph.h"
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

#include <QApplication>
#include <QProcess>
#include <cmath>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
constexpr int LongWaitMs = 60000;

// Keys for each character, Cyrillic too (QTest::keyClicks takes Latin-1 only).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}
}

// Records what the page asks the desktop to open.
class DesktopStandIn : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

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
    void exitKeepsTheEntries();

private:
    MainWindow *window() const { return m_station->window(); }
    TabVerification *runPage() const { return TabVerification::instance; }
    VrPointsModel *model() const { return VrPointsModel::instance; }
    // Types text into the line editor of the parameter's field on the settings page.
    void type(HAbstractParametr *parametr, const QString &text);
    // The simulator shows this pressure and the transducer's history holds two readings of it.
    QStringList messageTexts() const;
    void shot(const QString &name) { TestSupport::saveScreenshot(window(), QStringLiteral("acceptance-") + name); }
    QList<QVariant> storedReadings() const;

    std::unique_ptr<TestSupport::Workstation> m_station;
    QTemporaryDir m_protocols;
    DesktopStandIn m_desktop;
    bool m_broken = false;
};

void TestWorkday::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(m_protocols.isValid());
    QvtTransducerState state;
    state.unitsCode = 1;   // kPa
    state.lowerLimit = 0.0f;
    state.upperLimit = 1000.0f;
    m_station.reset(new TestSupport::Workstation(state));
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
    conditions->prVrDeviceCount->setValue(2);
    TabSettings::instance->applyFieldChange(TabSettings::FieldDeviceCount);
    VrDevice *first = conditions->vrDevices.at(0);
    VrDevice *second = conditions->vrDevices.at(1);
    type(first->prName, QStringLiteral("Манометр МП4-У"));
    type(first->prSerial, QStringLiteral("A-1001"));
    TabSettings::instance->deviceTabs()->setCurrentIndex(1);
    type(second->prName, QStringLiteral("Манометр ДМ 02"));
    type(second->prSerial, QStringLiteral("B-2002"));
    QCOMPARE(conditions->prConditionsVrName->value(), QStringLiteral("Сидорова А. В."));
    QCOMPARE(first->prName->value(), QStringLiteral("Манометр МП4-У"));
    QCOMPARE(second->prSerial->value(), QStringLiteral("B-2002"));

    // The verification: 0 to 100 kPa by 25, method A, class 0,4, two decimals.
    TAIR::instance->prUnits->setValue(UnitKPa);
    TabSettings::instance->applyFieldChange(TabSettings::FieldUnits);
    Verification::instance->prVerificationMode->setValue(0);
    TabSettings::instance->applyFieldChange(TabSettings::FieldMethod);
    Verification::instance->prMinValue->setValue(0);
    Verification::instance->prMaxValue->setValue(100);
    Verification::instance->prStep->setValue(25);
    Settings::instance->decimals()->setValue(2);
    emit Settings::instance->decimalsChanged();
    TabSettings::instance->refreshAllFields();
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
    Settings::instance->protocolPath()->setValue(m_protocols.path());
    QTest::mouseClick(runPage()->protocolsButton(), Qt::LeftButton);
    TabProtocols *page = TabProtocols::instance;
    QTRY_VERIFY(page && page->isVisible());
    page->processFieldEdited(TabProtocols::FieldProtocolPath);

    struct Document { int set; int method; QString name; };
    const QList<Document> documents = {{0, 0, QStringLiteral("Калибровка А")}, {1, 0, QStringLiteral("Поверка А")},
                                       {0, 1, QStringLiteral("Калибровка Б")}, {1, 1, QStringLiteral("Поверка Б")}};
    for (const Document &d : documents) {
        Settings::instance->documentSet()->setValue(d.set);
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
        // The independent reader opens it and finds what was entered.
        QProcess python;
        python.start(TestSupport::python(),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, openpyxl\n"
                                     "wb = openpyxl.load_workbook(sys.argv[1])\n"
                                     "print('\\n'.join(str(c.value) for ws in wb for row in ws.iter_rows() for c in row if c.value is not None))"),
                      file});
        QVERIFY(python.waitForFinished(LongWaitMs));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        const QString cells = QString::fromUtf8(python.readAllStandardOutput());
        QVERIFY2(cells.contains(QStringLiteral("A-1001")), qPrintable(d.name));
        QVERIFY2(cells.contains(QStringLiteral("Сидорова А. В.")), qPrintable(d.name));
        QVERIFY2(!cells.contains(QLatin1Char('&')), qPrintable(d.name + QStringLiteral(": a placeholder left unfilled")));
    }
    Verification::instance->prVerificationMode->setValue(0);
    shot(QStringLiteral("protocols"));

    // Listed, and opened through the desktop from the list.
    QTableView *table = page->fileTable();
    QCOMPARE(table->model()->rowCount(), 4);
    const QModelIndex first = table->model()->index(0, 0);
    table->setCurrentIndex(first);
    m_desktop.opened.clear();
    QTest::mouseClick(page->button(TabProtocols::ButtonOpenFile), Qt::LeftButton);
    QCOMPARE(m_desktop.opened.size(), 1);
    QCOMPARE(m_desktop.opened.first().toLocalFile(), m_protocols.filePath(first.data().toString()));
    QTest::mouseClick(page->button(TabProtocols::ButtonBack), Qt::LeftButton);
    QTRY_VERIFY(!page->isVisible());
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
    QCOMPARE(conf.value(QStringLiteral("prProtocolPath")).toString(), m_protocols.path());
    QSettings qvt(QCoreApplication::applicationDirPath() + QStringLiteral("/QvtSettings/12345678.ini"), QSettings::IniFormat);
    QCOMPARE(qvt.value(QStringLiteral("prOwner")).toString(), QStringLiteral("ФБУ Тест-С"));
}

int main(int argc, char **argv)
{
    const int parent = TestSupport::runInTemporaryAppDir(argc, argv, QStringLiteral("workday"));
    if (parent >= 0)
        return parent;
    QApplication app(argc, argv);
    TestWorkday test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_workday.moc"
