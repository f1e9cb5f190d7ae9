#pragma once

#include "QvtTransducerState.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <memory>

class HAbstractParametr;
class HButton;
class MainWindow;
class QAction;
class QComboBox;
class QvtSimulator;

namespace TestSupport {

// The button of the id among the widget's children (a page's buttons carry ids), or null.
HButton *buttonOf(QWidget *in, int id);
// Clicks that button with the mouse; fails the running test when it is missing, hidden or
// disabled.
void clickButton(QWidget *in, int id);
// The editor of the parameter's field among the widget's children, or null.
QWidget *editorOf(const QWidget *in, const HAbstractParametr *parametr);
template <typename Editor>
Editor *editorOf(const QWidget *in, const HAbstractParametr *parametr)
{
    return qobject_cast<Editor *>(editorOf(in, parametr));
}
// Chooses the item of the id in the combo box with the arrow keys, as the operator does; fails
// the running test when the box is not usable, has no such item or does not move.
void chooseByKeys(QComboBox *box, int id);

// Records what the pages ask the desktop to open: the handler of "file" URLs that a test gives
// QDesktopServices::setUrlHandler.
class DesktopStandIn : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

// The whole workstation in a test process, as main builds it, with the simulated transducer on
// a pseudo-terminal in place of a real one. One set of service objects exists per process, so a
// test executable holds one Workstation for all its cases; it must run in an application folder
// of its own (runInTemporaryAppDir), since the program writes conf.ini and QvtSettings/ there.
//
// The waits count what reaches the GUI thread after the call: trigger the action first, then
// wait, without running the event loop in between (the worker's signals arrive queued).
class Workstation : public QObject
{
    Q_OBJECT
public:
    static constexpr int LongWaitMs = 30000;
    // A task number the worker knows nothing of: it only reports that it has finished.
    static constexpr int NoTask = 10;

    explicit Workstation(const QvtTransducerState &state = QvtTransducerState());
    // The transducer most cases run against: 0..1000 kPa.
    static QvtTransducerState kPaTransducer()
    {
        QvtTransducerState state;
        state.unitsCode = 1;   // kPa
        state.lowerLimit = 0.0f;
        state.upperLimit = 1000.0f;
        return state;
    }
    ~Workstation() override;

    // Starts the simulator, lists its port in MANOVERA_EXTRA_PORTS (so the worker's start-up
    // search finds and chooses it), creates the service objects and the main window, and shows
    // the window; returns once the worker's start-up chain is over. False with the reason in *error.
    bool start(QString *error = nullptr);

    MainWindow *window() const { return m_window.get(); }
    QvtSimulator *simulator() const { return m_simulator.get(); }
    QAction *action(int id) const;

    // The menu's connect action; waits for the link, the settings read after it and the lock
    // to be lowered again.
    bool connectTransducer(int timeoutMs = LongWaitMs);
    // Waits for the next AirHandler::taskFinished(task).
    bool waitForTask(int task, int timeoutMs = LongWaitMs);
    // Waits for count more readings (MainHandler::dataMeasured), after the pages have taken them.
    bool waitForReadings(int count, int timeoutMs = LongWaitMs);
    // Waits until the window is usable: lock lowered, window enabled.
    bool waitUntilUnlocked(int timeoutMs = LongWaitMs);
    // In the transducer's own units.
    void setPressure(double value);
    // Sets the pressure and waits until the reading and the last two of the history hold it
    // (the reading a point stores and the uncertainty's samples). With request, each reading is
    // asked for, as the graph page's timer would; without, the timer is running.
    bool settle(double pressure, bool request);

    int readings() const { return m_readings; }
    int connectedCount() const { return m_connected; }

    // Destroys the window, which runs the shutdown (the worker stops); then stops the simulator.
    void closeDown();

private:
    QvtTransducerState m_state;
    std::unique_ptr<QvtSimulator> m_simulator;
    std::unique_ptr<MainWindow> m_window;
    int m_readings = 0;
    int m_connected = 0;
    int m_finished[16] = {};
};

}
