#include "Workstation.h"

#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Interface/Application.h"
#include "Interface/MainWindow.h"
#include "Parameters/EditField.h"
#include "Parameters/MainHandler.h"
#include "Widgets/HButton.h"
#include "QvtSimulator.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QtTest>

namespace TestSupport {

HButton *buttonOf(QWidget *in, int id)
{
    const QList<HButton *> buttons = in->findChildren<HButton *>();
    for (HButton *b : buttons) {
        if (b->id() == id)
            return b;
    }
    return nullptr;
}

void clickButton(QWidget *in, int id)
{
    HButton *button = buttonOf(in, id);
    QVERIFY2(button, qPrintable(QStringLiteral("no button %1").arg(id)));
    QVERIFY(button->isVisible() && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

QWidget *editorOf(const QWidget *in, const HAbstractParametr *parametr)
{
    for (EditField *field : in->findChildren<EditField *>()) {
        if (field->parametr() == parametr)
            return field->editor();
    }
    return nullptr;
}

void chooseByKeys(QComboBox *box, int id)
{
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QVERIFY(box->isEnabled());
    const int target = box->findData(id);
    QVERIFY(target >= 0);
    box->setFocus(Qt::TabFocusReason);
    while (box->currentIndex() != target) {
        const int before = box->currentIndex();
        QTest::keyClick(box, target > before ? Qt::Key_Down : Qt::Key_Up);
        QVERIFY(box->currentIndex() != before);
    }
}

Workstation::Workstation(const QvtTransducerState &state) : m_state(state)
{
}

Workstation::~Workstation()
{
    closeDown();
}

bool Workstation::start(QString *error)
{
    m_simulator.reset(new QvtSimulator(m_state));
    if (!m_simulator->start(error))
        return false;
    qputenv("MANOVERA_EXTRA_PORTS", m_simulator->portName().toLocal8Bit());

    installQtTranslations();
    createApplicationObjects();
    m_window.reset(new MainWindow());

    // Connected after the window, so the pages take each reading before the count moves.
    connect(MainHandler::instance, &MainHandler::dataMeasured, this, [this]() { ++m_readings; });
    connect(MainHandler::instance, &MainHandler::connectStateChnanged, this, [this](bool on) {
        if (on)
            ++m_connected;
    });
    connect(AirHandler::instance, &AirHandler::taskFinished, this, [this](int task) {
        if (task >= 0 && task < int(std::size(m_finished)))
            ++m_finished[task];
    });

    m_window->resize(1280, 800);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    if (!QTest::qWaitForWindowExposed(m_window.get())) {
        if (error)
            *error = QStringLiteral("the main window was not shown");
        return false;
    }

    // The worker's start-up chain (port search, open test) may still run, and would lock the
    // window under the test. A task of no number ends the chain after the task in hand; once it
    // has finished and the lock it raised is lowered, the worker rests.
    AirHandler::instance->requestTask(NoTask);
    if (!waitForTask(NoTask) || !waitUntilUnlocked()) {
        if (error)
            *error = QStringLiteral("the transducer worker did not come to rest after start-up");
        return false;
    }
    return true;
}

QAction *Workstation::action(int id) const
{
    return m_window ? m_window->action(id) : nullptr;
}

bool Workstation::connectTransducer(int timeoutMs)
{
    QAction *connectAction = action(MainWindow::ActionConnect);
    if (!connectAction || !connectAction->isEnabled())
        return false;
    const int connected = m_connected;
    const int settingsRead = m_finished[AirHandler::TaskReadSettings];
    connectAction->trigger();
    return QTest::qWaitFor([&]() { return m_connected > connected; }, timeoutMs)
        && QTest::qWaitFor([&]() { return m_finished[AirHandler::TaskReadSettings] > settingsRead; }, timeoutMs)
        && waitUntilUnlocked(timeoutMs);
}

bool Workstation::waitForTask(int task, int timeoutMs)
{
    if (task < 0 || task >= int(std::size(m_finished)))
        return false;
    const int before = m_finished[task];
    return QTest::qWaitFor([&]() { return m_finished[task] > before; }, timeoutMs);
}

bool Workstation::waitForReadings(int count, int timeoutMs)
{
    const int target = m_readings + count;
    return QTest::qWaitFor([&]() { return m_readings >= target; }, timeoutMs);
}

bool Workstation::waitUntilUnlocked(int timeoutMs)
{
    return QTest::qWaitFor([&]() { return m_window && !isScreenLocked() && m_window->isEnabled(); }, timeoutMs);
}

void Workstation::setPressure(double value)
{
    if (m_simulator)
        m_simulator->setPressure(value);
}

bool Workstation::settle(double pressure, bool request)
{
    setPressure(pressure);
    const double expected = double(float(pressure));
    for (int i = 0; i < 60; ++i) {
        if (request)
            Measure::instance->requestMeasurement();
        if (!waitForReadings(1))
            return false;
        const Measure::Reading reading = Measure::instance->reading();
        const QList<double> history = TAIR::instance->history();
        if (reading.status == 0 && reading.value == expected && history.size() >= 2
            && history.at(history.size() - 1) == expected && history.at(history.size() - 2) == expected)
            return true;
    }
    return false;
}

void Workstation::closeDown()
{
    if (m_window) {
        m_window.reset();
        // The worker is deleted with the next turn of the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    if (m_simulator) {
        m_simulator->stop();
        m_simulator.reset();
    }
}

}
