// The pictures of the operator's help: the workstation at a window width that suits a help page
// (1000 pixels), taken on the way through one working session with the simulated transducer —
// the settings, the device cards, a method-A run, the document name dialog and the protocol
// list, the live graph and the two-point trim. Each step checks that the page shows what its
// picture is for; the pictures go to <build>/screenshots/helppic-<name>.png.
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/MessageNamePick.h"
#include "Documents/ModelDeviceConf.h"
#include "Documents/ModelProtocols.h"
#include "Documents/TabDeviceConfig.h"
#include "Documents/TabProtocols.h"
#include "Documents/TabuloSortFilterProxyModel.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/EditField.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Verification/VrPointsModel.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/TabHolderWidget.h"
#include "Widgets/MessageBox.h"
#include "Workstation.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

class TestHelpPictures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void settingsPage();
    void deviceCards();
    void runMethodA();
    void nameDialogAndProtocols();
    void liveGraph();
    void twoPointTrim();
    void cleanupTestCase();

private:
    MainWindow *window() const { return m_station->window(); }
    void clickTab(int index);
    static HButton *buttonOf(QWidget *in, int id, const QString &text);
    void shoot(const QString &name);
    // The simulator holds the pressure and the transducer's history has two readings of it.
    // Waits, reading by reading, until the trim point's measured value is the pressure held.
    bool readingsUntil(const ParametrDouble *measured, double pressure);
    // Closes the messages shown over the window; returns their texts.
    QStringList takeMessages();

    std::unique_ptr<TestSupport::Workstation> m_station;
    QTemporaryDir m_dir;
};

void TestHelpPictures::initTestCase()
{
    QSettings stored(QCoreApplication::applicationDirPath() + "/conf.ini", QSettings::IniFormat);
    stored.setValue(QStringLiteral("prUnits"), int(UnitKPa));
    stored.setValue(QStringLiteral("prDecimals"), 2);
    stored.sync();

    m_station.reset(new TestSupport::Workstation(TestSupport::Workstation::kPaTransducer()));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    QVERIFY(m_station->connectTransducer());
    window()->resize(1000, 720);
    QTRY_COMPARE(window()->width(), 1000);

    QVERIFY(m_dir.isValid());
    Settings::instance->protocolPath()->setValue(m_dir.filePath(QStringLiteral("Документы/Мановера/Протоколы")));
    Settings::instance->deviceConfPath()->setValue(m_dir.filePath(QStringLiteral("Документы/Мановера/Устройства")));
}

void TestHelpPictures::cleanupTestCase()
{
    m_station.reset();
}

void TestHelpPictures::clickTab(int index)
{
    QTabBar *tabs = window()->tabWidget()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
}

HButton *TestHelpPictures::buttonOf(QWidget *in, int id, const QString &text)
{
    const QList<HButton *> buttons = in->findChildren<HButton *>();
    for (HButton *button : buttons) {
        if (button->id() == id && button->text() == text)
            return button;
    }
    return nullptr;
}

void TestHelpPictures::shoot(const QString &name)
{
    const QString path = TestSupport::saveScreenshot(window(), QStringLiteral("helppic-") + name);
    QVERIFY(!path.isEmpty());
    qInfo("picture: %s", qPrintable(path));
}

bool TestHelpPictures::readingsUntil(const ParametrDouble *measured, double pressure)
{
    for (int i = 0; i < 40; ++i) {
        if (!m_station->waitForReadings(1))
            return false;
        if (std::abs(measured->value() - pressure) < 0.01)
            return true;
    }
    return false;
}

QStringList TestHelpPictures::takeMessages()
{
    QStringList texts;
    const QList<MessageBox *> boxes = window()->findChildren<MessageBox *>();
    for (MessageBox *box : boxes) {
        texts << box->textLabel()->text();
        delete box;
    }
    return texts;
}

void TestHelpPictures::settingsPage()
{
    Conditions *conditions = Conditions::instance;
    conditions->prConditionsVrName->setValue(QStringLiteral("Петров А. В."));
    conditions->prTemperature->setValue(QStringLiteral("21"));
    conditions->prHumidity->setValue(QStringLiteral("45"));
    conditions->prPressure->setValue(QStringLiteral("745"));
    conditions->prConditionsVrClassTpye->setText(QStringLiteral("1,5"));
    conditions->prVrDeviceCount->setValue(2);
    const char *const serials[] = {"4512", "4513"};
    for (int i = 0; i < 2; ++i) {
        VrDevice *device = conditions->vrDevices.at(i);
        device->prName->setValue(QStringLiteral("Манометр показывающий"));
        device->prDevType->setValue(QStringLiteral("МП-100"));
        device->prSerial->setValue(QString::fromLatin1(serials[i]));
        device->prDevInv->setValue(QStringLiteral("ИН-%1").arg(17 + i));
        for (ParametrEnum *check : {device->prCheckUsage, device->prCheckSystemGr, device->prCheckR, device->prCheckRSolid})
            check->setValue(0);
    }
    Verification *verification = Verification::instance;
    verification->prVerificationMode->setValue(0);
    verification->prMinValue->setValue(0);
    verification->prMaxValue->setValue(100);
    verification->prStep->setValue(25);
    TabSettings *page = TabSettings::instance;
    // As the page does when the operator edits the class, the device count and the method.
    page->applyFieldChange(2);
    page->applyFieldChange(1);
    page->applyFieldChange(9);
    page->refreshAllFields();

    clickTab(0);
    QTRY_VERIFY(page->devicesGroup()->isVisible());
    QVERIFY(page->deviceTabs()->isTabEnabled(1));
    QVERIFY(!page->deviceTabs()->isTabEnabled(2));
    // The whole form at the width of a help page: a point smaller, and the window taller.
    const int fontSize = applicationFont.pointSize();
    window()->action(MainWindow::ActionFontDown)->trigger();
    window()->resize(1000, 940);
    QTRY_COMPARE(window()->height(), 940);
    QTRY_VERIFY(page->holder()->width() <= page->width() && page->holder()->height() <= page->height());
    shoot(QStringLiteral("settings"));
    while (applicationFont.pointSize() < fontSize)
        window()->action(MainWindow::ActionFontUp)->trigger();
    window()->resize(1000, 720);
}

void TestHelpPictures::deviceCards()
{
    TabSettings *settings = TabSettings::instance;
    const QString cardsCaption = QStringLiteral("Сохранение/загрузка\nконфигурации прибора");
    // Both devices and a few more gauges of the lab, saved one by one.
    const struct
    {
        const char *name;
        const char *type;
        const char *serial;
    } gauges[] = {{"Манометр показывающий", "МП-100", "4512"},
                  {"Манометр показывающий", "МП-100", "4513"},
                  {"Мановакуумметр показывающий", "МВП-100", "1187"},
                  {"Манометр точных измерений", "МТИ-1216", "30715"},
                  {"Вакуумметр показывающий", "ВП-100", "552"}};
    for (const auto &gauge : gauges) {
        VrDevice *device = Conditions::instance->vrDevices.at(0);
        device->prName->setValue(QString::fromUtf8(gauge.name));
        device->prDevType->setValue(QString::fromUtf8(gauge.type));
        device->prSerial->setValue(QString::fromUtf8(gauge.serial));
        settings->refreshAllFields();
        HButton *cards = buttonOf(settings->deviceTabs()->widget(0), TabSettings::ButtonDeviceCards, cardsCaption);
        QVERIFY(cards);
        QTest::mouseClick(settings->deviceTabs()->tabBar(), Qt::LeftButton, Qt::NoModifier,
                          settings->deviceTabs()->tabBar()->tabRect(0).center());
        QTest::mouseClick(cards, Qt::LeftButton);
        QTRY_VERIFY(TabDeviceConfig::instance && TabDeviceConfig::instance->isVisible());
        QTest::mouseClick(buttonOf(TabDeviceConfig::instance, TabDeviceConfig::ButtonSave, QStringLiteral("Сохранить")),
                          Qt::LeftButton);
    }
    QCOMPARE(ModelDeviceConf::instance->deviceConfCount(), 5);

    // The filter over the names keeps the gauges whose name holds "мано", whatever the case.
    auto *filter = qobject_cast<QLineEdit *>(TabDeviceConfig::instance->filterEditor(0)->editor());
    QVERIFY(filter);
    for (const QChar c : QStringLiteral("мано"))
        QTest::sendKeyEvent(QTest::Click, filter, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTRY_COMPARE(ModelDeviceConf::instance->sortFilterProxy()->rowCount(), 4);
    shoot(QStringLiteral("device-cards"));

    filter->clear();
    QTest::mouseClick(buttonOf(TabDeviceConfig::instance, TabDeviceConfig::ButtonBack, QStringLiteral("Назад")),
                      Qt::LeftButton);
    QVERIFY(!TabDeviceConfig::instance->isVisible());
    // The first device as the settings picture shows it.
    VrDevice *first = Conditions::instance->vrDevices.at(0);
    first->prName->setValue(QStringLiteral("Манометр показывающий"));
    first->prDevType->setValue(QStringLiteral("МП-100"));
    first->prSerial->setValue(QStringLiteral("4512"));
    settings->refreshAllFields();
}

void TestHelpPictures::runMethodA()
{
    clickTab(1);
    TabVerification *page = TabVerification::instance;
    QTRY_VERIFY(page->startButton()->isVisible());
    QTest::mouseClick(page->startButton(), Qt::LeftButton);
    QCOMPARE(Verification::instance->state(), 0);
    QCOMPARE(VrPointsModel::instance->pointCount(), 9);

    // The first point: each gauge's button once its pointer stands on the mark.
    const double first[2] = {0.12, -0.2};
    for (int i = 0; i < 2; ++i) {
        QVERIFY(m_station->settle(first[i], true));
        QVERIFY(page->deviceButton(i)->isVisible());
        QTest::mouseClick(page->deviceButton(i), Qt::LeftButton);
    }
    QCOMPARE(VrPointsModel::instance->currentRow, 1);
    // The second point half done: the second gauge's button is still due.
    QVERIFY(m_station->settle(25.31, true));
    QTest::mouseClick(page->deviceButton(0), Qt::LeftButton);
    QVERIFY(!page->deviceButton(0)->isVisible());
    QVERIFY(page->deviceButton(1)->isVisible());
    QVERIFY(m_station->settle(25.18, true));
    shoot(QStringLiteral("verification"));
}

void TestHelpPictures::nameDialogAndProtocols()
{
    TabVerification *run = TabVerification::instance;
    QTest::mouseClick(run->startButton(), Qt::LeftButton);
    QCOMPARE(Verification::instance->state(), 1);
    Settings::instance->documentSet()->setValue(1);

    QTest::mouseClick(run->protocolsButton(), Qt::LeftButton);
    TabProtocols *page = TabProtocols::instance;
    QVERIFY(page);
    QTRY_VERIFY(page->isVisible());
    page->refreshAllFields();
    QTest::mouseClick(page->button(TabProtocols::ButtonSave), Qt::LeftButton);
    MessageNamePick *dialog = nullptr;
    QTRY_VERIFY((dialog = window()->findChild<MessageNamePick *>()) && dialog->isVisible());
    shoot(QStringLiteral("name-dialog"));

    dialog->nameEdit()->setText(QStringLiteral("Свидетельство МП-100 зав. № 4512"));
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QVERIFY(m_station->waitUntilUnlocked());
    QTRY_COMPARE(ModelProtocols::instance->rowCount(), 1);
    QCOMPARE(takeMessages(), QStringList());
    // A second document, of the second gauge, under the name proposed.
    QTest::mouseClick(page->button(TabProtocols::ButtonSave), Qt::LeftButton);
    QTRY_VERIFY((dialog = window()->findChild<MessageNamePick *>()) && dialog->isVisible());
    dialog->nameEdit()->setText(QStringLiteral("Свидетельство МП-100 зав. № 4513"));
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QVERIFY(m_station->waitUntilUnlocked());
    QTRY_COMPARE(ModelProtocols::instance->rowCount(), 2);
    QCOMPARE(takeMessages(), QStringList());
    shoot(QStringLiteral("protocols"));

    QTest::mouseClick(page->button(TabProtocols::ButtonBack), Qt::LeftButton);
    QVERIFY(!page->isVisible());
}

void TestHelpPictures::liveGraph()
{
    clickTab(2);
    TabGraph *page = TabGraph::instance;
    QVERIFY(page->measureButton()->isEnabled());
    QTest::mouseClick(page->measureButton(), Qt::LeftButton);
    QVERIFY(Measure::instance->isMeasuring());
    // A pressure raised in steps and held, as while a gauge is being set.
    for (double pressure : {0.0, 0.0, 150.0, 300.0, 450.0, 600.0, 600.0, 600.0, 600.0, 400.0, 400.0}) {
        m_station->setPressure(pressure);
        QVERIFY(m_station->waitForReadings(1));
    }
    QVERIFY(m_station->waitForReadings(1));
    shoot(QStringLiteral("graph"));
    QTest::mouseClick(page->measureButton(), Qt::LeftButton);
    QVERIFY(!Measure::instance->isMeasuring());
}

void TestHelpPictures::twoPointTrim()
{
    clickTab(3);
    TabQvtSettings *page = TabQvtSettings::instance;
    QTabBar *nested = page->nestedTabs()->tabBar();
    QTest::mouseClick(nested, Qt::LeftButton, Qt::NoModifier, nested->tabRect(1).center());
    QCOMPARE(page->nestedTabs()->currentWidget(), page->trimPanel());

    m_station->setPressure(0.4);
    QTest::mouseClick(buttonOf(page, TabQvtSettings::ButtonStart, QStringLiteral("Начать\nподстройку")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(page->trimState(), unsigned(TabQvtSettings::TrimLowPoint),
                              TestSupport::Workstation::LongWaitMs);
    // The moving average forgets the graph's pressures after a few readings.
    QVERIFY(readingsUntil(TAIR::instance->prTrimMeasuredLow, 0.4));
    QCOMPARE(takeMessages().size(), 1);
    QTest::mouseClick(buttonOf(page->lowPointGroup(), TabQvtSettings::ButtonAcceptLow, QStringLiteral("Принять")),
                      Qt::LeftButton);
    QCOMPARE(page->trimState(), unsigned(TabQvtSettings::TrimHighPoint));

    m_station->setPressure(996.5);
    QVERIFY(readingsUntil(TAIR::instance->prTrimMeasuredHigh, 996.5));
    const QStringList shown = takeMessages();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().startsWith(QStringLiteral("Установите давление, соответствующее верхнему")));
    // The whole trim panel below the transducer's groups.
    window()->resize(1000, 1090);
    QTRY_COMPARE(window()->height(), 1090);
    QTRY_VERIFY(page->holder()->height() <= page->height());
    shoot(QStringLiteral("trim"));
    window()->resize(1000, 720);

    QTest::mouseClick(buttonOf(page, TabQvtSettings::ButtonCancel, QStringLiteral("Отмена")), Qt::LeftButton);
    QCOMPARE(page->trimState(), unsigned(TabQvtSettings::TrimIdle));
}

APPDIR_TEST_MAIN(TestHelpPictures)

#include "tst_helppictures.moc"
