// The workstation as the operator meets it, in one run, each figure beside its target:
//
// 1. Start-up: from the process start to the end of the main window's first frame. Each start
//    is a fresh bench_window_start (the program's own Interface/main.cpp linked with a probe
//    that notes the first paint and ends the process), in a folder of its own with Images/,
//    Templates/, help/ and the conf.ini the program's shutdown writes. The time runs on the
//    monotonic clock from just before this process starts the child (fork and exec included)
//    to the child's first frame; the kernel's start time of the child is printed beside it.
// 2. The GUI thread's longest stall: a 5 ms timer in the GUI thread notes the gap between its
//    turns while the transducer's calibration table is read and written by a whole trim on the
//    transducer settings page, while a protocol of 201 points and 4 devices is written through
//    the protocol page's save (on its own thread), and while a connect meets a transducer that
//    never answers, and for a quarter of a second after each, while the repaints it left
//    behind are done. The session waits in plain event loops, never in a sleep of its own.
// 3. Resident memory after the 201-point run: the real main window with its pages, the points
//    model with 201 points read for 4 devices, the live graph holding 20000 samples while it
//    measures, the protocol page with its list loaded (VmRSS and VmHWM of /proc/self/status).
//
// The transducer is the simulator on a pseudo-terminal, with the program's own timings.
// The session runs in a temporary application folder beside this program (it writes conf.ini
// and QvtSettings/ there); the protocols go into that folder too. Offscreen unless
// QT_QPA_PLATFORM says otherwise (under xvfb-run, QT_QPA_PLATFORM=xcb times a real X server).
//
//   build/<dir>/bin/bench_workstation [start-ups] [repeats]    (default 21 and 5)

#include "BenchPoints.h"
#include "BenchSupport.h"

#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/MessageNamePick.h"
#include "Documents/ModelProtocols.h"
#include "Documents/TabProtocols.h"
#include "Interface/LinenPlot.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Messages.h"
#include "Modal.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/Units.h"
#include "QvtSimulator.h"
#include "TestSupport.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Workstation.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr double StartTargetMs = 300;
constexpr double StallTargetMs = 50;
constexpr double MemoryTargetMB = 150;
constexpr int ProbeIntervalMs = 5;
constexpr int GraphSamples = LinenPlot::Capacity;
constexpr int WaitMs = 60000;
// After each scenario the loop turns a while longer: the repaints it left behind count too.
constexpr int SettleMs = 250;

QTextStream out(stdout);

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

QString ms(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" ms");
}

struct Spread
{
    double median = 0, min = 0, max = 0;
};

Spread spread(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {Bench::median(v), v.front(), v.back()};
}

QString text(const Spread &s)
{
    return QStringLiteral("median %1 (min %2, max %3)").arg(ms(s.median), ms(s.min), ms(s.max));
}

// The figures of the summary, in the order they were taken.
struct Figure
{
    QString name;
    QString target;
    QString value;
    bool met;
};
QList<Figure> figures;

// ---- start-up ------------------------------------------------------------------------------

struct Start
{
    double paintMs = 0;   // the first paint began
    double frameMs = 0;   // the first frame was painted and flushed
    double kernelMs = 0;  // the same end by the kernel's start time, to a clock tick
    QString platform;
};

bool startOnce(const QString &probe, const QStringList &arguments, Start *start)
{
    QProcess child;
    const qint64 before = monotonicNs();
    child.start(probe, arguments);
    if (!child.waitForFinished(WaitMs) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        out << "start-up: the probe failed: " << child.readAllStandardError() << Qt::endl;
        return false;
    }
    const QList<QByteArray> words = child.readAllStandardOutput().simplified().split(' ');
    if (words.size() < 8 || words.at(0) != "first-paint" || words.at(2) != "frame-done") {
        out << "start-up: the probe said nothing of its first frame" << Qt::endl;
        return false;
    }
    start->paintMs = (words.at(1).toLongLong() - before) / 1e6;
    start->frameMs = (words.at(3).toLongLong() - before) / 1e6;
    start->kernelMs = words.at(5).toDouble();
    start->platform = QString::fromLatin1(words.at(7));
    return true;
}

bool measureStartUp(int runs)
{
    const QString probe = QStringLiteral(BENCH_WINDOW_START);
    const QDir folder = QFileInfo(probe).absoluteDir();
    // The first start finds no conf.ini, as on a new installation, and writes it at its
    // shutdown; the timed starts load it.
    QFile::remove(folder.filePath(QStringLiteral("conf.ini")));
    QDir(folder.filePath(QStringLiteral("QvtSettings"))).removeRecursively();
    Start start;
    if (!startOnce(probe, {QStringLiteral("--save-and-quit")}, &start))
        return false;
    const int keys = QSettings(folder.filePath(QStringLiteral("conf.ini")), QSettings::IniFormat).allKeys().size();

    std::vector<double> paint, frame, kernel;
    for (int i = 0; i < runs; ++i) {
        if (!startOnce(probe, {}, &start))
            return false;
        paint.push_back(start.paintMs);
        frame.push_back(start.frameMs);
        kernel.push_back(start.kernelMs);
    }
    const Spread f = spread(frame);
    out << "start-up, " << runs << " starts of the program's main (platform " << start.platform << ", conf.ini of "
        << keys << " keys written by its shutdown):\n"
        << "  to the end of the main window's first frame: " << text(f) << "\n"
        << "  to the start of that first paint: " << text(spread(paint)) << "\n"
        << "  the first frame by the kernel's start time of the process (to 10 ms): " << text(spread(kernel))
        << Qt::endl;
    figures << Figure{QStringLiteral("start-up to the main window's first frame, median"),
                      QStringLiteral("under %1 ms").arg(StartTargetMs), ms(f.median), f.median < StartTargetMs};
    return true;
}

// ---- the GUI thread's turns ----------------------------------------------------------------

struct Stall
{
    double longestMs = 0;
    double p99Ms = 0;
    int turns = 0;
    int over = 0;   // gaps above the target
    double seconds = 0;
};

// A timer of the GUI thread due every 5 ms; the gaps between its turns are what the operator
// would feel as a frozen window.
class LoopProbe : public QObject
{
public:
    LoopProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(ProbeIntervalMs);
        connect(&m_timer, &QTimer::timeout, this, [this]() { turn(); });
    }
    void start()
    {
        m_gaps.clear();
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    Stall stop()
    {
        const double seconds = m_clock.nsecsElapsed() / 1e9;
        QEventLoop settle;
        QTimer::singleShot(SettleMs, &settle, &QEventLoop::quit);
        settle.exec();
        turn();   // a stall that lasts to the end counts too
        m_timer.stop();
        Stall s;
        s.seconds = seconds;
        s.turns = int(m_gaps.size());
        std::vector<double> gaps = m_gaps;
        std::sort(gaps.begin(), gaps.end());
        if (!gaps.empty()) {
            s.longestMs = gaps.back();
            s.p99Ms = gaps[gaps.size() * 99 / 100];
        }
        for (double g : gaps)
            s.over += g > StallTargetMs ? 1 : 0;
        return s;
    }

private:
    void turn()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_gaps.push_back((now - m_last) / 1e6);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    std::vector<double> m_gaps;
};

// Runs the event loop as the program's own does until done() holds; no sleeps in between.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = WaitMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(ProbeIntervalMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&]() {
        if (done() || clock.elapsed() > timeoutMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

// The operator's pause between two clicks: the loop turns and paints what the first one showed,
// so that the two clicks do not add up to one stall that no operator could cause.
void pause()
{
    QEventLoop loop;
    QTimer::singleShot(150, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- the session ---------------------------------------------------------------------------

class Session : public QObject
{
public:
    explicit Session(int repeats) : m_repeats(repeats) {}

    bool run();

private:
    MainWindow *window() const { return m_station->window(); }
    // The task's next end, counted from now.
    std::function<bool()> taskEnds(int task)
    {
        const int before = m_finished.value(task);
        return [this, task, before]() { return m_finished.value(task) > before; };
    }
    bool unlocked() const { return !isScreenLocked() && window()->isEnabled(); }
    void click(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    QStringList messages() { return TestSupport::takeMessageTexts(window()); }
    bool fail(const QString &why)
    {
        out << "failed: " << why << Qt::endl;
        return false;
    }
    void report(const QString &what, const QList<Stall> &stalls, const QString &each);
    // Prints VmRSS and VmHWM; a figure of the summary when it has a name.
    void memory(const QString &when, const QString &figure = QString());

    bool trim(Stall *stall);
    bool fillRun();
    bool saveProtocol(int number, Stall *stall);
    bool silentConnect(Stall *stall);

    int m_repeats;
    std::unique_ptr<TestSupport::Workstation> m_station;
    LoopProbe m_probe;
    QHash<int, int> m_finished;
    // Modal boxes that nobody expected (a failed save's warning): closed and counted.
    QStringList m_warnings;
    QTimer m_modalWatch;
    bool m_expectModal = false;
};

void Session::report(const QString &what, const QList<Stall> &stalls, const QString &each)
{
    Stall worst;
    QStringList runs;
    for (const Stall &s : stalls) {
        if (s.longestMs >= worst.longestMs)
            worst = s;
        runs << QStringLiteral("%1 in %2 s").arg(ms(s.longestMs)).arg(s.seconds, 0, 'f', 2);
    }
    out << "longest stall of the GUI thread while " << what << " (" << stalls.size() << " runs, " << each
        << "): " << ms(worst.longestMs) << "; each run's longest: " << runs.join(QStringLiteral(", "))
        << "; in the worst run 99% of the gaps up to " << ms(worst.p99Ms) << ", gaps over " << StallTargetMs << " ms"
        << ": " << worst.over << " of " << worst.turns << Qt::endl;
    figures << Figure{QStringLiteral("longest stall while ") + what,
                      QStringLiteral("none over %1 ms").arg(StallTargetMs), ms(worst.longestMs),
                      worst.longestMs <= StallTargetMs};
}

void Session::memory(const QString &when, const QString &figure)
{
    QFile status(QStringLiteral("/proc/self/status"));
    double rss = 0, hwm = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            if (words.size() >= 2 && words.at(0) == "VmRSS:")
                rss = words.at(1).toDouble() * 1024 / 1e6;
            else if (words.size() >= 2 && words.at(0) == "VmHWM:")
                hwm = words.at(1).toDouble() * 1024 / 1e6;
        }
    }
    const QString mb = QStringLiteral(" MB");
    out << "memory " << when << ": VmRSS " << QString::number(rss, 'f', 1) << mb << " ("
        << QString::number(rss * 1e6 / 1048576, 'f', 1) << " MiB), VmHWM " << QString::number(hwm, 'f', 1) << mb
        << " (" << QString::number(hwm * 1e6 / 1048576, 'f', 1) << " MiB)" << Qt::endl;
    if (!figure.isEmpty())
        figures << Figure{figure,
                          QStringLiteral("under ") + QString::number(MemoryTargetMB, 'f', 0) + mb,
                          QString::number(rss, 'f', 1) + mb + QStringLiteral(", VmHWM ") + QString::number(hwm, 'f', 1)
                              + mb,
                          rss < MemoryTargetMB};
}

bool Session::run()
{
    // The trim's point of the test suite: 0..1000 kPa, a table of known rows.
    QvtTransducerState state;
    state.unitsCode = 1;
    state.lowerLimit = 0.0f;
    state.upperLimit = 1000.0f;
    for (int r = 0; r < QvtTransducerState::TableRows; ++r)
        for (int c = 0; c < QvtTransducerState::TableColumns; ++c)
            state.calibrationTable[size_t(r)][size_t(c)] = float(r + 1) * 1.5f + float(c) * 0.125f - 0.3f;
    m_station.reset(new TestSupport::Workstation(state));
    QString error;
    if (!m_station->start(&error))
        return fail(error);
    memory(QStringLiteral("with the main window shown"));
    connect(AirHandler::instance, &AirHandler::taskFinished, this, [this](int task) { ++m_finished[task]; });
    connect(&m_modalWatch, &QTimer::timeout, this, [this]() {
        if (m_expectModal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            m_warnings << box->text();
            box->done(QMessageBox::Ok);
        }
    });
    m_modalWatch.start(50);
    if (!m_station->connectTransducer())
        return fail(QStringLiteral("the simulated transducer did not connect"));
    messages();

    QList<Stall> stalls;
    for (int i = 0; i < m_repeats; ++i) {
        Stall s;
        if (!trim(&s))
            return false;
        stalls << s;
    }
    report(QStringLiteral("the calibration table is read and written"), stalls,
           QStringLiteral("a whole trim: table read, two points, table written"));

    if (!fillRun())
        return false;
    stalls.clear();
    for (int i = 0; i < m_repeats; ++i) {
        Stall s;
        if (!saveProtocol(i + 1, &s))
            return false;
        stalls << s;
    }
    report(QStringLiteral("a protocol of 201 points and 4 devices is written"), stalls,
           QStringLiteral("from the save button to the list reloaded, measuring on"));

    const int samples = TabGraph::instance->plot()->sampleCount();
    const int points = Verification::instance->pointsModel()->rowCount();
    const int listed = TabProtocols::instance->model()->rowCount();
    // Past the capacity the oldest hundred give way to the next reading: the slots stay 20000.
    if (samples <= GraphSamples - LinenPlot::DropStep || points != Bench::Points)
        return fail(QStringLiteral("the run holds %1 samples and %2 points").arg(samples).arg(points));
    memory(QStringLiteral("after the 201-point run (%1 points of %2 devices, %3 graph samples in the full "
                          "buffer of 20000, %4 protocols listed)")
               .arg(points)
               .arg(Bench::Devices)
               .arg(samples)
               .arg(listed),
           QStringLiteral("resident memory after the 201-point run"));

    stalls.clear();
    for (int i = 0; i < m_repeats; ++i) {
        Stall s;
        if (!silentConnect(&s))
            return false;
        stalls << s;
    }
    report(QStringLiteral("a connect meets a silent transducer"), stalls,
           QStringLiteral("from the menu's connect to the lock lowered"));
    memory(QStringLiteral("at the end of the session"));

    m_station->simulator()->updateState(
        [](QvtTransducerState &s) { s.setAnswerMode(QvtTransducerState::AnswerMode::Normal); });
    m_station->closeDown();
    return true;
}

// The operator's trim on the transducer settings page: start (the table is read, task 8), the
// low and the high point from the readings of the applied pressure, write and confirm (task 9).
bool Session::trim(Stall *stall)
{
    TabQvtSettings *page = TabQvtSettings::instance;
    window()->tabWidget()->setCurrentWidget(page);
    page->nestedTabs()->setCurrentWidget(page->trimPanel());
    if (!waitUntil([page]() { return page->trimPanel()->isVisible(); }) || !waitUntil([this]() { return unlocked(); }))
        return fail(QStringLiteral("the trim tab did not show"));
    HButton *buttons[5] = {};
    for (HButton *b : page->trimPanel()->findChildren<HButton *>())
        if (b->id() < 5)
            buttons[b->id()] = b;
    TAIR *tair = TAIR::instance;
    // The mean of two readings makes a point.
    tair->prTrimAverageCount->setValue(2);
    page->refreshAllFields();
    m_station->setPressure(0.4);
    messages();

    m_probe.start();
    const auto tableRead = taskEnds(AirHandler::TaskReadTable);
    click(buttons[TabQvtSettings::ButtonStart]);
    if (!waitUntil(tableRead) || page->trimState() != TabQvtSettings::TrimLowPoint)
        return fail(QStringLiteral("the table was not read"));
    // The trim values are in the display units.
    const auto near = [tair](const ParametrDouble *value, double kPa) {
        return std::abs(toKPa(value->value(), tair->prUnits->value()) - kPa) < 1e-3;
    };
    if (!waitUntil([&]() { return near(tair->prTrimMeasuredLow, 0.4); }))
        return fail(QStringLiteral("the low point's readings did not come"));
    messages();
    pause();
    click(buttons[TabQvtSettings::ButtonAcceptLow]);
    if (page->trimState() != TabQvtSettings::TrimHighPoint)
        return fail(QStringLiteral("the low point was refused: ") + messages().join(QLatin1Char(' ')));
    m_station->setPressure(996.5);
    if (!waitUntil([&]() { return near(tair->prTrimMeasuredHigh, 996.5); }))
        return fail(QStringLiteral("the high point's readings did not come"));
    messages();
    pause();
    click(buttons[TabQvtSettings::ButtonAcceptHigh]);
    if (page->trimState() != TabQvtSettings::TrimReadyToWrite)
        return fail(QStringLiteral("the high point was refused: ") + messages().join(QLatin1Char(' ')));

    m_expectModal = true;
    TestSupport::handleNextModal([](QWidget *modal) {
        TestSupport::clickButtonOfRole(qobject_cast<QMessageBox *>(modal), QMessageBox::AcceptRole);
    });
    const auto tableWritten = taskEnds(AirHandler::TaskWriteTable);
    pause();
    click(buttons[TabQvtSettings::ButtonWrite]);
    m_expectModal = false;
    if (!waitUntil(tableWritten) || !waitUntil([this]() { return unlocked(); }))
        return fail(QStringLiteral("the table was not written"));
    *stall = m_probe.stop();
    const QStringList shown = messages();
    if (!shown.contains(QStringLiteral("Подстройка успешно завершена.")))
        return fail(QStringLiteral("the table write did not succeed: ") + shown.join(QLatin1Char(' ')));
    return true;
}

// The state after a long verification: 201 points read for 4 devices, the graph measuring with
// 20000 samples (about five and a half hours at one reading a second), the run page in front.
bool Session::fillRun()
{
    Bench::fillPoints();
    if (Bench::useLargestTemplate().isEmpty())
        return fail(QStringLiteral("no built-in template beside the program"));
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/Протоколы");
    QDir().mkpath(folder);
    Settings::instance->protocolPath()->setValue(folder);

    window()->tabWidget()->setCurrentWidget(TabGraph::instance);
    if (!waitUntil([]() { return TabGraph::instance->measureButton()->isVisible(); }))
        return fail(QStringLiteral("the graph page did not show"));
    if (!Measure::instance->isMeasuring())
        click(TabGraph::instance->measureButton());
    if (!Measure::instance->isMeasuring())
        return fail(QStringLiteral("measuring did not start"));
    // Each sample as a reading adds it; the live readings go on between them.
    LinenPlot *plot = TabGraph::instance->plot();
    for (int i = 0; plot->sampleCount() < GraphSamples; ++i) {
        plot->appendSample();
        plot->fillCurveTail(0, 250.0 + 60.0 * std::sin(i / 300.0) + 3.0 * std::sin(i * 1.7));
        plot->updateSamples();
        if (i % 1000 == 0)
            QCoreApplication::processEvents();
    }

    window()->tabWidget()->setCurrentWidget(TabVerification::instance);
    HButton *protocols = TabVerification::instance->protocolsButton();
    if (!protocols || !waitUntil([protocols]() { return protocols->isVisible(); }))
        return fail(QStringLiteral("the run page did not show"));
    click(protocols);
    if (!TabProtocols::instance || !waitUntil([]() { return TabProtocols::instance->isVisible(); }))
        return fail(QStringLiteral("the protocol page did not show"));
    return true;
}

bool Session::saveProtocol(int number, Stall *stall)
{
    TabProtocols *page = TabProtocols::instance;
    const QString name = QStringLiteral("Протокол %1").arg(number);
    m_warnings.clear();
    m_probe.start();
    click(page->button(TabProtocols::ButtonSave));
    const QList<MessageNamePick *> dialogs = window()->findChildren<MessageNamePick *>();
    if (dialogs.isEmpty() || !waitUntil([&]() { return dialogs.last()->isVisible(); }))
        return fail(QStringLiteral("the name dialog did not show"));
    pause();
    dialogs.last()->nameEdit()->setText(name);
    click(dialogs.last()->saveButton());
    if (!page->isSaving())
        return fail(QStringLiteral("the save did not start"));
    if (!waitUntil([page]() { return !page->isSaving(); }))
        return fail(QStringLiteral("the save did not end"));
    *stall = m_probe.stop();
    if (!m_warnings.isEmpty())
        return fail(m_warnings.join(QLatin1Char(' ')));
    if (!QFileInfo::exists(ModelProtocols::folder() + QLatin1Char('/') + name + QStringLiteral(".xlsx")))
        return fail(QStringLiteral("no document ") + name);
    return true;
}

bool Session::silentConnect(Stall *stall)
{
    m_station->simulator()->updateState(
        [](QvtTransducerState &s) { s.setAnswerMode(QvtTransducerState::AnswerMode::Silent); });
    // The operator lets the transducer go, then connects again.
    QAction *disconnectAction = m_station->action(MainWindow::ActionDisconnect);
    if (disconnectAction && disconnectAction->isEnabled())
        disconnectAction->trigger();
    messages();
    QAction *connectAction = m_station->action(MainWindow::ActionConnect);
    if (!connectAction || !connectAction->isEnabled())
        return fail(QStringLiteral("the connect action is disabled"));
    m_probe.start();
    const auto connected = taskEnds(AirHandler::TaskConnect);
    connectAction->trigger();
    if (!waitUntil(connected) || !waitUntil([this]() { return unlocked(); }))
        return fail(QStringLiteral("the connect did not end"));
    *stall = m_probe.stop();
    const QStringList shown = messages();
    if (!shown.contains(QStringLiteral("Прибор не отвечает!")))
        return fail(QStringLiteral("the silent transducer was not reported: ") + shown.join(QLatin1Char(' ')));
    return true;
}

}

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int parent = TestSupport::runInTemporaryAppDir(argc, argv, QStringLiteral("bench-workstation"));
    if (parent >= 0)
        return parent;

    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int starts = args.size() > 1 ? qMax(1, args.at(1).toInt()) : 21;
    const int repeats = args.size() > 2 ? qMax(1, args.at(2).toInt()) : 5;
    qSetMessagePattern(QString());
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));

    if (!measureStartUp(starts))
        return 1;
    Session session(repeats);
    if (!session.run())
        return 1;

    out << "\nfigure | target | measured\n";
    bool allMet = true;
    for (const Figure &f : qAsConst(figures)) {
        out << f.name << " | " << f.target << " | " << f.value << (f.met ? "" : "  <- over the target") << "\n";
        allMet = allMet && f.met;
    }
    out << (allMet ? "every target met" : "a target missed") << Qt::endl;
    return 0;
}
