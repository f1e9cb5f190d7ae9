// The main window as main builds it, with the simulated transducer: menus, font sizes (the live
// graph's too), the wheel (with Control it changes the font over any editor, never the editor),
// the screen lock, the link actions, the trim lock, help by the page in front and the exit.
#include "Devices/AirHandler.h"
#include "Devices/TAIR.h"
#include "Documents/TabDeviceConfig.h"
#include "Documents/TabProtocols.h"
#include "Interface/Application.h"
#include "Interface/Assistant.h"
#include "Interface/GraphWidget.h"
#include "Interface/LinenPlot.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/EditField.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/PrField.h"
#include "Parameters/Settings.h"
#include "Messages.h"
#include "QvtSimulator.h"
#include "StandInViewer.h"
#include "TestSupport.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/ColorScheme.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/ScreenLocker.h"
#include "Workstation.h"

#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSettings>
#include <QTabBar>
#include <QWheelEvent>
#include <QtTest>
#include <QtTest/qtestspontaneevent.h>

#include <functional>

Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void helpLauncherMadeLast();
    void storedFontSizeInForce();
    void menus_data();
    void menus();
    void fontActions_data();
    void fontActions();
    void graphFollowsTheFont();
    void wheel_data();
    void wheel();
    void ctrlWheelOverAnEditor_data();
    void ctrlWheelOverAnEditor();
    void screenLock();
    void fullScreen();
    void linkActionsFollowTheConnection();
    void trimLocksTheOtherPages();
    void helpFollowsThePageInFront_data();
    void helpFollowsThePageInFront();
    void waitingRequestKeepsTheLock();
    void exitShutsDownOnce();

private:
    void clickTab(int index);
    // The button of an id among the page's own HButtons; null when there is none.
    static HButton *buttonOf(QWidget *page, int id, const QString &text);
    // A turn of the wheel at the middle of widget, delivered to the widget under the pointer there
    // as the window system's is; returns that widget.
    QWidget *turnWheelOver(QWidget *widget, int delta, Qt::KeyboardModifiers modifiers);
    static QString appFile(const QString &name) { return QCoreApplication::applicationDirPath() + name; }
    MainWindow *window() const { return m_station->window(); }
    // The font as a size stored in conf.ini would leave it.
    static void setFontSize(int size)
    {
        applicationFont.setPointSize(size);
        QApplication::setFont(applicationFont);
        updateFontMetrics();
    }

    std::unique_ptr<TestSupport::Workstation> m_station;
    TestSupport::StandInViewer m_viewer;
};

void TestMainWindow::initTestCase()
{
    // A size below the actions' range, as an older version or a hand edit may leave it.
    QSettings stored(appFile("/conf.ini"), QSettings::IniFormat);
    stored.setValue(QStringLiteral("prMainFontSize"), 3);
    stored.sync();

    m_station.reset(new TestSupport::Workstation());
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
}

void TestMainWindow::helpLauncherMadeLast()
{
    QVERIFY(Assistant::instance);
    QCOMPARE(Assistant::instance->parent(), window());
    const QList<Assistant *> launchers = window()->findChildren<Assistant *>();
    QCOMPARE(launchers.size(), 1);
    // After every page and connection the window makes.
    QCOMPARE(window()->children().last(), Assistant::instance);
}

void TestMainWindow::storedFontSizeInForce()
{
    QCOMPARE(applicationFont.pointSize(), 3);
    QCOMPARE(QApplication::font().pointSize(), 3);
    QCOMPARE(window()->font().pointSize(), 3);
    QCOMPARE(fontLineHeight, QFontMetrics(applicationFont).height());
    QCOMPARE(window()->windowTitle(), QStringLiteral("Мановера   v2.9"));
    QCOMPARE(ColorScheme::instance->windowColor, window()->palette().color(QPalette::Window));
    QCOMPARE(MainWindow::instance, window());

    QTabBar *tabs = window()->tabWidget()->tabBar();
    QCOMPARE(tabs->count(), 4);
    QCOMPARE(window()->tabWidget()->widget(0), TabSettings::instance);
    QCOMPARE(window()->tabWidget()->widget(1), TabVerification::instance);
    QCOMPARE(window()->tabWidget()->widget(2), TabGraph::instance);
    QCOMPARE(window()->tabWidget()->widget(3), TabQvtSettings::instance);
    QCOMPARE((QStringList{tabs->tabText(0), tabs->tabText(1), tabs->tabText(2), tabs->tabText(3)}),
             (QStringList{"Параметры поверки", "Поверка", "График", "Настройка ЦРЗ"}));
    QVERIFY(!window()->screenLocker()->isVisible());
}

void TestMainWindow::menus_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<bool>("icon");
    QTest::newRow("exit") << 0 << "Файл" << "Выход" << QKeySequence("Ctrl+Q") << true;
    QTest::newRow("connect") << 2 << "Действие" << "Подключить ЦРЗ" << QKeySequence("Ctrl+F") << true;
    QTest::newRow("disconnect") << 3 << "Действие" << "Отключить ЦРЗ" << QKeySequence("Ctrl+D") << true;
    QTest::newRow("full screen") << 1 << "Действие" << "Полный экран" << QKeySequence("Alt+Return") << true;
    QTest::newRow("larger font") << 4 << "Шрифт" << "Увеличить шрифт" << QKeySequence(Qt::CTRL | Qt::Key_Plus) << false;
    QTest::newRow("smaller font") << 5 << "Шрифт" << "Уменьшить шрифт" << QKeySequence("Ctrl+-") << false;
    QTest::newRow("help") << 6 << "Помощь" << "Открыть справку" << QKeySequence("F1") << false;
    QTest::newRow("about") << 7 << "Помощь" << "О программе" << QKeySequence() << false;
}

void TestMainWindow::menus()
{
    QFETCH(int, id);
    QFETCH(QString, menu);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);
    QFETCH(bool, icon);

    QStringList titles;
    for (QAction *entry : window()->menuBar()->actions())
        titles << entry->text();
    QCOMPARE(titles, (QStringList{"Файл", "Действие", "Шрифт", "Помощь"}));

    QAction *action = window()->action(id);
    QVERIFY(action);
    QCOMPARE(action->data(), QVariant(id));
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), shortcut);
    QCOMPARE(!action->icon().isNull(), icon);
    auto *owner = qobject_cast<QMenu *>(action->parent());
    QVERIFY(owner);
    QCOMPARE(owner->title(), menu);
    if (id == 1) {
        // The ids are the actions' numbers, not their places.
        QCOMPARE(owner->actions().indexOf(action), 2);
    }
}

void TestMainWindow::fontActions_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("size");
    QTest::newRow("larger") << 10 << 4 << 11;
    QTest::newRow("smaller") << 10 << 5 << 9;
    QTest::newRow("larger at 80 changes nothing") << 80 << 4 << 80;
    QTest::newRow("smaller at 5 changes nothing") << 5 << 5 << 5;
    QTest::newRow("larger from above 80 sets 80") << 90 << 4 << 80;
    QTest::newRow("smaller from above 80 by one") << 90 << 5 << 89;
    QTest::newRow("smaller from below 5 sets 5") << 3 << 5 << 5;
    QTest::newRow("larger from below 5 by one") << 3 << 4 << 4;
}

void TestMainWindow::fontActions()
{
    QFETCH(int, start);
    QFETCH(int, id);
    QFETCH(int, size);

    setFontSize(start);
    Settings::instance->mainFontSize()->setValue(start);
    QSignalSpy changed(MainHandler::instance, &MainHandler::fontChanged);
    window()->action(id)->trigger();

    QCOMPARE(applicationFont.pointSize(), size);
    QCOMPARE(QApplication::font().pointSize(), size);
    QCOMPARE(Settings::instance->mainFontSize()->value(), size);
    QCOMPARE(changed.count(), size == start ? 0 : 1);
    QCOMPARE(fontLineHeight, QFontMetrics(applicationFont).height());
    // The pages follow the application font.
    QCOMPARE(TabGraph::instance->font().pointSize(), size);
}

void TestMainWindow::graphFollowsTheFont()
{
    clickTab(2);
    GraphWidget *graph = TabGraph::instance->graphWidget();
    LinenPlot *plot = graph->plot();
    // The page takes back the graph that the run page may have borrowed.
    QTRY_VERIFY(graph->isVisible());
    // From a size a stored setting leaves, one step down: the graph starts in step with the page.
    setFontSize(10);
    window()->action(MainWindow::ActionFontDown)->trigger();
    const auto axisSize = [&](int axis) { return plot->axisWidget(axis)->font().pointSize(); };
    const auto titleSize = [&](int axis) { return plot->axisTitle(axis).font().pointSize(); };
    const int labels = axisSize(QwtPlot::yLeft);
    const int titles = titleSize(QwtPlot::yLeft);
    const int timeAxisHeight = plot->axisWidget(QwtPlot::xBottom)->height();

    window()->action(MainWindow::ActionFontUp)->trigger();
    window()->action(MainWindow::ActionFontUp)->trigger();
    QCOMPARE(axisSize(QwtPlot::yLeft), labels + 2);
    QCOMPARE(axisSize(QwtPlot::xBottom), labels + 2);
    QCOMPARE(titleSize(QwtPlot::yLeft), titles + 2);
    QCOMPARE(titleSize(QwtPlot::xBottom), titles + 2);
    // The whole graph takes the page's font, its buttons too, and the axes make room for it.
    QCOMPARE(plot->font().pointSize(), 11);
    QCOMPARE(graph->buttons().first()->font().pointSize(), 11);
    QTRY_VERIFY(plot->axisWidget(QwtPlot::xBottom)->height() > timeAxisHeight);
}

void TestMainWindow::wheel_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QList<int>>("deltas");
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("accepted");
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    QTest::newRow("notch up") << ctrl << QList<int>{120} << 1 << true;
    QTest::newRow("notch down") << ctrl << QList<int>{-120} << -1 << true;
    QTest::newRow("two notches, two events") << ctrl << QList<int>{120, 120} << 2 << true;
    QTest::newRow("two notches in one event") << ctrl << QList<int>{240} << 2 << true;
    QTest::newRow("small steps add up") << ctrl << QList<int>{30, 30, 30} << 0 << true;
    QTest::newRow("a fourth small step") << ctrl << QList<int>{30, 30, 30, 30} << 1 << true;
    QTest::newRow("a turn back starts afresh") << ctrl << QList<int>{90, -60, 90} << 0 << true;
    QTest::newRow("zero delta") << ctrl << QList<int>{0} << 0 << true;
    QTest::newRow("with Shift too") << (ctrl | Qt::ShiftModifier) << QList<int>{120} << 1 << true;
    QTest::newRow("without Control") << Qt::KeyboardModifiers() << QList<int>{120, 120} << 0 << false;
}

void TestMainWindow::wheel()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QList<int>, deltas);
    QFETCH(int, steps);
    QFETCH(bool, accepted);

    setFontSize(20);
    QSignalSpy changed(MainHandler::instance, &MainHandler::fontChanged);
    const QPoint at(window()->width() / 2, window()->height() / 2);
    for (int delta : deltas) {
        QWheelEvent event(at, window()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(window(), &event);
        QCOMPARE(event.isAccepted(), accepted);
    }
    QCOMPARE(applicationFont.pointSize(), 20 + steps);
    QCOMPARE(changed.count(), std::abs(steps));

    // The wheel without Control ends the turn.
    QWheelEvent end(at, window()->mapToGlobal(at), QPoint(), QPoint(0, 1), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
    QApplication::sendEvent(window(), &end);
}

QWidget *TestMainWindow::turnWheelOver(QWidget *widget, int delta, Qt::KeyboardModifiers modifiers)
{
    const QPoint inWindow = widget->mapTo(window(), widget->rect().center());
    QWidget *under = window()->childAt(inWindow);
    if (!under)
        return nullptr;
    const QPoint at = under->mapFrom(window(), inWindow);
    QWheelEvent event(at, under->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    // Spontaneous, as QTest's mouse events are: only then does what the widget under the pointer
    // leaves (a spin box's line edit) go on to its parents.
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(under, &event);
    return under;
}

// Control with the wheel is the font's, wherever the pointer is: an editor under it keeps its
// value. Without Control the wheel is the editor's once the operator has clicked into it.
void TestMainWindow::ctrlWheelOverAnEditor_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("delta");   // towards another entry or value of the editor
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("locked");
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers none;
    // The verification parameters show only while connected; the port rows run disconnected, as
    // the cases after them expect.
    QTest::newRow("verification step, Control") << "step" << ctrl << -120 << -1 << false;
    QTest::newRow("verification step") << "step" << none << -120 << 0 << false;
    QTest::newRow("document set on the protocol page, Control") << "document set" << ctrl << -120 << -1 << false;
    QTest::newRow("port, Control") << "port" << ctrl << 120 << 1 << false;
    QTest::newRow("port") << "port" << none << 120 << 0 << false;
    QTest::newRow("port, Control, screen locked") << "port" << ctrl << 120 << 0 << true;
}

void TestMainWindow::ctrlWheelOverAnEditor()
{
    QFETCH(QString, editor);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, delta);
    QFETCH(int, steps);
    QFETCH(bool, locked);

    QWidget *target = nullptr;
    std::function<QVariant()> value;
    // Puts back what the wheel changed, so that a failed case leaves the next ones a usable window.
    std::function<void()> restore;
    // A second live port, so that the port field has one to move to.
    QvtSimulator otherPort;
    auto restoreAtEnd = qScopeGuard([&restore]() {
        if (restore)
            restore();
    });
    if (editor == "step") {
        if (!TAIR::instance->isConnected())
            QVERIFY(m_station->connectTransducer());
        clickTab(0);
        auto *spin = qobject_cast<QDoubleSpinBox *>(TabSettings::instance->stepField()->editor()->editor());
        QVERIFY(spin && spin->isEnabled());
        target = spin;
        value = [spin]() { return QVariant(spin->value()); };
        restore = [spin, was = spin->value()]() { spin->setValue(was); };
    } else if (editor == "document set") {
        clickTab(1);
        QTest::mouseClick(TabVerification::instance->protocolsButton(), Qt::LeftButton);
        QTRY_VERIFY(TabProtocols::instance && TabProtocols::instance->isVisible());
        for (PrField *field : TabProtocols::instance->findChildren<PrField *>())
            if (field->fieldIndex() == TabProtocols::FieldDocumentSet)
                target = field->editor()->editor();
        auto *sets = qobject_cast<QComboBox *>(target);
        QVERIFY(sets);
        sets->setCurrentIndex(0);
        value = [sets]() { return QVariant(sets->currentIndex()); };
        restore = [sets]() {
            sets->setCurrentIndex(0);
            TabProtocols::instance->hide();
        };
    } else {
        if (TAIR::instance->isConnected())
            window()->action(MainWindow::ActionDisconnect)->trigger();
        QString error;
        QVERIFY2(otherPort.start(&error), qPrintable(error));
        const QString ours = m_station->simulator()->portName();
        qputenv("MANOVERA_EXTRA_PORTS", (otherPort.portName() + QLatin1Char(':') + ours).toLocal8Bit());
        clickTab(0);
        TestSupport::clickButton(TabSettings::instance->linkGroup(), TabSettings::ButtonSearchPorts);
        QVERIFY(m_station->waitForTask(AirHandler::TaskOpenPort));
        QVERIFY(m_station->waitUntilUnlocked());
        auto *ports = qobject_cast<QComboBox *>(TabSettings::instance->portField()->editor()->editor());
        QVERIFY(ports);
        QCOMPARE(ports->currentText(), ours);
        QCOMPARE(ports->itemText(ports->currentIndex() - 1), otherPort.portName());
        target = ports;
        value = [ports]() { return QVariant(ports->currentText()); };
        restore = [this, ports, ours]() {
            if (ports->currentText() == ours)
                return;
            // The worker tests the port the wheel chose; then the simulator's is chosen again.
            QVERIFY(m_station->waitForTask(AirHandler::TaskOpenPort));
            QVERIFY(m_station->waitUntilUnlocked());
            ports->setCurrentIndex(ports->findText(ours));
            QVERIFY(m_station->waitForTask(AirHandler::TaskOpenPort));
            QVERIFY(m_station->waitUntilUnlocked());
        };
    }
    QVERIFY(target->isVisible());

    setFontSize(20);
    // The pages are laid out again for the font before the pointer looks for the editor.
    const int height = target->sizeHint().height();
    QTRY_COMPARE(target->height(), height);
    QSignalSpy changed(MainHandler::instance, &MainHandler::fontChanged);
    const QVariant before = value();
    if (locked) {
        // The busy flag keeps the worker's idle turns from lowering the lock under the test.
        MainHandler::instance->setBusy(true);
        emit MainHandler::instance->setScreenLockState(true);
    }
    auto unlock = qScopeGuard([locked]() {
        if (!locked)
            return;
        emit MainHandler::instance->setScreenLockState(false);
        MainHandler::instance->setBusy(false);
    });
    if (!(modifiers & Qt::ControlModifier)) {
        QTest::mouseClick(target, Qt::LeftButton);
        // A combo box opens its list on the click; Escape closes it and leaves the choice.
        if (QWidget *popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        QTRY_VERIFY(target->hasFocus());
        QCOMPARE(value(), before);
    }
    QWidget *under = turnWheelOver(target, delta, modifiers);
    QVERIFY(under);
    // The lock overlay lies over the editor.
    QWidget *expected = locked ? static_cast<QWidget *>(window()->screenLocker()) : target;
    QVERIFY(under == expected || expected->isAncestorOf(under));

    if (modifiers & Qt::ControlModifier)
        QCOMPARE(value(), before);
    else
        QVERIFY(value() != before);
    QCOMPARE(applicationFont.pointSize(), 20 + steps);
    QCOMPARE(changed.count(), std::abs(steps));
}

void TestMainWindow::screenLock()
{
    setFontSize(9);
    // The busy flag keeps the worker's idle turns from lowering the lock under the test.
    MainHandler::instance->setBusy(true);
    QSignalSpy resized(window(), &MainWindow::sizeChanged);
    ScreenLocker *locker = window()->screenLocker();

    emit MainHandler::instance->setScreenLockState(true);
    QVERIFY(locker->isVisible());
    QCOMPARE(int(locker->state()), int(ScreenLocker::StateExchange));
    QVERIFY(!window()->menuBar()->isEnabled());
    QVERIFY(!window()->isEnabled());
    QVERIFY(isScreenLocked());
    QCOMPARE(locker->geometry(), window()->rect());

    // The pages ignore input meanwhile.
    QTabBar *tabs = window()->tabWidget()->tabBar();
    const int current = tabs->currentIndex();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect((current + 1) % 4).center());
    QCOMPARE(tabs->currentIndex(), current);

    window()->resize(1000, 700);
    QTRY_COMPARE(locker->geometry(), window()->rect());
    QVERIFY(resized.count() >= 1);
    window()->resize(1280, 800);
    QTRY_COMPARE(locker->size(), QSize(1280, 800));

    // The progress of the job behind the lock.
    emit MainHandler::instance->setLockScreenMaxVal(4);
    emit MainHandler::instance->lockScreenAddVal();
    QCOMPARE(locker->progressBar()->value(), 1);
    QCOMPARE(locker->progressBar()->maximum(), 4);

    emit MainHandler::instance->setScreenLockState(false);
    QVERIFY(!locker->isVisible());
    QVERIFY(window()->menuBar()->isEnabled());
    QVERIFY(window()->isEnabled());
    MainHandler::instance->setBusy(false);
}

void TestMainWindow::fullScreen()
{
    QAction *action = window()->action(MainWindow::ActionFullScreen);
    action->trigger();
    QTRY_VERIFY(window()->isFullScreen());
    QTRY_COMPARE(window()->screenLocker()->size(), window()->size());
    action->trigger();
    QTRY_VERIFY(!window()->isFullScreen());
}

void TestMainWindow::linkActionsFollowTheConnection()
{
    QAction *connectAction = window()->action(MainWindow::ActionConnect);
    QAction *disconnectAction = window()->action(MainWindow::ActionDisconnect);
    QVERIFY(connectAction->isEnabled());
    QVERIFY(!disconnectAction->isEnabled());
    QVERIFY(!TabGraph::instance->measureButton()->isEnabled());

    QVERIFY(m_station->connectTransducer());
    QVERIFY(!connectAction->isEnabled());
    QVERIFY(disconnectAction->isEnabled());
    QVERIFY(TabGraph::instance->measureButton()->isEnabled());

    // Disconnecting saves what the operator changed in the transducer's own file.
    const QString file = appFile("/QvtSettings/12345678.ini");
    TAIR::instance->prOwner->setValue(QStringLiteral("Лаборатория давления"));
    disconnectAction->trigger();
    QVERIFY(!TAIR::instance->isConnected());
    QCOMPARE(QSettings(file, QSettings::IniFormat).value("prOwner").toString(),
             QStringLiteral("Лаборатория давления"));
    QVERIFY(connectAction->isEnabled());
    QVERIFY(!disconnectAction->isEnabled());
    QVERIFY(!TabGraph::instance->measureButton()->isEnabled());
}

void TestMainWindow::trimLocksTheOtherPages()
{
    const QList<QWidget *> others = {TabSettings::instance, TabVerification::instance, TabGraph::instance};
    emit TabQvtSettings::instance->trimStateChanged(true);
    for (QWidget *page : others)
        QVERIFY(!page->isEnabled());
    QVERIFY(TabQvtSettings::instance->isEnabled());
    QVERIFY(window()->menuBar()->isEnabled());
    QVERIFY(window()->action(MainWindow::ActionFontUp)->isEnabled());

    emit TabQvtSettings::instance->trimStateChanged(false);
    for (QWidget *page : others)
        QVERIFY(page->isEnabled());
}

void TestMainWindow::clickTab(int index)
{
    QTabBar *tabs = window()->tabWidget()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(index).center());
    QCOMPARE(tabs->currentIndex(), index);
}

HButton *TestMainWindow::buttonOf(QWidget *page, int id, const QString &text)
{
    const QList<HButton *> buttons = page->findChildren<HButton *>();
    for (HButton *button : buttons) {
        if (button->id() == id && button->text() == text)
            return button;
    }
    return nullptr;
}

void TestMainWindow::helpFollowsThePageInFront_data()
{
    QTest::addColumn<QString>("opened");   // the page laid over a tab: "cards" or "protocols"
    QTest::addColumn<bool>("closed");      // its "Назад" pressed again
    QTest::addColumn<int>("tab");          // the tab in front when help is asked for
    QTest::addColumn<QString>("page");
    QTest::newRow("settings") << "" << false << 0 << "tabSettings.html";
    QTest::newRow("device cards over the settings") << "cards" << false << 0 << "tabDeviceConfig.html";
    QTest::newRow("device cards closed") << "cards" << true << 0 << "tabSettings.html";
    QTest::newRow("device cards left for the run page") << "cards" << false << 1 << "tabVerification.html";
    QTest::newRow("run") << "" << false << 1 << "tabVerification.html";
    QTest::newRow("protocols over the run") << "protocols" << false << 1 << "tabProtocols.html";
    QTest::newRow("protocols closed") << "protocols" << true << 1 << "tabVerification.html";
    QTest::newRow("protocols left for the graph") << "protocols" << false << 2 << "tabGraph.html";
    QTest::newRow("graph") << "" << false << 2 << "tabGraph.html";
    QTest::newRow("transducer") << "" << false << 3 << "tabQvt.html";
}

void TestMainWindow::helpFollowsThePageInFront()
{
    QFETCH(QString, opened);
    QFETCH(bool, closed);
    QFETCH(int, tab);
    QFETCH(QString, page);

    QVERIFY(!m_viewer.program().isEmpty());
    Assistant::instance->setViewer(m_viewer.program());
    // The device tabs, with their card button, show only while the transducer is connected.
    if (!TAIR::instance->isConnected())
        QVERIFY(m_station->connectTransducer());
    setFontSize(9);

    QWidget *overlay = nullptr;
    if (opened == "cards") {
        clickTab(0);
        HButton *cards = buttonOf(TabSettings::instance->deviceTabs()->currentWidget(), TabSettings::ButtonDeviceCards,
                                  QStringLiteral("Сохранение/загрузка\nконфигурации прибора"));
        QVERIFY(cards && cards->isVisible());
        QTest::mouseClick(cards, Qt::LeftButton);
        overlay = TabDeviceConfig::instance;
    } else if (opened == "protocols") {
        clickTab(1);
        QTest::mouseClick(TabVerification::instance->protocolsButton(), Qt::LeftButton);
        overlay = TabProtocols::instance;
    }
    if (overlay) {
        QTRY_VERIFY(overlay->isVisible());
        if (closed) {
            HButton *back = buttonOf(overlay, 0, QStringLiteral("Назад"));
            QVERIFY(back);
            QTest::mouseClick(back, Qt::LeftButton);
            QVERIFY(!overlay->isVisible());
        }
    }
    if (window()->tabWidget()->currentIndex() != tab)
        clickTab(tab);

    m_viewer.clear();
    QTest::keyClick(window(), Qt::Key_F1);
    const QString expected = QCoreApplication::applicationDirPath() + QStringLiteral("/help/") + page;
    QTRY_COMPARE_WITH_TIMEOUT(m_viewer.arguments(), (QStringList{"1", expected}), TestSupport::Workstation::LongWaitMs);
    QCOMPARE(QFileInfo(expected).isFile(), true);

    // The pages laid over a tab do not come back with it.
    for (QWidget *over : {static_cast<QWidget *>(TabDeviceConfig::instance), static_cast<QWidget *>(TabProtocols::instance)})
        if (over)
            over->hide();
}

// An unlock that the worker's idle turn sent before a request was made arrives after the request
// raised the lock: the window stays locked until the worker has taken the request and done it.
void TestMainWindow::waitingRequestKeepsTheLock()
{
    // The worker held for seconds by the tries of a connect to a silent transducer.
    m_station->simulator()->updateState(
        [](QvtTransducerState &s) { s.setAnswerMode(QvtTransducerState::AnswerMode::Silent); });
    AirHandler::instance->requestTask(AirHandler::TaskConnect);
    QTRY_VERIFY(!AirHandler::instance->requestWaiting());
    AirHandler::instance->requestTask(TestSupport::Workstation::NoTask);
    QVERIFY(AirHandler::instance->requestWaiting());
    QVERIFY(!window()->isEnabled());

    emit MainHandler::instance->setScreenLockState(false);
    QVERIFY(!window()->isEnabled());
    QVERIFY(isScreenLocked());

    m_station->simulator()->updateState(
        [](QvtTransducerState &s) { s.setAnswerMode(QvtTransducerState::AnswerMode::Normal); });
    QVERIFY(m_station->waitForTask(TestSupport::Workstation::NoTask));
    QVERIFY(m_station->waitUntilUnlocked());
    // The connect ends on a later try or with its message; either leaves the window as it was.
    TestSupport::takeMessageTexts(window());
}

void TestMainWindow::exitShutsDownOnce()
{
    setFontSize(12);
    QFile::remove(appFile("/conf.ini"));
    window()->action(MainWindow::ActionFontUp)->trigger();
    window()->action(MainWindow::ActionExit)->trigger();
    QVERIFY(isShutdownDone());
    QCOMPARE(QSettings(appFile("/conf.ini"), QSettings::IniFormat).value("prMainFontSize").toInt(), 13);

    // main destroys the window after the loop: no second save.
    QVERIFY(QFile::remove(appFile("/conf.ini")));
    m_station->closeDown();
    QVERIFY(!MainWindow::instance);
    QVERIFY(!QFile::exists(appFile("/conf.ini")));
}

APPDIR_TEST_MAIN(TestMainWindow)

#include "tst_mainwindow.moc"
