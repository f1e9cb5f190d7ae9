// Every page of the workstation, and the name dialog and the message laid over it, at the
// smallest font the menu allows, the usual one and a large one, in a full window and in one of
// 640 x 480: no caption, button or field is smaller than its size hint asks, none is cut by a
// group, a tab or a scroll area of its own (a page may scroll as a whole), and the dialogs stay
// inside the window. Leaves the pictures in <build>/screenshots/fonts-<size>pt-<width>-*.png.
#include "Documents/MessageNamePick.h"
#include "Documents/TabDeviceConfig.h"
#include "Documents/TabProtocols.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/Units.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/MessageBox.h"
#include "Widgets/TabHolderWidget.h"
#include "Wholeness.h"
#include "Workstation.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <QSettings>
#include <QTabBar>
#include <QtTest>

class TestPagesAtFontSizes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void pagesAreWhole_data();
    void pagesAreWhole();

private:
    MainWindow *window() const { return m_station->window(); }
    void setFontSize(int size);
    void clickTab(QTabWidget *tabs, int index);
    // Takes the picture and lists what is cut under root, as "picture: widget".
    void look(QWidget *root, const QString &picture);
    // An overlay is whole and lies inside the window.
    void lookAtOverlay(QWidget *overlay, QWidget *box, const QString &picture);

    std::unique_ptr<TestSupport::Workstation> m_station;
    QStringList m_cut;
};

void TestPagesAtFontSizes::initTestCase()
{
    QSettings stored(QCoreApplication::applicationDirPath() + "/conf.ini", QSettings::IniFormat);
    stored.setValue(QStringLiteral("prUnits"), int(UnitKPa));
    stored.sync();
    m_station.reset(new TestSupport::Workstation());
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    // Every group of the settings page shows once the transducer is connected.
    QVERIFY(m_station->connectTransducer());
    Conditions::instance->prVrDeviceCount->setValue(4);
    TabSettings::instance->refreshAllFields();
    TabSettings::instance->applyFieldChange(TabSettings::FieldDeviceCount);
}

void TestPagesAtFontSizes::cleanupTestCase()
{
    m_station.reset();
}

void TestPagesAtFontSizes::setFontSize(int size)
{
    while (applicationFont.pointSize() > size)
        window()->action(MainWindow::ActionFontDown)->trigger();
    while (applicationFont.pointSize() < size)
        window()->action(MainWindow::ActionFontUp)->trigger();
}

void TestPagesAtFontSizes::clickTab(QTabWidget *tabs, int index)
{
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
}

void TestPagesAtFontSizes::look(QWidget *root, const QString &picture)
{
    // The layouts run once the events of the font change and the shows are handled.
    QTest::qWait(20);
    const QString path = TestSupport::saveScreenshot(window(), picture);
    QVERIFY(!path.isEmpty());
    for (const QString &cut : TestSupport::cutWidgets(root))
        m_cut << picture + QStringLiteral(": ") + cut;
}

void TestPagesAtFontSizes::lookAtOverlay(QWidget *overlay, QWidget *box, const QString &picture)
{
    look(overlay, picture);
    QCOMPARE(overlay->size(), window()->size());
    if (!overlay->rect().contains(box->geometry()))
        m_cut << QStringLiteral("%1: the box %2x%3 leaves the window %4x%5")
                     .arg(picture)
                     .arg(box->width())
                     .arg(box->height())
                     .arg(overlay->width())
                     .arg(overlay->height());
}

void TestPagesAtFontSizes::pagesAreWhole_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("windowSize");
    for (int size : {MainWindow::MinimumFontSize, 8, 16}) {
        QTest::addRow("%d points, 1280 x 800", size) << size << QSize(1280, 800);
        QTest::addRow("%d points, 640 x 480", size) << size << QSize(640, 480);
    }
}

void TestPagesAtFontSizes::pagesAreWhole()
{
    QFETCH(int, size);
    QFETCH(QSize, windowSize);
    m_cut.clear();
    window()->resize(windowSize);
    setFontSize(size);
    QCOMPARE(applicationFont.pointSize(), size);
    const QString name = QStringLiteral("fonts-%1pt-%2-").arg(size).arg(windowSize.width());
    HTabWidget *tabs = window()->tabWidget();

    clickTab(tabs, 0);
    TabSettings *settings = TabSettings::instance;
    for (int device = 0; device < 2; ++device) {
        clickTab(settings->deviceTabs(), device);
        look(settings->holder(), name + QStringLiteral("settings-device%1").arg(device + 1));
    }
    clickTab(tabs, 1);
    look(TabVerification::instance->holder(), name + QStringLiteral("verification"));
    clickTab(tabs, 2);
    look(TabGraph::instance->holder(), name + QStringLiteral("graph"));
    clickTab(tabs, 3);
    TabQvtSettings *transducer = TabQvtSettings::instance;
    for (int nested = 0; nested < 2; ++nested) {
        clickTab(transducer->nestedTabs(), nested);
        look(transducer->holder(), name + QStringLiteral("transducer%1").arg(nested + 1));
    }

    clickTab(tabs, 0);
    TestSupport::clickButton(settings->deviceTabs()->widget(1), TabSettings::ButtonDeviceCards);
    QVERIFY(TabDeviceConfig::instance && TabDeviceConfig::instance->isVisible());
    look(TabDeviceConfig::instance->holder(), name + QStringLiteral("device-cards"));
    TestSupport::clickButton(TabDeviceConfig::instance->filterBar(), TabDeviceConfig::ButtonBack);
    QVERIFY(!TabDeviceConfig::instance->isVisible());

    clickTab(tabs, 1);
    QTest::mouseClick(TabVerification::instance->protocolsButton(), Qt::LeftButton);
    TabProtocols *protocols = TabProtocols::instance;
    QVERIFY(protocols && protocols->isVisible());
    look(protocols->holder(), name + QStringLiteral("protocols"));

    QTest::mouseClick(protocols->button(TabProtocols::ButtonSave), Qt::LeftButton);
    MessageNamePick *dialog = window()->findChild<MessageNamePick *>();
    QVERIFY(dialog && dialog->isVisible());
    lookAtOverlay(dialog, dialog->nameFrame(), name + QStringLiteral("name-dialog"));
    // The name field shows a name of its own length, if not always the whole of the longest.
    QVERIFY(dialog->nameEdit()->width() > dialog->nameEdit()->fontMetrics().horizontalAdvance(dialog->nameEdit()->text()));
    delete dialog;

    auto *message = new MessageBox(QStringLiteral("Преобразователь давления ЦРЗ не отвечает. Проверьте подключение "
                                                  "кабеля и выбранный последовательный порт."),
                                   1);
    message->show();
    lookAtOverlay(message, message->panel(), name + QStringLiteral("message"));
    delete message;
    QTest::mouseClick(protocols->button(TabProtocols::ButtonBack), Qt::LeftButton);
    QVERIFY(!protocols->isVisible());

    QVERIFY2(m_cut.isEmpty(), qPrintable(QLatin1Char('\n') + m_cut.join(QLatin1Char('\n'))));
}

APPDIR_TEST_MAIN(TestPagesAtFontSizes)

#include "tst_pagesatfontsizes.moc"
