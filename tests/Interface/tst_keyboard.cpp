// The workstation by the keyboard alone, on the real main window with the simulated transducer:
// each task from its page's first focus to its end by key events only (the settings, a method-A
// run with two devices, a method-B run, a protocol saved, opened and deleted, a device card saved,
// loaded and deleted); every stop of Tab shows the focus; a page, dialog, message or lock laid
// over others holds the keys and gives the focus back where it was; the pages laid over others
// survive a minimised window. The focus is checked after each step, as the operator sees it.
// Leaves pictures of each page with the focus on its first stop in <build>/screenshots/.
#include "Devices/TAIR.h"
#include "Documents/MessageNamePick.h"
#include "Documents/ModelDeviceConf.h"
#include "Documents/ModelProtocols.h"
#include "Documents/TabDeviceConfig.h"
#include "Documents/TabProtocols.h"
#include "Interface/GraphWidget.h"
#include "Interface/LinenPlot.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/EditField.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
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
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/MessageBox.h"
#include "Widgets/ScreenLocker.h"
#include "Workstation.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <cmath>

namespace {
constexpr int LongWaitMs = 60000;

QWidget *focus()
{
    return QApplication::focusWidget();
}

bool within(const QWidget *widget, const QWidget *container)
{
    return widget && container && (widget == container || container->isAncestorOf(widget));
}

// How a widget paints itself, its parts that take no focus of their own included (a table's
// cells and headers), but not the widgets in it that do: those show their own focus.
QImage ownLook(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    QPainter painter(&image);
    for (QObject *object : widget->children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (!child || !child->isVisible() || child->isWindow() || child->size().isEmpty()
            || child->focusPolicy() != Qt::NoFocus)
            continue;
        bool holdsControls = false;
        for (QWidget *inner : child->findChildren<QWidget *>())
            holdsControls = holdsControls || (inner->isVisible() && inner->focusPolicy() != Qt::NoFocus);
        if (holdsControls)
            continue;
        QImage part(child->size(), QImage::Format_ARGB32);
        part.fill(Qt::transparent);
        child->render(&part);
        painter.drawImage(child->pos(), part);
    }
    return image;
}

QString describe(const QWidget *widget)
{
    if (!widget)
        return QStringLiteral("no widget");
    QString text = QString::fromLatin1(widget->metaObject()->className());
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        text += QStringLiteral(" \"") + button->text().replace(QLatin1Char('\n'), QLatin1Char(' ')) + QLatin1Char('"');
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *field = qobject_cast<const EditField *>(w)) {
            text += QStringLiteral(" [") + field->parametr()->name() + QLatin1Char(']');
            break;
        }
    }
    return text;
}
}

class TestKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void settingsByTab();
    void methodARunWithTwoDevices();
    void methodBRun();
    void protocolSavedOpenedDeleted();
    void deviceCardSavedLoadedDeleted();
    void overlaysHoldTheKeys_data();
    void overlaysHoldTheKeys();
    void everyStopShowsTheFocus_data();
    void everyStopShowsTheFocus();
    void pagesSurviveAMinimisedWindow();

private:
    MainWindow *window() const { return m_station->window(); }
    QTabBar *mainTabBar() const { return window()->tabWidget()->tabBar(); }
    TabVerification *runPage() const { return TabVerification::instance; }
    VrPointsModel *model() const { return VrPointsModel::instance; }
    VrDevice *device(int index) const { return Conditions::instance->vrDevices.at(index); }

    // A key as the window system delivers it: to the widget with the focus.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focus() ? focus() : window(), Qt::Key(key), modifiers);
    }
    // Keys for each character, Cyrillic too (QTest::keyClicks takes Latin-1 only).
    void type(const QString &text)
    {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, focus() ? focus() : window(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    // Tab until the target has the focus; false after limit presses.
    bool tabTo(QWidget *target, int limit = 120)
    {
        for (int i = 0; i < limit && focus() != target; ++i)
            press(Qt::Key_Tab);
        return focus() == target;
    }
    // The main tab bar by Tab, then the arrows to the page.
    bool showPageByKeys(QWidget *page)
    {
        if (!tabTo(mainTabBar()))
            return false;
        const int index = window()->tabWidget()->indexOf(page);
        for (int i = 0; i < 4 && window()->tabWidget()->currentIndex() != index; ++i)
            press(window()->tabWidget()->currentIndex() < index ? Qt::Key_Right : Qt::Key_Left);
        return window()->tabWidget()->currentIndex() == index && page->isVisible();
    }
    HButton *deviceTabButton(int id) const
    {
        return TestSupport::buttonOf(TabSettings::instance->deviceTabs()->widget(0), id);
    }
    // What the keys on a covered widget would change: the run and the device entries.
    QVariantList snapshot() const
    {
        QVariantList values;
        for (int row = 0; row < model()->rowCount(); ++row)
            for (int column = 1; column < model()->columnCount(); ++column)
                values << model()->data(model()->index(row, column), Qt::EditRole);
        for (int k = 0; k < 2; ++k)
            values << device(k)->prSerial->value() << device(k)->prDevInv->value() << device(k)->prName->value();
        values << Verification::instance->state() << runPage()->startButton()->text();
        return values;
    }
    MessageBox *shownMessage() const
    {
        for (MessageBox *box : window()->findChildren<MessageBox *>())
            if (box->isVisible())
                return box;
        return nullptr;
    }
    double cell(int row, int column) const
    {
        const QVariant v = model()->data(model()->index(row, column), Qt::EditRole);
        return v.userType() == QMetaType::Double ? v.toDouble() : std::nan("");
    }

    std::unique_ptr<TestSupport::Workstation> m_station;
    QTemporaryDir m_protocols;
    QTemporaryDir m_cards;
    TestSupport::DesktopStandIn m_desktop;
};

void TestKeyboard::initTestCase()
{
    QVERIFY(m_protocols.isValid() && m_cards.isValid());
    m_station.reset(new TestSupport::Workstation(TestSupport::Workstation::kPaTransducer()));
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    QVERIFY(m_station->connectTransducer());
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_desktop, "open");

    // Two gauges, 0 to 100 kPa by 50 (five points), two decimals.
    Settings::instance->protocolPath()->setValue(m_protocols.path());
    Settings::instance->deviceConfPath()->setValue(m_cards.path());
    Settings::instance->decimals()->setValue(2);
    TAIR::instance->prUnits->setValue(UnitKPa);
    Conditions::instance->prVrDeviceCount->setValue(2);
    Verification::instance->prMinValue->setValue(0);
    Verification::instance->prMaxValue->setValue(100);
    Verification::instance->prStep->setValue(50);
    device(0)->prSerial->setValue(QStringLiteral("A-1001"));
    device(0)->prDevInv->setValue(QStringLiteral("INV-1"));
    TabSettings::instance->refreshAllFields();
    TabSettings::instance->applyFieldChange(TabSettings::FieldDeviceCount);
    TabSettings::instance->applyFieldChange(TabSettings::FieldUnits);
    window()->tabWidget()->setCurrentWidget(TabSettings::instance);
    mainTabBar()->setFocus(Qt::OtherFocusReason);
}

void TestKeyboard::init()
{
    QVERIFY(window()->isEnabled());
    for (MessageBox *box : window()->findChildren<MessageBox *>())
        QVERIFY2(!box->isVisible(), qPrintable(box->textLabel()->text()));
}

void TestKeyboard::settingsByTab()
{
    QVERIFY(showPageByKeys(TabSettings::instance));
    QWidget *remarks = TestSupport::editorOf<QTextEdit>(TabSettings::instance->deviceTabs()->widget(0), device(0)->prNotes);
    QVERIFY(remarks);
    // One round of Tab from the tab bar passes every field of the page, the remarks among them,
    // and comes back.
    QList<const HAbstractParametr *> reached;
    int presses = 0;
    do {
        if (focus() == remarks) {
            type(QStringLiteral("Царапина"));
        }
        press(Qt::Key_Tab);
        QVERIFY2(++presses < 200, qPrintable(describe(focus())));
        QVERIFY2(focus() && focus()->isVisible(), qPrintable(describe(focus())));
        for (const QWidget *w = focus(); w; w = w->parentWidget()) {
            if (auto *field = qobject_cast<const EditField *>(w)) {
                reached << field->parametr();
                break;
            }
        }
    } while (focus() != mainTabBar());
    QCOMPARE(device(0)->prNotes->value(), QStringLiteral("Царапина"));
    for (const HAbstractParametr *p :
         std::initializer_list<const HAbstractParametr *>{device(0)->prNotes, Verification::instance->prVerificationMode,
                                                          TAIR::instance->prUnits, Verification::instance->prMinValue,
                                                          Verification::instance->prMaxValue,
                                                          Conditions::instance->prConditionsVrClassTpye,
                                                          Verification::instance->prStep, Settings::instance->decimals(),
                                                          Conditions::instance->prVrCoeff,
                                                          Conditions::instance->prIndicatorStep})
        QVERIFY2(reached.contains(p), qPrintable(p->name()));
    device(0)->prNotes->setValue(QString());
    TabSettings::instance->refreshAllFields();
}

void TestKeyboard::methodARunWithTwoDevices()
{
    QVERIFY(showPageByKeys(runPage()));
    QVERIFY(tabTo(runPage()->startButton()));
    press(Qt::Key_Space);
    QCOMPARE(Verification::instance->state(), 0);
    QCOMPARE(model()->pointCount(), 5);
    // The run's next step: the first device's button over the first point.
    QCOMPARE(focus(), runPage()->deviceButton(0));

    const double nominal[5] = {0, 50, 100, 50, 0};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(model()->currentRow, row);
        QVERIFY(m_station->settle(nominal[row] + 0.25, false));
        for (int k = 0; k < 2; ++k) {
            QVERIFY2(tabTo(runPage()->deviceButton(k)), qPrintable(describe(focus())));
            press(Qt::Key_Space);
        }
    }
    QCOMPARE(Verification::instance->state(), 1);
    for (int row = 0; row < 5; ++row)
        for (int column : {2, 3})
            QCOMPARE(cell(row, column), nominal[row] + 0.25);
    // The next run starts where this one ended.
    QCOMPARE(focus(), runPage()->startButton());
    QCOMPARE(runPage()->startButton()->text(), QStringLiteral("СТАРТ"));
}

void TestKeyboard::methodBRun()
{
    Verification::instance->prVerificationMode->setValue(1);
    Conditions::instance->prVrDeviceCount->setValue(1);
    runPage()->onVrModeChanged();
    QCOMPARE(focus(), runPage()->startButton());
    press(Qt::Key_Space);
    QCOMPARE(Verification::instance->state(), 0);

    const double readings[5] = {0.1, 50.2, 99.9, 50.3, 0.2};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(model()->currentRow, row);
        QVERIFY(m_station->settle(model()->point(row).nominal, false));
        // The reading goes into the current cell, whose editor has the keys.
        auto *editor = qobject_cast<QDoubleSpinBox *>(focus());
        QVERIFY2(editor && within(editor, runPage()->table()), qPrintable(describe(focus())));
        press(Qt::Key_A, Qt::ControlModifier);
        type(editor->locale().toString(readings[row], 'f', 1));
        // Tab stores it and leaves the table for the controls after it, round to the next point.
        press(Qt::Key_Tab);
        QVERIFY2(!within(focus(), runPage()->table()), qPrintable(describe(focus())));
        QCOMPARE(cell(row, 2), readings[row]);
        QVERIFY2(tabTo(runPage()->nextPointButton()), qPrintable(describe(focus())));
        press(Qt::Key_Space);
    }
    QCOMPARE(Verification::instance->state(), 1);
    QCOMPARE(focus(), runPage()->startButton());
    for (int row = 0; row < 5; ++row)
        QVERIFY(std::isfinite(model()->point(row).uncertainty));
    QVERIFY(runPage()->errorText(0) != QStringLiteral("-"));

    Verification::instance->prVerificationMode->setValue(0);
    Conditions::instance->prVrDeviceCount->setValue(2);
    runPage()->onVrModeChanged();
}

void TestKeyboard::protocolSavedOpenedDeleted()
{
    QVERIFY(tabTo(runPage()->protocolsButton()));
    press(Qt::Key_Space);
    TabProtocols *page = TabProtocols::instance;
    QVERIFY(page && page->isVisible());
    QCOMPARE(focus(), page->fileTable());

    // Saved under a name of the operator's.
    QVERIFY(tabTo(page->button(TabProtocols::ButtonSave)));
    press(Qt::Key_Space);
    auto *dialog = window()->findChild<MessageNamePick *>();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(focus(), dialog->nameEdit());
    press(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("Протокол клавиш"));
    press(Qt::Key_Tab);
    QCOMPARE(focus(), dialog->saveButton());
    press(Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!page->isSaving(), LongWaitMs);
    QVERIFY(m_station->waitUntilUnlocked());
    const QString file = m_protocols.filePath(QStringLiteral("Протокол клавиш.xlsx"));
    QVERIFY(QFileInfo(file).isFile());
    QCOMPARE(focus(), page->fileTable());
    QCOMPARE(page->fileTable()->currentIndex().data().toString(), QStringLiteral("Протокол клавиш.xlsx"));

    // Opened from the list with Enter, and its folder with the button.
    m_desktop.opened.clear();
    press(Qt::Key_Return);
    QCOMPARE(m_desktop.opened.size(), 1);
    QCOMPARE(m_desktop.opened.first().toLocalFile(), file);
    QVERIFY(tabTo(page->button(TabProtocols::ButtonOpenFolder)));
    press(Qt::Key_Space);
    QCOMPARE(m_desktop.opened.size(), 2);
    QCOMPARE(QDir(m_desktop.opened.last().toLocalFile()).canonicalPath(), QDir(m_protocols.path()).canonicalPath());

    // Deleted: back to the list, its row chosen with the arrows.
    QVERIFY(tabTo(page->fileTable()));
    press(Qt::Key_Home);
    QVERIFY(tabTo(page->button(TabProtocols::ButtonDelete)));
    press(Qt::Key_Space);
    QVERIFY(!QFileInfo::exists(file));
    QCOMPARE(page->model()->rowCount(), 0);

    // Back: the focus returns to the button that opened the page.
    QVERIFY(tabTo(page->button(TabProtocols::ButtonBack)));
    press(Qt::Key_Space);
    QVERIFY(!page->isVisible());
    QCOMPARE(focus(), runPage()->protocolsButton());
}

void TestKeyboard::deviceCardSavedLoadedDeleted()
{
    QVERIFY(showPageByKeys(TabSettings::instance));
    auto *serial = TestSupport::editorOf<QLineEdit>(TabSettings::instance->deviceTabs()->widget(0), device(0)->prSerial);
    QVERIFY(tabTo(serial));
    press(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("S-77"));
    QCOMPARE(device(0)->prSerial->value(), QStringLiteral("S-77"));

    // Saved as a card.
    HButton *cards = deviceTabButton(TabSettings::ButtonDeviceCards);
    QVERIFY(tabTo(cards));
    press(Qt::Key_Space);
    TabDeviceConfig *page = TabDeviceConfig::instance;
    QVERIFY(page && page->isVisible());
    QCOMPARE(focus(), page->cardTable());
    QVERIFY(tabTo(TestSupport::buttonOf(page, TabDeviceConfig::ButtonSave)));
    press(Qt::Key_Space);
    QCOMPARE(page->model()->rowCount(), 1);
    QVERIFY(QFileInfo::exists(m_cards.filePath(QStringLiteral("1.devconf"))));
    QVERIFY(tabTo(TestSupport::buttonOf(page, TabDeviceConfig::ButtonBack)));
    press(Qt::Key_Space);
    QVERIFY(!page->isVisible());
    QCOMPARE(focus(), cards);

    // Cleared, then loaded again from the card.
    press(Qt::Key_Tab);
    QCOMPARE(focus(), deviceTabButton(TabSettings::ButtonClearDevice));
    press(Qt::Key_Space);
    QVERIFY(device(0)->prSerial->value().isEmpty());
    press(Qt::Key_Backtab);
    QCOMPARE(focus(), cards);
    press(Qt::Key_Space);
    QVERIFY(page->isVisible());
    QCOMPARE(focus(), page->cardTable());
    press(Qt::Key_Down);
    QCOMPARE(page->cardTable()->currentIndex().row(), 0);
    QVERIFY(tabTo(TestSupport::buttonOf(page, TabDeviceConfig::ButtonLoad)));
    press(Qt::Key_Space);
    QVERIFY(!page->isVisible());
    QCOMPARE(device(0)->prSerial->value(), QStringLiteral("S-77"));
    QCOMPARE(serial->text(), QStringLiteral("S-77"));
    QCOMPARE(focus(), cards);

    // Deleted.
    press(Qt::Key_Space);
    QVERIFY(page->isVisible());
    QVERIFY(tabTo(page->cardTable()));
    press(Qt::Key_Home);
    QVERIFY(tabTo(TestSupport::buttonOf(page, TabDeviceConfig::ButtonDelete)));
    press(Qt::Key_Space);
    QCOMPARE(page->model()->rowCount(), 0);
    QVERIFY(!QFileInfo::exists(m_cards.filePath(QStringLiteral("1.devconf"))));
    QVERIFY(tabTo(TestSupport::buttonOf(page, TabDeviceConfig::ButtonBack)));
    press(Qt::Key_Space);
    QCOMPARE(focus(), cards);

    device(0)->prSerial->setValue(QStringLiteral("A-1001"));
    TabSettings::instance->refreshAllFields();
}

void TestKeyboard::overlaysHoldTheKeys_data()
{
    QTest::addColumn<QString>("overlay");
    QTest::newRow("protocol page") << "protocols";
    QTest::newRow("name dialog after a refused name") << "name";
    QTest::newRow("device-card page") << "cards";
    QTest::newRow("message") << "message";
    QTest::newRow("message that came under the lock") << "message";
    QTest::newRow("screen lock") << "lock";
}

void TestKeyboard::overlaysHoldTheKeys()
{
    QFETCH(QString, overlay);
    const bool onRunPage = overlay == QLatin1String("protocols") || overlay == QLatin1String("name");
    window()->tabWidget()->setCurrentWidget(onRunPage ? static_cast<QWidget *>(runPage()) : TabSettings::instance);
    QLineEdit *serial = TestSupport::editorOf<QLineEdit>(TabSettings::instance->deviceTabs()->widget(0), device(0)->prSerial);
    // Where the operator is when the overlay comes; the focus returns there when it goes.
    QWidget *opener = onRunPage ? static_cast<QWidget *>(runPage()->protocolsButton())
        : overlay == QLatin1String("cards") ? static_cast<QWidget *>(deviceTabButton(TabSettings::ButtonDeviceCards))
                                            : serial;
    // What the keys must not reach: START beneath the protocols, "Очистить" beneath the rest.
    QWidget *covered = onRunPage ? static_cast<QWidget *>(runPage()->startButton())
                                 : deviceTabButton(TabSettings::ButtonClearDevice);
    opener->setFocus(Qt::TabFocusReason);
    const QVariantList before = snapshot();

    QPointer<QWidget> shown;
    // The main tab bar stands beside a page laid over a page and keeps its keys.
    bool tabBarFree = false;
    QWidget *returnTo = opener;
    if (onRunPage) {
        press(Qt::Key_Space);
        shown = TabProtocols::instance;
        tabBarFree = true;
        QCOMPARE(focus(), TabProtocols::instance->fileTable());
    }
    MessageNamePick *dialog = nullptr;
    if (overlay == QLatin1String("name")) {
        QVERIFY(tabTo(TabProtocols::instance->button(TabProtocols::ButtonSave)));
        returnTo = focus();
        press(Qt::Key_Space);
        dialog = window()->findChild<MessageNamePick *>();
        QVERIFY(dialog);
        shown = dialog;
        tabBarFree = false;
        press(Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("proto/1"));
        press(Qt::Key_Tab);
        press(Qt::Key_Space);
        // Refused with a message; after its Ok the name is the operator's again, as typed.
        MessageBox *message = shownMessage();
        QVERIFY(message);
        QCOMPARE(message->textLabel()->text(), QStringLiteral("Имя документа не может содержать символ /"));
        QTRY_COMPARE(focus(), message->buttons().first());
        press(Qt::Key_Space);
        QVERIFY(!message->isVisible());
        QCOMPARE(focus(), dialog->nameEdit());
        QCOMPARE(dialog->nameEdit()->text(), QStringLiteral("proto/1"));
    } else if (overlay == QLatin1String("cards")) {
        press(Qt::Key_Space);
        shown = TabDeviceConfig::instance;
        tabBarFree = true;
        QCOMPARE(focus(), TabDeviceConfig::instance->cardTable());
    } else if (overlay == QLatin1String("message")) {
        // A task's message may come before its lock is lowered: the box takes the keys once the
        // window is free, and its way back is the lock's.
        const bool underLock = QByteArray(QTest::currentDataTag()).contains("lock");
        if (underLock)
            emit MainHandler::instance->setScreenLockState(true);
        MessageHandler::showInfo(QStringLiteral("Сообщение поверх страницы"));
        if (underLock)
            emit MainHandler::instance->setScreenLockState(false);
        shown = shownMessage();
        QVERIFY(shown);
        QTRY_COMPARE(focus(), static_cast<MessageBox *>(shown.data())->buttons().first());
    } else if (overlay == QLatin1String("lock")) {
        emit MainHandler::instance->setScreenLockState(true);
        shown = window()->screenLocker();
    }
    QVERIFY(shown && shown->isVisible());
    QWidget *first = focus();

    // Round and round, both ways: never on a widget the overlay covers. Under the lock nothing has
    // the focus, and the keys go to the disabled window.
    const auto allowed = [&](QWidget *w) {
        return overlay == QLatin1String("lock") ? !w : within(w, shown) || (tabBarFree && w == mainTabBar());
    };
    bool tabBarReached = false;
    for (int key : {int(Qt::Key_Tab), int(Qt::Key_Backtab)}) {
        for (int i = 0; i < 40; ++i) {
            press(key);
            QVERIFY2(allowed(focus()), qPrintable(QString::number(i) + QStringLiteral(": ") + describe(focus())));
            tabBarReached = tabBarReached || focus() == mainTabBar();
        }
    }
    QCOMPARE(tabBarReached, tabBarFree);
    // Given to a covered widget anyway (START, by a lost link), the focus comes back at once; Space
    // and Enter then go to the overlay.
    if (first)
        first->setFocus(Qt::OtherFocusReason);
    covered->setFocus(Qt::OtherFocusReason);
    QCOMPARE(focus(), first);
    if (overlay != QLatin1String("message")) {
        press(Qt::Key_Space);
        press(Qt::Key_Return);
    }
    QVERIFY(shown->isVisible());
    QCOMPARE(snapshot(), before);

    // Gone: the focus is where it was when the overlay came.
    if (overlay == QLatin1String("protocols")) {
        TabProtocols::instance->processButton(TabProtocols::ButtonBack);
    } else if (overlay == QLatin1String("name")) {
        // A good name: the document is written from the run as it was.
        dialog->nameEdit()->setFocus(Qt::OtherFocusReason);
        press(Qt::Key_A, Qt::ControlModifier);
        type(QStringLiteral("Протокол 1"));
        press(Qt::Key_Tab);
        press(Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!TabProtocols::instance->isSaving(), LongWaitMs);
        QVERIFY(m_station->waitUntilUnlocked());
        // The page selects the new document in its list.
        returnTo = TabProtocols::instance->fileTable();
        QVERIFY(QFile::remove(m_protocols.filePath(QStringLiteral("Протокол 1.xlsx"))));
        TabProtocols::instance->model()->reloadProtocols();
    } else if (overlay == QLatin1String("cards")) {
        TabDeviceConfig::instance->processButton(TabDeviceConfig::ButtonBack);
    } else if (overlay == QLatin1String("message")) {
        press(Qt::Key_Space);
    } else {
        emit MainHandler::instance->setScreenLockState(false);
    }
    QVERIFY(!shown || !shown->isVisible());
    QCOMPARE(focus(), returnTo);
    if (overlay == QLatin1String("name")) {
        TabProtocols::instance->processButton(TabProtocols::ButtonBack);
        QCOMPARE(focus(), opener);
    }
    QCOMPARE(snapshot(), before);
    QCOMPARE(serial->text(), device(0)->prSerial->value());
}

void TestKeyboard::everyStopShowsTheFocus_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("settings") << 0;
    QTest::newRow("run, after a run") << 1;
    QTest::newRow("graph") << 2;
    QTest::newRow("transducer") << 3;
    QTest::newRow("protocols, none written") << 4;
    QTest::newRow("device cards, none stored") << 5;
}

void TestKeyboard::everyStopShowsTheFocus()
{
    QFETCH(int, page);
    HTabWidget *tabs = window()->tabWidget();
    if (page == 4) {
        tabs->setCurrentWidget(runPage());
        runPage()->processButton(TabVerification::ButtonProtocols);
    } else if (page == 5) {
        tabs->setCurrentWidget(TabSettings::instance);
        TabSettings::instance->processButton(TabSettings::ButtonDeviceCards);
    } else {
        tabs->setCurrentIndex(page);
    }
    // The run, graph and transducer pages borrow the live graph: it shows once it is laid out.
    GraphWidget *graph = TabGraph::instance->graphWidget();
    const bool withGraph = page >= 1 && page <= 3;
    if (withGraph)
        QTRY_VERIFY(graph->isVisible());
    QVERIFY(tabTo(mainTabBar()));
    press(Qt::Key_Tab);
    QWidget *start = focus();
    QStringList unseen;
    QList<QWidget *> stops;
    do {
        QWidget *stop = focus();
        QVERIFY(stop);
        stops << stop;
        // In view: a page that scrolls brings the field there.
        if (stop->visibleRegion().isEmpty())
            unseen << describe(stop) + QStringLiteral(" (out of view)");
        const QImage focused = ownLook(stop);
        press(Qt::Key_Tab);
        if (ownLook(stop) == focused)
            unseen << describe(stop);
        QVERIFY(stops.size() < 200);
    } while (focus() != start);
    QVERIFY2(unseen.isEmpty(), qPrintable(unseen.join(QStringLiteral(", "))));
    // Round again, from the tab bar into a page scrolled to its end: the first field in view.
    QVERIFY2(!start->visibleRegion().isEmpty(), qPrintable(describe(start)));
    // The flat buttons and the canvas among them.
    if (withGraph) {
        QVERIFY(stops.contains(TabGraph::instance->plot()->canvas()));
        for (HButton *button : graph->buttons())
            QVERIFY(stops.contains(button));
    }
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(window(), QStringLiteral("keyboard_focus_page%1").arg(page))));
    if (page == 4)
        TabProtocols::instance->processButton(TabProtocols::ButtonBack);
    else if (page == 5)
        TabDeviceConfig::instance->processButton(TabDeviceConfig::ButtonBack);
}

void TestKeyboard::pagesSurviveAMinimisedWindow()
{
    QFile(m_protocols.filePath(QStringLiteral("first.xlsx"))).open(QIODevice::WriteOnly);
    QFile(m_protocols.filePath(QStringLiteral("second.xlsx"))).open(QIODevice::WriteOnly);
    window()->tabWidget()->setCurrentWidget(runPage());
    runPage()->processButton(TabVerification::ButtonProtocols);
    TabProtocols *protocols = TabProtocols::instance;
    // Written behind the page's back: listed again.
    protocols->model()->reloadProtocols();
    QTableView *list = protocols->fileTable();
    QCOMPARE(list->model()->rowCount(), 2);
    list->setCurrentIndex(list->model()->index(0, 0));
    window()->showMinimized();
    window()->showNormal();
    QVERIFY(protocols->isVisible());
    // As it was left: the row the operator was on.
    QCOMPARE(list->currentIndex().row(), 0);

    // Another page in front, then the run page again: the page laid over it stays closed.
    window()->tabWidget()->setCurrentWidget(TabSettings::instance);
    window()->tabWidget()->setCurrentWidget(runPage());
    QVERIFY(!protocols->isVisible());

    window()->tabWidget()->setCurrentWidget(TabSettings::instance);
    TabSettings::instance->processButton(TabSettings::ButtonDeviceCards);
    TabDeviceConfig *cards = TabDeviceConfig::instance;
    QVERIFY(cards->isVisible());
    window()->showMinimized();
    window()->showNormal();
    QVERIFY(cards->isVisible());
    cards->processButton(TabDeviceConfig::ButtonBack);
    // Closed, it stays closed through another minimise.
    window()->showMinimized();
    window()->showNormal();
    QVERIFY(!cards->isVisible());
    QVERIFY(!protocols->isVisible());
    QVERIFY(QFile::remove(m_protocols.filePath(QStringLiteral("first.xlsx"))));
    QVERIFY(QFile::remove(m_protocols.filePath(QStringLiteral("second.xlsx"))));
}

APPDIR_TEST_MAIN(TestKeyboard)

#include "tst_keyboard.moc"
