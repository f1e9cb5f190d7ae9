#include "Interface/MainWindow.h"

#include "Devices/AirHandler.h"
#include "Devices/TAIR.h"
#include "Documents/TabDeviceConfig.h"
#include "Documents/TabProtocols.h"
#include "Interface/Application.h"
#include "Interface/Assistant.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/Settings.h"
#include "Verification/Verification.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/ColorScheme.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/HostWindow.h"
#include "Widgets/Icons.h"
#include "Widgets/OverlayFocus.h"
#include "Widgets/ScreenLocker.h"

#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QGridLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>

MainWindow *MainWindow::instance = nullptr;

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    instance = this;
    setMainHostWindow(this);
    if (ColorScheme::instance)
        ColorScheme::instance->windowColor = palette().color(QPalette::Window);

    QFont font = this->font();
    const int storedSize = Settings::instance ? Settings::instance->mainFontSize()->value() : 0;
    if (storedSize > 0)
        font.setPointSize(storedSize);
    QApplication::setFont(font);

    setWindowTitle(titleText());

    applicationFont = this->font();
    updateFontMetrics();

    buildMenus();

    m_tabs = new HTabWidget(this);
    m_tabs->setMinimumSize(640, 480);
    m_tabs->addTab(new TabSettings(this), tr("Параметры поверки"));
    m_tabs->addTab(new TabVerification(this), tr("Поверка"));
    m_tabs->addTab(new TabGraph(this), tr("График"));
    m_tabs->addTab(new TabQvtSettings(this), tr("Настройка ЦРЗ"));

    auto *central = new QWidget(this);
    auto *layout = new QGridLayout(central);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs, 0, 0);
    setCentralWidget(central);

    m_locker->raise();

    MainHandler *hub = MainHandler::instance;
    if (hub)
        connect(hub, SIGNAL(setScreenLockState(bool)), this, SLOT(setScreenLockState(bool)));
    // The pages and the link actions start disconnected.
    onConnectedStateChanged(false);
    if (hub)
        connect(hub, SIGNAL(connectStateChnanged(bool)), this, SLOT(onConnectedStateChanged(bool)));
    if (TabSettings::instance)
        TabSettings::instance->adjustWidth();
    if (hub)
        connect(hub, SIGNAL(fontChanged()), this, SLOT(onFontChanged()));
    if (Verification::instance)
        connect(Verification::instance, SIGNAL(stateChanged()), this, SLOT(onVerificatonStateChanged()));
    if (TabQvtSettings::instance)
        connect(TabQvtSettings::instance, SIGNAL(trimStateChanged(bool)), this, SLOT(onTrimStateChanged(bool)));

    new Assistant(this);

    // A combo box or a spin box under the pointer would take Control+wheel as its own and change
    // its value unnoticed: the window takes it first, wherever it points.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    if (qApp)
        qApp->removeEventFilter(this);
    shutdownApplication();
    if (instance == this) {
        instance = nullptr;
        setMainHostWindow(nullptr);
    }
}

QString MainWindow::version()
{
    return QStringLiteral("2.9");
}

QString MainWindow::titleText()
{
    return tr("Мановера") + QStringLiteral("   v") + version();
}

QString MainWindow::aboutText()
{
    return tr("Мановера") + QLatin1Char(' ') + version() + QLatin1Char('\n')
        + tr("Программа предназначена для поверки манометров с помощью эталонных преобразователей давления ЦРЗ.");
}

QAction *MainWindow::addMenuAction(QMenu *menu, const QString &text, int id, const QIcon &icon)
{
    QAction *action = menu->addAction(icon, text);
    action->setData(QVariant(id));
    connect(action, SIGNAL(triggered(bool)), this, SLOT(onActionActivate()));
    return action;
}

void MainWindow::buildMenus()
{
    m_locker = new ScreenLocker(this);
    m_locker->setState(ScreenLocker::StateStartupExchange);
    m_locker->hide();
    if (MainHandler *hub = MainHandler::instance) {
        connect(hub, SIGNAL(setLockScreenMaxVal(int)), m_locker, SLOT(setMaxProgress(int)));
        connect(hub, SIGNAL(lockScreenAddVal()), m_locker, SLOT(addProgress()));
    }

    QMenu *file = menuBar()->addMenu(tr("Файл"));
    addMenuAction(file, tr("Выход"), ActionExit, iconOf(Icons::Exit))
        ->setShortcut(QKeySequence(int(Qt::CTRL) | int(Qt::Key_Q)));

    QMenu *actions = menuBar()->addMenu(tr("Действие"));
    m_connectAction = addMenuAction(actions, tr("Подключить ЦРЗ"), ActionConnect, iconOf(Icons::SearchDev));
    m_connectAction->setShortcut(QKeySequence(int(Qt::CTRL) | int(Qt::Key_F)));
    m_disconnectAction = addMenuAction(actions, tr("Отключить ЦРЗ"), ActionDisconnect, iconOf(Icons::Disconnect));
    m_disconnectAction->setShortcut(QKeySequence(int(Qt::CTRL) | int(Qt::Key_D)));
    addMenuAction(actions, tr("Полный экран"), ActionFullScreen, iconOf(Icons::FullScreen))
        ->setShortcut(QKeySequence(int(Qt::ALT) | int(Qt::Key_Return)));

    QMenu *font = menuBar()->addMenu(tr("Шрифт"));
    addMenuAction(font, tr("Увеличить шрифт"), ActionFontUp)
        ->setShortcut(QKeySequence(int(Qt::CTRL) | int(Qt::Key_Plus)));
    addMenuAction(font, tr("Уменьшить шрифт"), ActionFontDown)
        ->setShortcut(QKeySequence(int(Qt::CTRL) | int(Qt::Key_Minus)));

    QMenu *help = menuBar()->addMenu(tr("Помощь"));
    addMenuAction(help, tr("Открыть справку"), ActionHelp)->setShortcut(QKeySequence(int(Qt::Key_F1)));
    addMenuAction(help, tr("О программе"), ActionAbout);
}

QAction *MainWindow::action(int id) const
{
    const QList<QAction *> menus = menuBar()->actions();
    for (QAction *menuAction : menus) {
        if (!menuAction->menu())
            continue;
        const QList<QAction *> items = menuAction->menu()->actions();
        for (QAction *item : items) {
            if (item->data().isValid() && item->data().toInt() == id)
                return item;
        }
    }
    return nullptr;
}

void MainWindow::onActionActivate()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (action && action->data().isValid())
        activateAction(action->data().toInt());
}

void MainWindow::activateAction(int id)
{
    switch (id) {
    case ActionExit:
        shutdownApplication();
        break;
    case ActionFullScreen:
        if (isFullScreen())
            showNormal();
        else
            showFullScreen();
        break;
    case ActionConnect:
        if (AirHandler::instance)
            AirHandler::instance->requestTask(AirHandler::TaskConnect);
        break;
    case ActionDisconnect:
        // Saves the transducer's own settings file.
        if (TAIR::instance)
            TAIR::instance->setConnected(false);
        if (MainHandler::instance)
            emit MainHandler::instance->connectStateChnanged(false);
        break;
    case ActionFontUp:
    case ActionFontDown: {
        int size = applicationFont.pointSize();
        if (size <= 0)
            size = QFontInfo(applicationFont).pointSize();
        changeFontSize(id == ActionFontUp ? std::min(size + 1, MaximumFontSize)
                                          : std::max(size - 1, MinimumFontSize));
        break;
    }
    case ActionHelp:
        if (Assistant::instance)
            Assistant::instance->showHelp(helpTopic());
        break;
    case ActionAbout:
        QMessageBox::about(this, titleText(), aboutText());
        break;
    default:
        break;
    }
}

int MainWindow::helpTopic() const
{
    // The card and protocol pages lie over the first two pages: their topic while they show.
    switch (m_tabs->currentIndex()) {
    case 0:
        return TabDeviceConfig::instance && TabDeviceConfig::instance->isVisible() ? Assistant::topic_tabDeviceConfig
                                                                                  : Assistant::topic_tabSettings;
    case 1:
        return TabProtocols::instance && TabProtocols::instance->isVisible() ? Assistant::topic_tabProtocols
                                                                            : Assistant::topic_tabVerification;
    case 2:
        return Assistant::topic_tabGraph;
    case 3:
        return Assistant::topic_tabQvt;
    default:
        return Assistant::topic_tabSettings;
    }
}

void MainWindow::changeFontSize(int size)
{
    if (size == applicationFont.pointSize())
        return;
    applicationFont.setPointSize(size);
    qApp->setStyleSheet(QString());
    QApplication::setFont(applicationFont);
    if (Settings::instance)
        Settings::instance->mainFontSize()->setValue(size);
    updateFontMetrics();
    if (MainHandler::instance)
        emit MainHandler::instance->fontChanged();
}

void MainWindow::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        // Control released: what was left of the last turn is gone.
        m_wheelAngle = 0;
        QMainWindow::wheelEvent(event);
        return;
    }
    turnFontWheel(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Only widgets of this window: the pages, the pages laid over them, the in-window messages;
    // dialogs and popups are windows of their own. A locked window is disabled and takes no
    // input, this wheel included.
    if (event->type() == QEvent::Wheel && watched->isWidgetType() && isEnabled()) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if ((wheel->modifiers() & Qt::ControlModifier) && static_cast<QWidget *>(watched)->window() == this) {
            // Accepted, so the event goes on to no parent and counts once.
            turnFontWheel(wheel);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::turnFontWheel(QWheelEvent *event)
{
    event->accept();
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return;
    // A turn the other way does not spend what was left of the last one.
    if (m_wheelAngle != 0 && (delta > 0) != (m_wheelAngle > 0))
        m_wheelAngle = 0;
    m_wheelAngle += delta;
    while (m_wheelAngle >= WheelStep) {
        m_wheelAngle -= WheelStep;
        activateAction(ActionFontUp);
    }
    while (m_wheelAngle <= -WheelStep) {
        m_wheelAngle += WheelStep;
        activateAction(ActionFontDown);
    }
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_locker) {
        m_locker->resize(size());
        emit sizeChanged();
    }
}

void MainWindow::setScreenLockState(bool isLocked)
{
    // A request the worker has not taken yet keeps the lock it raised: an unlock that was sent
    // before the request was made (by an idle turn of the worker) comes too late to count.
    if (!isLocked && AirHandler::instance && AirHandler::instance->requestWaiting())
        return;
    // The lock shows before the window is disabled, which takes the focus from it, and goes after
    // the window is enabled again: so it notes where the focus was and can give it back.
    if (m_locker && isLocked) {
        m_locker->setState(ScreenLocker::StateExchange);
        m_locker->show();
    }
    menuBar()->setEnabled(!isLocked);
    setEnabled(!isLocked);
    if (m_locker && !isLocked) {
        m_locker->setState(ScreenLocker::StateExchange);
        m_locker->hide();
    }
}

bool MainWindow::focusNextPrevChild(bool next)
{
    return OverlayFocus::focusNextPrevChild(this, next) || QMainWindow::focusNextPrevChild(next);
}

void MainWindow::onConnectedStateChanged(bool connected)
{
    if (TabSettings::instance)
        TabSettings::instance->setConnectedState(connected);
    if (TabVerification::instance)
        TabVerification::instance->setConnectedState(connected);
    if (TabGraph::instance)
        TabGraph::instance->setConnectedState(connected);
    if (TabQvtSettings::instance)
        TabQvtSettings::instance->setConnectedState(connected);
    m_connectAction->setEnabled(!connected);
    m_disconnectAction->setEnabled(connected);
}

void MainWindow::onFontChanged()
{
    if (TabSettings::instance)
        TabSettings::instance->adjustWidth();
}

void MainWindow::onVerificatonStateChanged()
{
    if (TabQvtSettings::instance && Verification::instance)
        TabQvtSettings::instance->setVerificationRunning(Verification::instance->state() == 0);
}

void MainWindow::onTrimStateChanged(bool active)
{
    // The transducer settings page runs the trim and stays usable; so does the menu bar.
    for (QWidget *page : std::initializer_list<QWidget *>{TabSettings::instance, TabVerification::instance,
                                                           TabGraph::instance}) {
        if (page)
            page->setEnabled(!active);
    }
}
