// The verification settings page in the main window, offscreen, with the simulated transducer:
// connecting from the page, the transducer's identity and settings as the simulator holds them,
// reading and writing the settings, the zero trim, the reactions of the fields, the layouts by
// link and transducer version, the lock during a run, and the ambient conditions read through a
// stand-in exchange library beside the program. Leaves pictures of the page disconnected and
// connected in <build>/screenshots/.
#include "Devices/AirHandler.h"
#include "Devices/HidHandler.h"
#include "Devices/Measure.h"
#include "Devices/QiroTimings.h"
#include "Devices/TAIR.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Modal.h"
#include "Parameters/Dictionary.h"
#include "Parameters/EditField.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/PrField.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "QvtSimulator.h"
#include "QvtTransducer.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/MessageBox.h"
#include "Widgets/TabHolderWidget.h"
#include "Workstation.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest>

#include <cstring>

namespace {

// "command;parameter[;data]" as on the wire, without address and checksum: "37;1E", "38;24;F000".
QStringList ops(const QList<QByteArray> &frames)
{
    QStringList out;
    for (const QByteArray &frame : frames) {
        const QvtTransducer::Request r = QvtTransducer::parseRequest(frame);
        if (!r.valid)
            out << QStringLiteral("invalid ") + QString::fromLatin1(frame);
        else if (r.command == 0)
            out << QStringLiteral("0");
        else if (r.command == 38)
            out << QStringLiteral("38;%1;%2").arg(QString::number(r.parameter, 16).toUpper(),
                                                 QString::fromLatin1(r.data.toHex().toUpper()));
        else
            out << QStringLiteral("%1;%2").arg(r.command).arg(QString::number(r.parameter, 16).toUpper());
    }
    return out;
}

QString hexOf(float value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    std::memcpy(bytes.data(), &value, 4);
    return QString::fromLatin1(bytes.toHex().toUpper());
}

const QStringList ConnectFrames = {"0", "37;8C", "37;1E", "37;4C", "37;34"};
const QStringList ReadSettingsFrames = {"38;24;F000", "37;E", "37;C", "37;6F", "37;9E", "37;1C"};

}

class TestTabSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void disconnectedLayout();
    void connectFromPage();
    void twoClicksOnConnectRunOne();
    void readSettingsFromPage();
    void writeSettingsFromPage();
    void zeroTrimFromPage();
    void zeroTrimRefused();
    void pressDuringQuestionIgnored();
    void deviceCountEnablesTabs_data();
    void deviceCountEnablesTabs();
    void displayUnitsSuffix();
    void stepRule_data();
    void stepRule();
    void methodDescription();
    void clearThirdDevice();
    void formLockedDuringRun();
    void ambientRead_data();
    void ambientRead();
    void ambientReadAtStartAndStop();
    void sharedGroupsComeBack();
    void oldVersionLayout();
    void portSearchAndChoice();

private:
    PrField *fieldOf(const HAbstractParametr *parametr) const;
    template <class Editor>
    Editor *editorOf(const HAbstractParametr *parametr, int index = 0) const
    {
        PrField *field = fieldOf(parametr);
        if (!field)
            return nullptr;
        EditField *edit = field->editor() ? field->editor() : field->editors().value(index);
        return edit ? qobject_cast<Editor *>(edit->editor()) : nullptr;
    }
    // Picks the entry of an enumeration field by its item id, as a choice in the list does.
    void choose(const HAbstractParametr *parametr, int id);
    // Types over the editor's text, as the operator would.
    template <class Box>
    void typeInto(Box *box, const QString &text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    // The device settings panel, shown where it lives: on the transducer settings page.
    QWidget *panel();
    void clickAndWait(QWidget *in, int id, int task);
    QStringList frames() const { return ops(m_station->simulator()->requests()); }
    void clearFrames() { m_station->simulator()->clearRequests(); }
    // Waits long enough for the worker to take a request, then says whether any task ran.
    QList<int> tasksDuringIdleTurns();
    // Closes the messages shown over the window; returns the text of the last one.
    QString closeMessage();
    // Waits for a message over the window, then closes it.
    QString nextMessage();

    QvtTransducerState m_state;
    std::unique_ptr<TestSupport::Workstation> m_station;
    TabSettings *m_page = nullptr;
    QList<int> m_finished;
};

void TestTabSettings::initTestCase()
{
    // The stand-in meter library, beside the program where the reader looks for it.
    const QString library = QCoreApplication::applicationDirPath() + QLatin1Char('/')
                          + QFileInfo(QStringLiteral(STANDIN_LIBRARY)).fileName();
    QVERIFY(QFile::copy(QStringLiteral(STANDIN_LIBRARY), library));
    QiroTimings::averagePauseMs = 20;

    m_state.serialNumber = 20231107;
    m_state.unitsCode = 1;   // kPa
    m_state.lowerLimit = -100.0f;
    m_state.upperLimit = 600.0f;
    m_state.averageCount = 7;
    m_state.decimals = 2;
    m_state.unitsLanguage = 1;
    m_state.buzzerLevel = 80;
    m_state.softwareVersion = "QVT 3.01";
    m_state.pressure = 3.0;
    m_station.reset(new TestSupport::Workstation(m_state));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    m_page = TabSettings::instance;
    QVERIFY(m_page);
    connect(AirHandler::instance, &AirHandler::taskFinished, this, [this](int task) { m_finished << task; });
}

void TestTabSettings::init()
{
    m_station->window()->tabWidget()->setCurrentWidget(m_page);
    QTRY_VERIFY(m_page->linkGroup()->isVisible());
    QVERIFY(m_station->waitUntilUnlocked());
    closeMessage();
    clearFrames();
    m_finished.clear();
}

void TestTabSettings::cleanupTestCase()
{
    QiroTimings::restoreDefaults();
    m_station.reset();
}

PrField *TestTabSettings::fieldOf(const HAbstractParametr *parametr) const
{
    const QList<PrField *> fields = m_station->window()->findChildren<PrField *>();
    for (PrField *field : fields) {
        if (field->editor() && field->editor()->parametr() == parametr)
            return field;
        for (EditField *edit : field->editors()) {
            if (edit->parametr() == parametr)
                return field;
        }
    }
    return nullptr;
}

void TestTabSettings::choose(const HAbstractParametr *parametr, int id)
{
    auto *box = editorOf<QComboBox>(parametr);
    QVERIFY(box);
    const int index = box->findData(id);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
}

QWidget *TestTabSettings::panel()
{
    QWidget *panel = m_page->deviceSettingsPanel();
    m_station->window()->tabWidget()->setCurrentWidget(TabQvtSettings::instance);
    TabQvtSettings::instance->nestedTabs()->setCurrentWidget(panel);
    if (!QTest::qWaitFor([panel]() { return panel->isVisible(); }, TestSupport::Workstation::LongWaitMs))
        qWarning("the device settings panel was not shown");
    return panel;
}

void TestTabSettings::clickAndWait(QWidget *in, int id, int task)
{
    HButton *b = TestSupport::buttonOf(in, id);
    QVERIFY(b);
    QVERIFY(b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(m_station->waitForTask(task));
    QVERIFY(m_station->waitUntilUnlocked());
}

QList<int> TestTabSettings::tasksDuringIdleTurns()
{
    // A request is taken after the task in hand, an idle turn of 0.1 s: ten of them pass.
    QTest::qWait(10 * QiroTimings::idleSleepMs + 500);
    return m_finished;
}

QString TestTabSettings::closeMessage()
{
    QString text;
    const QList<MessageBox *> boxes = m_station->window()->findChildren<MessageBox *>();
    for (MessageBox *box : boxes) {
        text = box->textLabel()->text();
        delete box;
    }
    return text;
}

QString TestTabSettings::nextMessage()
{
    if (!QTest::qWaitFor([this]() { return !m_station->window()->findChildren<MessageBox *>().isEmpty(); },
                         TestSupport::Workstation::LongWaitMs))
        return QString();
    return closeMessage();
}

void TestTabSettings::disconnectedLayout()
{
    QVERIFY(!TAIR::instance->isConnected());
    QVERIFY(m_page->linkGroup()->isVisible());
    // The device settings panel has moved to the transducer settings page.
    QVERIFY(TabQvtSettings::instance->nestedTabs()->isAncestorOf(m_page->deviceSettingsPanel()));
    for (QWidget *hidden : std::initializer_list<QWidget *>{
             m_page->infoGroup(), m_page->conditionsGroup(), m_page->conductGroup(), m_page->devicesGroup(),
             m_page->methodGroup(), m_page->parametersGroup(), m_page->noteLabel()})
        QVERIFY(!hidden->isVisible());

    // The port search of start-up found the simulator's port and chose it (the last one).
    auto *ports = qobject_cast<QComboBox *>(m_page->portField()->editor()->editor());
    QVERIFY(ports);
    QCOMPARE(m_page->portField()->caption()->text(), QStringLiteral("COM порт:"));
    QCOMPARE(ports->currentText(), m_station->simulator()->portName());
    QCOMPARE(ports->currentIndex(), ports->count() - 1);

    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("settings_disconnected"))));
}

void TestTabSettings::connectFromPage()
{
    clickAndWait(m_page->linkGroup(), TabSettings::ButtonConnect, AirHandler::TaskReadSettings);
    QVERIFY(TAIR::instance->isConnected());
    QCOMPARE(frames(), ConnectFrames + ReadSettingsFrames);

    for (QWidget *shown : std::initializer_list<QWidget *>{
             m_page->linkGroup(), m_page->infoGroup(), m_page->conditionsGroup(), m_page->conductGroup(),
             m_page->devicesGroup(), m_page->methodGroup(), m_page->parametersGroup(), m_page->noteLabel()})
        QTRY_VERIFY(shown->isVisible());

    // The identity, range and settings as the simulator holds them.
    TAIR *tair = TAIR::instance;
    QCOMPARE(editorOf<QComboBox>(tair->prDeviceType)->currentText(), QStringLiteral("ЦРЗ-72"));
    QCOMPARE(editorOf<QLineEdit>(tair->prSerialNumber)->text(), QStringLiteral("20231107"));
    QCOMPARE(editorOf<QLineEdit>(tair->prRange)->text(), QStringLiteral("-100..600 кПа"));
    QCOMPARE(editorOf<QComboBox>(tair->prQvtModel)->currentText(), QStringLiteral("ZKX"));
    QCOMPARE(editorOf<QComboBox>(tair->prQvtModel)->count(), 1);
    QCOMPARE(editorOf<QLineEdit>(tair->prSoftwareVersion)->text(), QStringLiteral("QVT 3.01"));
    QCOMPARE(editorOf<QSpinBox>(tair->prAverageCount)->value(), 7);
    QCOMPARE(editorOf<QSpinBox>(tair->prDeviceDecimals)->value(), 2);
    QCOMPARE(editorOf<QSpinBox>(tair->prBuzzerLevel)->value(), 80);
    QCOMPARE(editorOf<QComboBox>(tair->prUnitsLanguage)->currentText(), QStringLiteral("Русский"));

    // A new-version transducer: read-only identity, no hand-entered units or limits.
    QVERIFY(!fieldOf(tair->prSerialNumber)->isEnabled());
    QVERIFY(!fieldOf(tair->prSoftwareVersion)->isEnabled());
    QVERIFY(!fieldOf(tair->prRange)->isEnabled());
    QVERIFY(fieldOf(tair->prOwner)->isEnabled());
    for (const HAbstractParametr *hidden : std::initializer_list<const HAbstractParametr *>{
             tair->prDeviceUnits, tair->prMin, tair->prMax})
        QVERIFY(fieldOf(hidden)->isHidden());

    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("settings_connected"))));
    // The whole page, as far as it scrolls.
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_page->holder(), QStringLiteral("settings_connected_whole"))));
}

// The window is locked as soon as the connect is asked for: a second click before the worker
// takes it runs no second connect (nor a second settings read and settings file).
void TestTabSettings::twoClicksOnConnectRunOne()
{
    HButton *connectButton = TestSupport::buttonOf(m_page->linkGroup(), TabSettings::ButtonConnect);
    QVERIFY(connectButton && connectButton->isEnabled());
    const int connects = m_station->connectedCount();
    QTest::mouseClick(connectButton, Qt::LeftButton);
    QVERIFY(!m_station->window()->isEnabled());
    QTest::mouseClick(connectButton, Qt::LeftButton);
    QVERIFY(m_station->waitForTask(AirHandler::TaskReadSettings));
    QVERIFY(m_station->waitUntilUnlocked());

    QCOMPARE(tasksDuringIdleTurns(), QList<int>({AirHandler::TaskConnect, AirHandler::TaskReadSettings}));
    QCOMPARE(frames(), ConnectFrames + ReadSettingsFrames);
    QCOMPARE(m_station->connectedCount(), connects + 1);
    QVERIFY(TAIR::instance->isConnected());
}

void TestTabSettings::readSettingsFromPage()
{
    m_station->simulator()->updateState([](QvtTransducerState &s) {
        s.averageCount = 9;
        s.buzzerLevel = 55;
        s.softwareVersion = "QVT 3.02";
    });
    clickAndWait(panel(), TabSettings::ButtonReadSettings, AirHandler::TaskReadSettings);
    QCOMPARE(frames(), ReadSettingsFrames);
    TAIR *tair = TAIR::instance;
    QCOMPARE(editorOf<QSpinBox>(tair->prAverageCount)->value(), 9);
    QCOMPARE(editorOf<QSpinBox>(tair->prBuzzerLevel)->value(), 55);
    QCOMPARE(editorOf<QLineEdit>(tair->prSoftwareVersion)->text(), QStringLiteral("QVT 3.02"));
}

void TestTabSettings::writeSettingsFromPage()
{
    TAIR *tair = TAIR::instance;
    typeInto(editorOf<QSpinBox>(tair->prAverageCount), QStringLiteral("15"));
    typeInto(editorOf<QSpinBox>(tair->prDeviceDecimals), QStringLiteral("1"));
    typeInto(editorOf<QSpinBox>(tair->prBuzzerLevel), QStringLiteral("100"));
    choose(tair->prUnitsLanguage, 0);
    QCOMPARE(tair->prAverageCount->value(), 15);

    clickAndWait(panel(), TabSettings::ButtonWriteSettings, AirHandler::TaskWriteSettings);
    QCOMPARE(frames(), QStringList({"38;E;0F", "38;C;01", "38;6F;00", "38;9E;64"}) + ReadSettingsFrames);
    const QvtTransducerState s = m_station->simulator()->state();
    QCOMPARE(int(s.averageCount), 15);
    QCOMPARE(int(s.decimals), 1);
    QCOMPARE(int(s.unitsLanguage), 0);
    QCOMPARE(int(s.buzzerLevel), 100);
    // What the transducer took is shown.
    QCOMPARE(editorOf<QSpinBox>(tair->prAverageCount)->value(), 15);
    QCOMPARE(editorOf<QComboBox>(tair->prUnitsLanguage)->currentText(), QStringLiteral("English"));
}

void TestTabSettings::zeroTrimFromPage()
{
    QString question;
    QStringList answers;
    TestSupport::handleNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        question = box->text();
        for (QAbstractButton *b : box->buttons())
            answers << b->text();
        TestSupport::clickButtonOfRole(box, QMessageBox::AcceptRole);
    });
    clickAndWait(panel(), TabSettings::ButtonZeroTrim, AirHandler::TaskZeroTrim);
    QCOMPARE(question, QStringLiteral("Установить ноль ЦРЗ?"));
    QCOMPARE(answers.size(), 2);
    QVERIFY(answers.contains(QStringLiteral("Установить")) && answers.contains(QStringLiteral("Отмена")));

    // The mean of five readings (3 kPa) taken off the zero coefficient.
    QStringList expected{"37;22"};
    for (int i = 0; i < 5; ++i)
        expected << "37;2";
    expected << "38;38;" + hexOf(-3.0f) << "38;22;" + hexOf(-3.0f);
    QCOMPARE(frames(), expected);
    QCOMPARE(m_station->simulator()->state().zeroCoefficient, -3.0f);
    QCOMPARE(nextMessage(), QStringLiteral("Подстройка нуля успешно завершена!"));
}

void TestTabSettings::zeroTrimRefused()
{
    bool asked = false;
    TestSupport::handleNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        asked = true;
        TestSupport::clickButtonOfRole(box, QMessageBox::RejectRole);
    });
    QTest::mouseClick(TestSupport::buttonOf(panel(), TabSettings::ButtonZeroTrim), Qt::LeftButton);
    QVERIFY(asked);
    QVERIFY(tasksDuringIdleTurns().isEmpty());
    QVERIFY(frames().isEmpty());
}

void TestTabSettings::pressDuringQuestionIgnored()
{
    bool asked = false;
    TestSupport::handleNextModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        asked = true;
        // Presses that reach the page while it waits for the answer, as from the run page's
        // zero-trim button: neither asks again nor requests anything.
        TestSupport::buttonOf(m_page->linkGroup(), TabSettings::ButtonConnect)->click();
        m_page->onButtonPressed();
        m_page->processButton(TabSettings::ButtonZeroTrim);
        QCOMPARE(QApplication::activeModalWidget(), box);
        box->reject();
    });
    QTest::mouseClick(TestSupport::buttonOf(panel(), TabSettings::ButtonZeroTrim), Qt::LeftButton);
    QVERIFY(asked);
    QVERIFY(tasksDuringIdleTurns().isEmpty());
    QVERIFY(frames().isEmpty());

    // The page hears its buttons again.
    clickAndWait(panel(), TabSettings::ButtonReadSettings, AirHandler::TaskReadSettings);
    QCOMPARE(frames(), ReadSettingsFrames);
}

void TestTabSettings::deviceCountEnablesTabs_data()
{
    QTest::addColumn<int>("count");
    for (int count : {2, 1, 4, 3})
        QTest::addRow("%d devices", count) << count;
}

void TestTabSettings::deviceCountEnablesTabs()
{
    QFETCH(int, count);
    choose(Conditions::instance->prVrDeviceCount, count);
    QCOMPARE(Conditions::instance->prVrDeviceCount->value(), count);
    for (int i = 0; i < TabSettings::DeviceCount; ++i)
        QCOMPARE(m_page->deviceTabs()->isTabEnabled(i), i < count);
}

void TestTabSettings::displayUnitsSuffix()
{
    QSignalSpy unitsChanged(Measure::instance, &Measure::etalonUnitsChanged);
    choose(TAIR::instance->prUnits, UnitMPa);
    QCOMPARE(unitsChanged.count(), 1);
    QCOMPARE(TAIR::instance->prUnits->value(), int(UnitMPa));
    QCOMPARE(m_page->rangeField()->caption()->text(), QStringLiteral("Диапазон показаний, МПа"));
    QCOMPARE(m_page->stepField()->caption()->text(), QStringLiteral("Шаг значений, МПа"));

    // A second change replaces the ending.
    choose(TAIR::instance->prUnits, UnitKgfCm2);
    QCOMPARE(unitsChanged.count(), 2);
    QCOMPARE(m_page->rangeField()->caption()->text(), QStringLiteral("Диапазон показаний, кгс/см²"));
    QCOMPARE(m_page->stepField()->caption()->text(), QStringLiteral("Шаг значений, кгс/см²"));
    choose(TAIR::instance->prUnits, UnitKPa);
    QCOMPARE(m_page->rangeField()->caption()->text(), QStringLiteral("Диапазон показаний, кПа"));
}

void TestTabSettings::stepRule_data()
{
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QString>("edited");
    QTest::addColumn<double>("step");

    // Interval 0..100 entered below; class 1,5-1-1,5 gives four intervals, class 1 seven; the
    // scale division rounds the step up to its next multiple.
    QTest::newRow("class, automatic") << true << "class" << 15.0;
    QTest::newRow("range, automatic") << true << "range" << 18.0;
    QTest::newRow("scale division, automatic") << true << "division" << 28.0;
    QTest::newRow("class, by hand") << false << "class" << 33.0;
    QTest::newRow("range, by hand") << false << "range" << 33.0;
    QTest::newRow("scale division, by hand") << false << "division" << 33.0;
}

void TestTabSettings::stepRule()
{
    QFETCH(bool, automatic);
    QFETCH(QString, edited);
    QFETCH(double, step);

    Verification *verification = Verification::instance;
    Conditions *conditions = Conditions::instance;
    choose(verification->prAutoStepCompute, 0);
    QVERIFY(m_page->stepField()->isEnabled());
    conditions->prConditionsVrClassTpye->setText(QStringLiteral("1,5-1-1,5"));
    m_page->applyFieldChange(TabSettings::FieldAccuracyClass);
    conditions->prIndicatorStep->setValue(1);
    verification->prMinValue->setValue(0);
    verification->prMaxValue->setValue(100);
    m_page->refreshAllFields();
    typeInto(editorOf<QDoubleSpinBox>(verification->prStep), QStringLiteral("33"));
    QCOMPARE(verification->prStep->value(), 33.0);

    choose(verification->prAutoStepCompute, automatic ? 1 : 0);
    QCOMPARE(m_page->stepField()->isEnabled(), !automatic);
    // Switched on, the step follows at once: 100 / 4.
    QCOMPARE(verification->prStep->value(), automatic ? 25.0 : 33.0);

    if (edited == QLatin1String("class")) {
        auto *box = editorOf<QComboBox>(conditions->prConditionsVrClassTpye);
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, QStringLiteral("1"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(conditions->zone1, 1.0);
    } else if (edited == QLatin1String("range")) {
        typeInto(editorOf<QDoubleSpinBox>(verification->prMaxValue, 1), QStringLiteral("70"));
        QCOMPARE(verification->prMaxValue->value(), 70.0);
    } else {
        typeInto(editorOf<QDoubleSpinBox>(conditions->prIndicatorStep), QStringLiteral("4"));
        QCOMPARE(conditions->prIndicatorStep->value(), 4.0);
    }
    QCOMPARE(verification->prStep->value(), step);
    QCOMPARE(editorOf<QDoubleSpinBox>(verification->prStep)->value(), step);
    choose(verification->prAutoStepCompute, 0);
}

void TestTabSettings::methodDescription()
{
    QLabel *description = m_page->methodDescription();
    QVERIFY(description->wordWrap());
    choose(Conditions::instance->prVrDeviceCount, 2);
    choose(Verification::instance->prVerificationMode, 1);
    QCOMPARE(description->text(), Dictionary::instance->methodBDescription);

    // Back to A: the device tabs follow the count again.
    m_page->deviceTabs()->setTabEnabled(3, true);
    choose(Verification::instance->prVerificationMode, 0);
    QCOMPARE(description->text(), Dictionary::instance->methodADescription);
    QVERIFY(m_page->deviceTabs()->isTabEnabled(1));
    QVERIFY(!m_page->deviceTabs()->isTabEnabled(3));
}

void TestTabSettings::clearThirdDevice()
{
    choose(Conditions::instance->prVrDeviceCount, 4);
    QTabBar *bar = m_page->deviceTabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
    QCOMPARE(m_page->deviceTabs()->currentIndex(), 2);
    QCOMPARE(bar->tabText(2), QStringLiteral("Прибор №3"));

    QList<VrDevice *> devices = Conditions::instance->vrDevices;
    VrDevice *third = devices.at(2);
    QCOMPARE(m_page->currentDevice(), third);
    for (ParametrString *text : {third->prName, third->prSerial, third->prOwner, third->prDevType, third->prDevInv,
                                 third->prYear, third->prAmbiant, third->prNotes, third->prVrDocumentVr,
                                 third->prVrDocumentCl, third->prSignalType})
        text->setValue(QStringLiteral("текст"));
    third->prIntervalMin->setValue(-1);
    third->prIntervalMax->setValue(10);
    third->prDevUnits->setValue(UnitBar);
    for (ParametrEnum *choice : {third->prVrOrder, third->prCheckSystemGr, third->prCheckUsage, third->prCheckRSolid,
                                 third->prCheckR})
        choice->setValue(1);
    devices.at(1)->prSerial->setValue(QStringLiteral("второй"));
    m_page->refreshAllFields();

    QWidget *tab = m_page->deviceTabs()->currentWidget();
    QTest::mouseClick(TestSupport::buttonOf(tab, TabSettings::ButtonClearDevice), Qt::LeftButton);

    QCOMPARE(third->prName->value(), QStringLiteral("Прибор 3"));
    for (ParametrString *text : {third->prSerial, third->prOwner, third->prDevType, third->prDevInv, third->prYear,
                                 third->prAmbiant, third->prNotes})
        QVERIFY(text->value().isEmpty());
    QCOMPARE(third->prIntervalMin->value(), 0.0);
    QCOMPARE(third->prIntervalMax->value(), 0.0);
    QCOMPARE(third->prDevUnits->value(), 0);
    for (ParametrString *kept : {third->prVrDocumentVr, third->prVrDocumentCl, third->prSignalType})
        QCOMPARE(kept->value(), QStringLiteral("текст"));
    for (ParametrEnum *kept : {third->prVrOrder, third->prCheckSystemGr, third->prCheckUsage, third->prCheckRSolid,
                               third->prCheckR})
        QCOMPARE(kept->value(), 1);
    QCOMPARE(devices.at(1)->prSerial->value(), QStringLiteral("второй"));

    // The editors show it at once.
    QCOMPARE(editorOf<QLineEdit>(third->prName)->text(), QStringLiteral("Прибор 3"));
    QVERIFY(editorOf<QLineEdit>(third->prSerial)->text().isEmpty());
    QVERIFY(editorOf<QTextEdit>(third->prNotes)->toPlainText().isEmpty());
    QCOMPARE(editorOf<QComboBox>(third->prCheckR)->currentData().toInt(), 1);

    // The device-card button stands beside it.
    QVERIFY(TestSupport::buttonOf(tab, TabSettings::ButtonDeviceCards));
    QCOMPARE(TestSupport::buttonOf(tab, TabSettings::ButtonDeviceCards)->text(),
             QStringLiteral("Сохранение/загрузка\nконфигурации прибора"));
}

void TestTabSettings::formLockedDuringRun()
{
    Conditions::instance->prReadConditions->setValue(0);
    const QList<QWidget *> form{m_page->infoGroup(),    m_page->conditionsGroup(), m_page->conductGroup(),
                                m_page->devicesGroup(), m_page->methodGroup(),     m_page->parametersGroup(),
                                m_page->deviceSettingsPanel()};
    Verification::instance->setState(0);
    for (QWidget *w : form)
        QVERIFY(!w->isEnabled());
    QVERIFY(m_page->linkGroup()->isEnabled());
    Verification::instance->setState(1);
    for (QWidget *w : form)
        QVERIFY(w->isEnabled());
}

void TestTabSettings::ambientRead_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("shown");
    // The stand-in answers the meter 00004841 only: 21.5 °C, 45.25 %, 760 mm Hg.
    QTest::newRow("meter found") << "4841" << QStringList({"22", "45", "760"});
    QTest::newRow("no such meter") << "12345678" << QStringList({"-", "-", "-"});
}

void TestTabSettings::ambientRead()
{
    QFETCH(QString, serial);
    QFETCH(QStringList, shown);
    Conditions *conditions = Conditions::instance;
    for (ParametrString *value : {conditions->prTemperature, conditions->prHumidity, conditions->prPressure})
        value->setValue(QStringLiteral("старое"));
    typeInto(editorOf<QLineEdit>(HidHandler::instance->serial()), serial);
    QCOMPARE(HidHandler::instance->serial()->value(), serial);

    QTest::mouseClick(TestSupport::buttonOf(m_page->conditionsGroup(), TabSettings::ButtonReadConditions), Qt::LeftButton);
    QCOMPARE(QStringList({conditions->prTemperature->value(), conditions->prHumidity->value(),
                          conditions->prPressure->value()}),
             shown);
    QCOMPARE(QStringList({editorOf<QLineEdit>(conditions->prTemperature)->text(),
                          editorOf<QLineEdit>(conditions->prHumidity)->text(),
                          editorOf<QLineEdit>(conditions->prPressure)->text()}),
             shown);
}

void TestTabSettings::ambientReadAtStartAndStop()
{
    Conditions *conditions = Conditions::instance;
    auto shown = [this, conditions]() {
        return QStringList({editorOf<QLineEdit>(conditions->prTemperature)->text(),
                            editorOf<QLineEdit>(conditions->prHumidity)->text(),
                            editorOf<QLineEdit>(conditions->prPressure)->text()});
    };
    ParametrString *serial = HidHandler::instance->serial();
    const QStringList old{"старое", "старое", "старое"};
    auto setOld = [&]() {
        for (ParametrString *value : {conditions->prTemperature, conditions->prHumidity, conditions->prPressure})
            value->setValue(old.first());
        m_page->refreshAllFields();
    };

    choose(conditions->prReadConditions, 1);
    setOld();
    serial->setValue(QStringLiteral("4841"));
    Verification::instance->setState(0);
    QCOMPARE(shown(), QStringList({"22", "45", "760"}));
    // The meter is gone when the run ends: the run keeps the conditions read at its start.
    serial->setValue(QStringLiteral("12345678"));
    Verification::instance->setState(1);
    QCOMPARE(shown(), QStringList({"22", "45", "760"}));
    // Gone at the start: nothing is known of the conditions of this run.
    Verification::instance->setState(0);
    QCOMPARE(shown(), QStringList({"-", "-", "-"}));
    serial->setValue(QStringLiteral("4841"));
    Verification::instance->setState(1);
    QCOMPARE(shown(), QStringList({"22", "45", "760"}));

    // Read by hand only: a run reads nothing.
    choose(conditions->prReadConditions, 0);
    setOld();
    Verification::instance->setState(0);
    Verification::instance->setState(1);
    QCOMPARE(shown(), old);
}

void TestTabSettings::sharedGroupsComeBack()
{
    HGroupBox *link = m_page->linkGroup();
    HGroupBox *info = m_page->infoGroup();
    auto *left = qobject_cast<QVBoxLayout *>(m_page->leftColumn()->layout());
    QVERIFY(left);

    // The transducer settings page shows both groups in its own layout while it is shown.
    QWidget *borrower = TabQvtSettings::instance->leftColumn();
    m_station->window()->tabWidget()->setCurrentWidget(TabQvtSettings::instance);
    QTRY_VERIFY(link->isVisible());
    QCOMPARE(link->parentWidget(), borrower);
    QCOMPARE(info->parentWidget(), borrower);

    m_station->window()->tabWidget()->setCurrentWidget(m_page);
    QCOMPARE(link->parentWidget(), m_page->leftColumn());
    QCOMPARE(info->parentWidget(), m_page->leftColumn());
    QCOMPARE(borrower->layout()->indexOf(link), -1);
    QCOMPARE(borrower->layout()->indexOf(info), -1);
    QCOMPARE(left->count(), 4);
    QCOMPARE(left->indexOf(link), 0);
    QCOMPARE(left->indexOf(info), 1);
    QCOMPARE(left->indexOf(m_page->conditionsGroup()), 2);
    QTRY_VERIFY(link->isVisible() && info->isVisible());

    // The note is as wide as the conduct group at most, at every font size.
    QCOMPARE(m_page->noteLabel()->maximumWidth(), m_page->conductGroup()->width());
    const int narrow = m_page->conductGroup()->width();
    for (int i = 0; i < 3; ++i)
        m_station->action(MainWindow::ActionFontUp)->trigger();
    QVERIFY(m_page->conductGroup()->width() > narrow);
    QCOMPARE(m_page->noteLabel()->maximumWidth(), m_page->conductGroup()->width());
    for (int i = 0; i < 3; ++i)
        m_station->action(MainWindow::ActionFontDown)->trigger();
    QCOMPARE(m_page->noteLabel()->maximumWidth(), narrow);
}

void TestTabSettings::oldVersionLayout()
{
    TAIR *tair = TAIR::instance;
    QCOMPARE(editorOf<QLineEdit>(tair->prRange)->text(), QStringLiteral("-100..600 кПа"));
    // As a transducer of the old version would leave the record: its units never read.
    tair->deviceType = 13;
    tair->prDeviceUnits->setValue(-1);
    tair->prMin->setValue(-5);
    tair->prMax->setValue(10);
    m_page->setConnectedState(true);

    for (const HAbstractParametr *typed : std::initializer_list<const HAbstractParametr *>{
             tair->prSerialNumber, tair->prSoftwareVersion}) {
        QVERIFY(fieldOf(typed)->isEnabled());
        QVERIFY(editorOf<QLineEdit>(typed)->text().isEmpty());
    }
    QVERIFY(tair->prSerialNumber->value().isEmpty());
    QVERIFY(!fieldOf(tair->prRange)->isEnabled());
    for (const HAbstractParametr *byHand : std::initializer_list<const HAbstractParametr *>{
             tair->prDeviceUnits, tair->prMin, tair->prMax})
        QVERIFY(fieldOf(byHand)->isVisible());
    // Without units the entered limits mean nothing yet: the range stays as it was.
    QCOMPARE(editorOf<QLineEdit>(tair->prRange)->text(), QStringLiteral("-100..600 кПа"));
    QCOMPARE(tair->lowerLimit, -100.0);
    QCOMPARE(tair->upperLimit, 600.0);

    // Units and limits entered by hand.
    choose(tair->prDeviceUnits, UnitBar);
    // Each key recomputes the range; the field being typed in keeps the operator's text.
    auto *max = editorOf<QDoubleSpinBox>(tair->prMax);
    typeInto(max, QStringLiteral("6") + max->locale().decimalPoint() + QStringLiteral("5"));
    QCOMPARE(tair->prMax->value(), 6.5);
    QCOMPARE(tair->upperLimit, 650.0);
    QCOMPARE(tair->lowerLimit, -500.0);
    QCOMPARE(editorOf<QLineEdit>(tair->prRange)->text(), QStringLiteral("-5..6.5 бар"));
    // No model has that range: all codes are offered.
    QCOMPARE(editorOf<QComboBox>(tair->prQvtModel)->count(), Dictionary::instance->rangeCodes.size());

    // A new-version transducer again, connected from the page.
    tair->deviceType = 43;
    clickAndWait(m_page->linkGroup(), TabSettings::ButtonConnect, AirHandler::TaskReadSettings);
    QVERIFY(TAIR::instance->isConnected());
    QCOMPARE(editorOf<QLineEdit>(tair->prSerialNumber)->text(), QStringLiteral("20231107"));
    QVERIFY(!fieldOf(tair->prSerialNumber)->isEnabled());
    QVERIFY(!fieldOf(tair->prSoftwareVersion)->isEnabled());
    for (const HAbstractParametr *hidden : std::initializer_list<const HAbstractParametr *>{
             tair->prDeviceUnits, tair->prMin, tair->prMax})
        QVERIFY(fieldOf(hidden)->isHidden());
    QCOMPARE(editorOf<QLineEdit>(tair->prRange)->text(), QStringLiteral("-100..600 кПа"));
}

void TestTabSettings::portSearchAndChoice()
{
    const QString simulated = m_station->simulator()->portName();
    const QString missing = QStringLiteral("/tmp/manovera-no-such-port");
    const QByteArray extra = qgetenv("MANOVERA_EXTRA_PORTS");
    qputenv("MANOVERA_EXTRA_PORTS", (missing + QLatin1Char(':') + simulated).toLocal8Bit());

    QTest::mouseClick(TestSupport::buttonOf(m_page->linkGroup(), TabSettings::ButtonSearchPorts), Qt::LeftButton);
    // The search is followed by the open test of the port it chose.
    QTRY_VERIFY_WITH_TIMEOUT(m_finished.contains(AirHandler::TaskOpenPort), TestSupport::Workstation::LongWaitMs);
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(m_finished.mid(0, 2), QList<int>({AirHandler::TaskSearchPorts, AirHandler::TaskOpenPort}));
    QVERIFY(frames().isEmpty());
    QVERIFY(!TAIR::instance->isConnected());
    QVERIFY(!m_page->infoGroup()->isVisible());

    auto *ports = qobject_cast<QComboBox *>(m_page->portField()->editor()->editor());
    const int missingIndex = ports->findText(missing);
    QVERIFY(missingIndex >= 0);
    QCOMPARE(ports->currentText(), simulated);
    QCOMPARE(ports->count(), missingIndex + 2);

    // A choice reaches the worker, which tests the port at once.
    m_finished.clear();
    ports->setCurrentIndex(missingIndex);
    QTRY_VERIFY_WITH_TIMEOUT(m_finished.contains(AirHandler::TaskOpenPort), TestSupport::Workstation::LongWaitMs);
    QCOMPARE(AirHandler::instance->portName(), missing);
    QCOMPARE(nextMessage(), QStringLiteral("Ошибка при открытии порта!"));
    QVERIFY(m_station->waitUntilUnlocked());

    m_finished.clear();
    ports->setCurrentIndex(missingIndex + 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_finished.contains(AirHandler::TaskOpenPort), TestSupport::Workstation::LongWaitMs);
    QCOMPARE(AirHandler::instance->portName(), simulated);
    QVERIFY(m_station->waitUntilUnlocked());
    clickAndWait(m_page->linkGroup(), TabSettings::ButtonConnect, AirHandler::TaskReadSettings);
    QVERIFY(TAIR::instance->isConnected());
    QVERIFY(closeMessage().isEmpty());
    qputenv("MANOVERA_EXTRA_PORTS", extra);
}

APPDIR_TEST_MAIN(TestTabSettings)

#include "tst_tabsettings.moc"
