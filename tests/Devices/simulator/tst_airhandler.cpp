// The transducer worker end to end: AirHandler in its own thread, talking through
// QSerialPort to the simulated transducer on a pseudo-terminal that MANOVERA_EXTRA_PORTS
// names. Every assertion is on what crossed the wire (the simulator's request log) and on
// what reached the GUI thread (hub signals, messages, taskFinished), queued as in the program.
#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/QiroTimings.h"
#include "Devices/SerialPorts.h"
#include "Devices/TAIR.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "QvtControl.h"
#include "QvtSimulator.h"
#include "QvtTransducer.h"

#include <QElapsedTimer>
#include <QSettings>
#include "Services.h"
#include "TestSupport.h"

#include <QApplication>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

Q_DECLARE_METATYPE(QvtFault)
Q_DECLARE_METATYPE(QList<QvtFault>)

namespace {

constexpr int LongWaitMs = 30000;

// Everything the worker tells the GUI thread, in the order it arrives there.
class Recorder : public QObject
{
    Q_OBJECT
public:
    QStringList events;
    // Show and hide the lock overlay as the main window would, so the idle turn sees it.
    bool mirrorOverlay = true;

    int count(const QString &event) const { return events.count(event); }

public slots:
    void lock(bool on)
    {
        events << QStringLiteral("lock %1").arg(int(on));
        if (mirrorOverlay)
            MainHandler::instance->setOverlayVisible(on);
    }
    void maxSteps(int n) { events << QStringLiteral("max %1").arg(n); }
    void step() { events << QStringLiteral("add"); }
    void connection(bool on) { events << QStringLiteral("connected %1").arg(int(on)); }
    void measured() { events << QStringLiteral("measured"); }
    void finished(int task) { events << QStringLiteral("finished %1").arg(task); }
    void message(const QString &text, int type)
    {
        events << (type == 0 ? QStringLiteral("info ") : QStringLiteral("error ")) + text;
    }
};

// "command;parameter[;data]" as on the wire, without address and checksum: "37;1E", "38;24;F000".
QStringList ops(const QList<QByteArray> &frames)
{
    QStringList out;
    for (const QByteArray &frame : frames) {
        const QvtTransducer::Request r = QvtTransducer::parseRequest(frame);
        if (!r.valid) {
            out << QStringLiteral("invalid ") + QString::fromLatin1(frame);
            continue;
        }
        if (r.command == 0) {
            out << QStringLiteral("0");
            continue;
        }
        QString op = QStringLiteral("%1;%2").arg(r.command).arg(QString::number(r.parameter, 16).toUpper());
        if (r.command == 38)
            op += QLatin1Char(';') + QString::fromLatin1(r.data.toHex().toUpper());
        out << op;
    }
    return out;
}

QString hexOf(float value)
{
    QByteArray b(4, Qt::Uninitialized);
    std::memcpy(b.data(), &value, 4);
    return QString::fromLatin1(b.toHex().toUpper());
}

QStringList repeated(const QString &op, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << op;
    return out;
}

// A whole answer frame of the transducer at address 1 with the given data.
QByteArray answerWith(const QByteArray &data)
{
    QvtTransducer::Answer a;
    a.address = 1;
    a.field = data.toHex().toUpper();
    return QvtTransducer::frameAnswer(a);
}

QByteArray readingBytes(uint8_t status, float value)
{
    QByteArray b(1, char(status));
    b.append(reinterpret_cast<const char *>(&value), 4);
    return b;
}

QByteArray floatData(float value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), 4);
}

const QStringList ConnectFrames = {"0", "37;8C", "37;1E", "37;4C", "37;34"};
const QStringList ReadSettingsFrames = {"38;24;F000", "37;E", "37;C", "37;6F", "37;9E", "37;1C"};

}

class TestAirHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void portNumbers_data();
    void portNumbers();
    void portsSortByNumber();
    void startupChain();
    void noPortAtAll();
    void connectNewVersion();
    void connectRefused_data();
    void connectRefused();
    void identityReadFails_data();
    void identityReadFails();
    void failedSerialReadTouchesNoOtherFile_data();
    void failedSerialReadTouchesNoOtherFile();
    void connectUsesPortChosenJustBefore();
    void writeSettings();
    void settingsTransferFails_data();
    void settingsTransferFails();
    void averaging();
    void steeredReadings_data();
    void steeredReadings();
    void steeredIdentity();
    void steeredSwingAndTimedSilence();
    void readingWhileAnotherTaskRunsIsDropped();
    void requestPreemptsChainedTask();
    void requestsRunInTheOrderAsked();
    void requestsDuringATaskAllRun();
    void equalRequestWaitingIsDropped();
    void requestLocksAtOnceUntilTaken();
    void settingsProgressUnderTheEarlyLock();
    void tasksTakenAfterDisconnectSendNothing();
    void zeroTrim_data();
    void zeroTrim();
    void readTable();
    void readTableStopsAtBadRow();
    void writeTable();
    void writeTableRowFails();
    void writeTableNotTaken_data();
    void writeTableNotTaken();
    void writeTableRefused_data();
    void writeTableRefused();
    void unknownTaskNumbers_data();
    void unknownTaskNumbers();
    void busyFlagKeepsLockUp();
    void recomputeDisplayValues();
    void guiServedDuringSilentConnect();
    void stopWaitsForTaskInHand();

private:
    void startWorker();
    void stopWorker();
    void waitFor(const QString &event, int timeoutMs = LongWaitMs);
    void connectTransducer();
    void takeReading(Measure::Reading *reading);
    void setTrimPoints(double m1, double r1, double m2, double r2);
    void readTableFirst();
    void control(const QString &line);
    // As the main window does: a lock raised in the GUI thread shows at once.
    QMetaObject::Connection mirrorLockOfGuiThread();
    QStringList frames() const { return ops(m_sim->requests()); }
    void restart() { m_recorder.events.clear(); m_sim->clearRequests(); }

    std::unique_ptr<QvtSimulator> m_sim;
    AirHandler *m_air = nullptr;
    Recorder m_recorder;
    QStringList m_startupEvents;
    QStringList m_startupFrames;
    QvtTransducerState m_state;
};

void TestAirHandler::initTestCase()
{
    QiroTimings::answerWaitMs = 1000;
    QiroTimings::averagePauseMs = 20;
    QiroTimings::tableAccessPauseMs = 20;
    QiroTimings::tableCommitPauseMs = 20;

    using namespace TestSupport;
    createServices(Hub | Lists | Messages | Transducer | Reading);
    // conf.ini of this test's own folder: loaded, so connects load and save settings files.
    Configurator::instance->loadConfiguration();

    MainHandler *hub = MainHandler::instance;
    // The worker's locks only: the one a request raises at once, in this thread, is looked at
    // where it matters.
    connect(
        hub, &MainHandler::setScreenLockState, &m_recorder,
        [this](bool on) {
            if (QThread::currentThread() != thread())
                QMetaObject::invokeMethod(&m_recorder, [this, on] { m_recorder.lock(on); }, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    connect(hub, &MainHandler::setLockScreenMaxVal, &m_recorder, &Recorder::maxSteps, Qt::QueuedConnection);
    connect(hub, &MainHandler::lockScreenAddVal, &m_recorder, &Recorder::step, Qt::QueuedConnection);
    connect(hub, &MainHandler::connectStateChnanged, &m_recorder, &Recorder::connection, Qt::QueuedConnection);
    connect(hub, &MainHandler::dataMeasured, &m_recorder, &Recorder::measured, Qt::QueuedConnection);
    connect(MessageHandler::instance, &MessageHandler::showMessageSignal, &m_recorder, &Recorder::message,
            Qt::QueuedConnection);
}

void TestAirHandler::init()
{
    m_state = QvtTransducerState();
    m_sim.reset(new QvtSimulator(m_state));
    QString error;
    QVERIFY2(m_sim->start(&error), qPrintable(error));
    qputenv("MANOVERA_EXTRA_PORTS", m_sim->portName().toLocal8Bit());

    m_recorder.mirrorOverlay = true;
    m_recorder.events.clear();
    startWorker();
    // The start-up chain ends with the first idle turn lowering the lock.
    waitFor(QStringLiteral("lock 0"));
    m_startupEvents = m_recorder.events;
    m_startupFrames = frames();
    // From here on the overlay stays hidden unless a test shows it, so every step count is sent.
    m_recorder.mirrorOverlay = false;
    restart();
}

void TestAirHandler::cleanup()
{
    stopWorker();
    m_sim.reset();
    TAIR *tair = TAIR::instance;
    tair->setConnected(false);
    tair->deviceType = 0;
    tair->address = 0;
    tair->prSerialNumber->setValue(QString());
    MainHandler::instance->setOverlayVisible(false);
    MainHandler::instance->setBusy(false);
}

void TestAirHandler::startWorker()
{
    // The worker's first task fills the port list under this lock: holding it, the recorder is
    // connected before the worker can report anything.
    std::lock_guard<std::mutex> lock(Dictionary::instance->comPortsMutex);
    m_air = new AirHandler();
    QCOMPARE(AirHandler::instance, m_air);
    connect(m_air, &AirHandler::taskFinished, &m_recorder, &Recorder::finished, Qt::QueuedConnection);
}

void TestAirHandler::stopWorker()
{
    delete m_air;
    m_air = nullptr;
    QVERIFY(!AirHandler::instance);
    // What the old worker sent is delivered now, not into the next test's record.
    QCoreApplication::sendPostedEvents();
}

void TestAirHandler::waitFor(const QString &event, int timeoutMs)
{
    QTRY_VERIFY2_WITH_TIMEOUT(m_recorder.events.contains(event),
                              qPrintable(QStringLiteral("waiting for \"%1\"; got: %2")
                                             .arg(event, m_recorder.events.join(QStringLiteral(" | ")))),
                              timeoutMs);
}

void TestAirHandler::connectTransducer()
{
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 5"));
    QVERIFY(TAIR::instance->isConnected());
    restart();
}

void TestAirHandler::takeReading(Measure::Reading *reading)
{
    const int before = m_recorder.count(QStringLiteral("measured"));
    QCOMPARE(m_air->startMeasuring(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_recorder.count(QStringLiteral("measured")), before + 1, LongWaitMs);
    *reading = Measure::instance->reading();
}

void TestAirHandler::setTrimPoints(double m1, double r1, double m2, double r2)
{
    TAIR *tair = TAIR::instance;
    tair->prUnits->setValue(1);
    tair->prTrimMeasuredLow->setValue(m1);
    tair->prTrimReferenceLow->setValue(r1);
    tair->prTrimMeasuredHigh->setValue(m2);
    tair->prTrimReferenceHigh->setValue(r2);
}

void TestAirHandler::readTableFirst()
{
    m_air->requestTask(AirHandler::TaskReadTable);
    waitFor(QStringLiteral("finished 8"));
    QCOMPARE(m_air->taskPhase(), 0);
    restart();
}

QMetaObject::Connection TestAirHandler::mirrorLockOfGuiThread()
{
    m_recorder.mirrorOverlay = true;
    return connect(
        MainHandler::instance, &MainHandler::setScreenLockState, this,
        [](bool on) {
            if (QThread::currentThread() == qApp->thread())
                MainHandler::instance->setOverlayVisible(on);
        },
        Qt::DirectConnection);
}

void TestAirHandler::control(const QString &line)
{
    const QvtControl::Result r = QvtControl::execute(*m_sim, line);
    QVERIFY2(r.ok, qPrintable(r.error));
}

void TestAirHandler::portNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");
    QTest::newRow("COM3") << "COM3" << 3;
    QTest::newRow("COM10") << "COM10" << 10;
    QTest::newRow("COM without number") << "COMX" << 0;
    QTest::newRow("ttyS12") << "ttyS12" << 12;
    QTest::newRow("ttyUSB0") << "ttyUSB0" << 0;
    QTest::newRow("ttyACM7") << "ttyACM7" << 7;
    QTest::newRow("path of a pseudo-terminal") << "/dev/pts/15" << 15;
    QTest::newRow("no digits") << "ttyAMA" << 0;
    QTest::newRow("only the trailing digits") << "rfcomm2x5" << 5;
}

void TestAirHandler::portNumbers()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(SerialPorts::portNumber(name), number);
}

void TestAirHandler::portsSortByNumber()
{
    QStringList names = {"COM3", "COM10", "COM4"};
    SerialPorts::sortByPortNumber(names);
    QCOMPARE(names, QStringList({"COM3", "COM4", "COM10"}));

    // Equal numbers keep the order of enumeration.
    names = QStringList{"ttyUSB1", "ttyS10", "ttyACM1", "ttyS2"};
    SerialPorts::sortByPortNumber(names);
    QCOMPARE(names, QStringList({"ttyUSB1", "ttyACM1", "ttyS2", "ttyS10"}));

    qputenv("MANOVERA_EXTRA_PORTS", "/dev/pts/3::/tmp/virtual port:");
    QCOMPARE(SerialPorts::extraPorts(), QStringList({"/dev/pts/3", "/tmp/virtual port"}));
    qunsetenv("MANOVERA_EXTRA_PORTS");
    QVERIFY(SerialPorts::extraPorts().isEmpty());
}

void TestAirHandler::startupChain()
{
    // Port search, open test, then the first idle turn lowers the lock raised for both.
    QCOMPARE(m_startupEvents.mid(0, 6), QStringList({"lock 1", "connected 0", "finished 1", "lock 1",
                                                     "connected 0", "finished 2"}));
    for (const QString &event : m_startupEvents.mid(6))
        QCOMPARE(event, QStringLiteral("lock 0"));
    // The open test only opens and closes the port.
    QVERIFY(m_startupFrames.isEmpty());

    // The simulator's port comes after the enumerated ones and, being last, is chosen.
    std::lock_guard<std::mutex> lock(Dictionary::instance->comPortsMutex);
    const EnumList &ports = Dictionary::instance->comPorts;
    QVERIFY(!ports.isEmpty());
    QCOMPARE(ports.last().text, m_sim->portName());
    QCOMPARE(m_air->portParametr()->value(), ports.size() - 1);
    for (int i = 0; i < ports.size(); ++i)
        QCOMPARE(ports.at(i).id, i);
    QCOMPARE(serialPortInfoList.size(), ports.size() - 1);
    for (int i = 1; i < serialPortInfoList.size(); ++i)
        QVERIFY(SerialPorts::portNumber(serialPortInfoList.at(i - 1).portName())
                <= SerialPorts::portNumber(serialPortInfoList.at(i).portName()));
    QVERIFY(!TAIR::instance->isConnected());
}

void TestAirHandler::noPortAtAll()
{
    if (!QSerialPortInfo::availablePorts().isEmpty())
        QSKIP("this machine has serial ports of its own");
    stopWorker();
    qunsetenv("MANOVERA_EXTRA_PORTS");
    restart();
    startWorker();
    waitFor(QStringLiteral("finished 2"));
    QTest::qWait(300);
    QCOMPARE(m_air->portIndex(), -1);
    QVERIFY(m_air->portName().isEmpty());
    QCOMPARE(m_recorder.events, QStringList({"lock 1", "connected 0", "finished 1", "lock 1", "connected 0",
                                             "finished 2"}));
    QVERIFY(frames().isEmpty());
}

void TestAirHandler::connectNewVersion()
{
    m_sim->updateState([](QvtTransducerState &s) {
        s.serialNumber = 4242;
        s.unitsCode = 6;   // bar
        s.lowerLimit = 0.0f;
        s.upperLimit = 600.0f;
        s.averageCount = 7;
        s.decimals = 2;
        s.unitsLanguage = 1;
        s.buzzerLevel = 55;
    });
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 5"));

    QCOMPARE(frames(), ConnectFrames + ReadSettingsFrames);
    // The lock stays up through the chain; the overlay is hidden here, so both step counts go.
    QCOMPARE(m_recorder.events, QStringList({"lock 1", "max 8", "add", "add", "add", "add", "connected 1",
                                             "finished 3", "lock 1", "max 6", "add", "add", "add", "add", "add",
                                             "finished 5"}));

    TAIR *tair = TAIR::instance;
    QVERIFY(tair->isConnected());
    QVERIFY(tair->isNewVersion());
    QCOMPARE(tair->modelIndex, 1);
    QCOMPARE(tair->serialNumber, 4242u);
    QCOMPARE(tair->prSerialNumber->value(), QStringLiteral("00004242"));
    QCOMPARE(int(tair->deviceUnitCode), 6);
    QCOMPARE(tair->prDeviceUnits->value(), 8);
    QCOMPARE(tair->lowerLimit, 0.0);
    QCOMPARE(tair->upperLimit, 600.0);
    QCOMPARE(tair->upperLimitText, QStringLiteral("6"));
    QCOMPARE(tair->prRange->value(), QStringLiteral("0..6 бар"));
    QCOMPARE(tair->prQvtModel->value(), 3);   // ZKD, the first code admissible for 0..600 kPa
    QCOMPARE(tair->prAverageCount->value(), 7);
    QCOMPARE(tair->prDeviceDecimals->value(), 2);
    QCOMPARE(tair->prUnitsLanguage->value(), 1);
    QCOMPARE(tair->prBuzzerLevel->value(), 55);
    QCOMPARE(tair->prSoftwareVersion->value(), QStringLiteral("QVT 2.14"));

    // A second connect over the first one reports the disconnection first.
    restart();
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 5"));
    QCOMPARE(m_recorder.events.mid(0, 2), QStringList({"lock 1", "connected 0"}));
    QVERIFY(m_recorder.events.contains(QStringLiteral("connected 1")));
}

void TestAirHandler::connectRefused_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("silentTries");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("expectedFrames");
    QTest::addColumn<bool>("settingsTaskFollows");

    QTest::newRow("old version") << 13 << 0
        << "info Подключен ЦРЗ старой версии. Данная программа поддерживает только ЦРЗ новой версии."
        << QStringList{"0"} << true;
    QTest::newRow("unknown type") << 99 << 0 << "info Подключено усройство неизвестного типа!" << QStringList{"0"}
                                  << true;
    QTest::newRow("identify answer without type") << -1 << 0 << "info Подключено усройство неизвестного типа!"
                                                  << QStringList{"0"} << true;
    QTest::newRow("silent port") << 43 << 2 << "info Прибор не отвечает!" << QStringList{"0", "0"} << false;
}

void TestAirHandler::connectRefused()
{
    QFETCH(int, deviceType);
    QFETCH(int, silentTries);
    QFETCH(QString, message);
    QFETCH(QStringList, expectedFrames);
    QFETCH(bool, settingsTaskFollows);

    m_sim->updateState([&](QvtTransducerState &s) { s.deviceType = deviceType; });
    for (int i = 0; i < silentTries; ++i)
        m_sim->queueFault(QvtFault::silence().on(0));
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 3"));

    QStringList expected{"lock 1", message, "connected 0", "finished 3"};
    if (settingsTaskFollows) {
        // It serves the new version only: it sends nothing.
        waitFor(QStringLiteral("finished 5"));
        expected << "lock 1" << "finished 5";
    } else {
        // Chain ended: a few idle turns go by without another task.
        QTest::qWait(400);
    }
    QCOMPARE(m_recorder.events, expected);
    QCOMPARE(frames(), expectedFrames);
    QVERIFY(!TAIR::instance->isConnected());
}

void TestAirHandler::identityReadFails_data()
{
    QTest::addColumn<QvtFault>("fault");
    QTest::addColumn<int>("unitsCode");
    QTest::addColumn<QStringList>("expectedFrames");
    QTest::addColumn<int>("steps");

    const QStringList toUnits = QStringList(ConnectFrames.mid(0, 3));
    QTest::newRow("units code of two bytes") << QvtFault::wrongDataSize(1).on(37, 30) << 1 << toUnits << 1;
    QTest::newRow("units code refused") << QvtFault::deviceError(3).on(37, 30) << 1 << toUnits << 1;
    QTest::newRow("units code 8") << QvtFault() << 8 << toUnits << 1;
    QTest::newRow("lower limit of three bytes") << QvtFault::wrongDataSize(-1).on(37, 76) << 1
                                                << QStringList(ConnectFrames.mid(0, 4)) << 2;
    QTest::newRow("upper limit of five bytes") << QvtFault::wrongDataSize(1).on(37, 52) << 1 << ConnectFrames << 3;
}

void TestAirHandler::identityReadFails()
{
    QFETCH(QvtFault, fault);
    QFETCH(int, unitsCode);
    QFETCH(QStringList, expectedFrames);
    QFETCH(int, steps);

    m_sim->updateState([&](QvtTransducerState &s) { s.unitsCode = uint8_t(unitsCode); });
    if (fault.command >= 0)
        m_sim->queueFault(fault);
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 3"));
    QTest::qWait(400);

    QStringList expected{"lock 1", "max 8"};
    expected << repeated(QStringLiteral("add"), steps);
    expected << "info Ошибка чтения параметров прибора!" << "connected 0" << "finished 3";
    QCOMPARE(m_recorder.events, expected);
    QCOMPARE(frames(), expectedFrames);
    QVERIFY(!TAIR::instance->isConnected());
}

void TestAirHandler::failedSerialReadTouchesNoOtherFile_data()
{
    QTest::addColumn<QvtFault>("fault");
    QTest::newRow("serial number refused") << QvtFault::deviceError(3).on(37, 0x8C);
    QTest::newRow("serial number of five bytes") << QvtFault::wrongDataSize(1).on(37, 0x8C);
}

void TestAirHandler::failedSerialReadTouchesNoOtherFile()
{
    QFETCH(QvtFault, fault);
    TAIR *tair = TAIR::instance;
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/QvtSettings");
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder));
    const QString first = folder + QStringLiteral("/11111111.ini");
    {
        QSettings file(first, QSettings::IniFormat);
        file.setValue(QStringLiteral("prOwner"), QStringLiteral("Владелец первого"));
    }

    m_sim->updateState([](QvtTransducerState &s) { s.serialNumber = 11111111; });
    connectTransducer();
    QCOMPARE(tair->prOwner->value(), QStringLiteral("Владелец первого"));

    // Another transducer whose number cannot be read.
    m_sim->updateState([](QvtTransducerState &s) { s.serialNumber = 22222222; });
    m_sim->queueFault(fault);
    connectTransducer();
    QVERIFY(tair->prSerialNumber->value().isEmpty());
    QCOMPARE(tair->serialNumber, 0u);

    tair->prOwner->setValue(QStringLiteral("Владелец второго"));
    m_air->requestTask(AirHandler::TaskSearchPorts);
    waitFor(QStringLiteral("finished 2"));
    QVERIFY(!tair->isConnected());
    QCOMPARE(QSettings(first, QSettings::IniFormat).value(QStringLiteral("prOwner")).toString(),
             QStringLiteral("Владелец первого"));
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"11111111.ini"}));
}

void TestAirHandler::connectUsesPortChosenJustBefore()
{
    QvtSimulator other;
    QVERIFY(other.start());
    stopWorker();
    qputenv("MANOVERA_EXTRA_PORTS", (other.portName() + QLatin1Char(':') + m_sim->portName()).toLocal8Bit());
    m_recorder.mirrorOverlay = true;
    startWorker();
    waitFor(QStringLiteral("lock 0"));
    QCOMPARE(m_air->portName(), m_sim->portName());
    restart();

    // The port field changes and the connect is asked for at once; the open test never runs.
    m_air->setPortIndex(m_air->portIndex() - 1);
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 5"));
    QVERIFY(TAIR::instance->isConnected());
    QCOMPARE(ops(other.requests()), ConnectFrames + ReadSettingsFrames);
    QVERIFY(m_sim->requests().isEmpty());
}

void TestAirHandler::writeSettings()
{
    connectTransducer();
    TAIR *tair = TAIR::instance;
    tair->prAverageCount->setValue(9);
    tair->prDeviceDecimals->setValue(4);
    tair->prUnitsLanguage->setValue(1);
    // The top of the buzzer's range.
    tair->prBuzzerLevel->setValue(150);
    m_air->requestTask(AirHandler::TaskWriteSettings);
    waitFor(QStringLiteral("finished 6"));

    QCOMPARE(frames(), QStringList({"38;E;09", "38;C;04", "38;6F;01", "38;9E;96"}) + ReadSettingsFrames);
    QStringList expected{"lock 1", "max 10"};
    expected << repeated("add", 4) << "max 6" << repeated("add", 5) << "finished 6";
    QCOMPARE(m_recorder.events, expected);
    const QvtTransducerState s = m_sim->state();
    QCOMPARE(int(s.averageCount), 9);
    QCOMPARE(int(s.decimals), 4);
    QCOMPARE(int(s.unitsLanguage), 1);
    QCOMPARE(int(s.buzzerLevel), 150);
    // Read back after the write.
    QCOMPARE(tair->prBuzzerLevel->value(), 150);
    QCOMPARE(m_recorder.count(QStringLiteral("error Уровень срабатывания зуммера, % : Выход параметра за границу диапазона")), 0);
}

void TestAirHandler::settingsTransferFails_data()
{
    QTest::addColumn<int>("task");
    QTest::addColumn<QList<QvtFault>>("faults");
    QTest::addColumn<int>("buzzerLevel");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("expectedFrames");
    QTest::addColumn<int>("steps");

    QTest::newRow("read refused by the transducer")
        << 5 << QList<QvtFault>{QvtFault::deviceError(3).on(37, 14)} << 0
        << "error Кол-во измерений для усреднений : Параметр не найден." << QStringList(ReadSettingsFrames.mid(0, 2)) << 0;
    QTest::newRow("read without answer")
        << 5 << QList<QvtFault>{QvtFault::silence().on(37, 12), QvtFault::silence().on(37, 12)} << 0
        << "error Кол-во знаков после запятой : Ошибка передачи"
        << (QStringList(ReadSettingsFrames.mid(0, 3)) << "37;C") << 1;
    QTest::newRow("read of the wrong size")
        << 5 << QList<QvtFault>{QvtFault::wrongDataSize(1).on(37, 111)} << 0 << "error Ошибка размера параметра"
        << QStringList(ReadSettingsFrames.mid(0, 4)) << 2;
    QTest::newRow("version unreadable")
        << 5 << QList<QvtFault>{QvtFault::deviceError(5).on(37, 28)} << 0 << "error Версия ПО : Ошибка доступа."
        << ReadSettingsFrames << 4;
    QTest::newRow("write out of range") << 6 << QList<QvtFault>{} << 151
        << "error Уровень срабатывания зуммера, % : Выход параметра за границу диапазона"
        << QStringList{"38;E;01", "38;C;03", "38;6F;00", "38;9E;97"} << 3;
}

void TestAirHandler::settingsTransferFails()
{
    QFETCH(int, task);
    QFETCH(QList<QvtFault>, faults);
    QFETCH(int, buzzerLevel);
    QFETCH(QString, message);
    QFETCH(QStringList, expectedFrames);
    QFETCH(int, steps);

    connectTransducer();
    TAIR::instance->prBuzzerLevel->setValue(buzzerLevel);
    for (const QvtFault &fault : faults)
        m_sim->queueFault(fault);
    m_air->requestTask(task);
    const QString end = QStringLiteral("finished %1").arg(task);
    waitFor(end);

    QCOMPARE(frames(), expectedFrames);
    QCOMPARE(m_recorder.count(message), 1);
    QCOMPARE(m_recorder.events.last(), end);
    QCOMPARE(m_recorder.events.at(m_recorder.events.size() - 2), message);
    QCOMPARE(m_recorder.events.mid(0, 2), QStringList({"lock 1", task == 5 ? "max 6" : "max 10"}));
    QCOMPARE(m_recorder.events.count("add"), steps);
}

void TestAirHandler::averaging()
{
    m_sim->updateState([](QvtTransducerState &s) { s.unitsCode = 6; });   // bar
    connectTransducer();
    TAIR *tair = TAIR::instance;
    Measure::Reading r{};

    m_air->setAveraging(true, 10);
    m_sim->setPressure(0.5);
    takeReading(&r);
    QCOMPARE(int(r.status), 0);
    QCOMPARE(r.value, 50.0);
    m_sim->setPressure(1.5);
    takeReading(&r);
    QCOMPARE(r.value, 100.0);   // mean of 0.5 and 1.5 bar
    QCOMPARE(tair->history(), QList<double>({50.0, 100.0}));

    // A bad status empties the window: no value with the transducer's status, and no history.
    m_sim->updateState([](QvtTransducerState &s) { s.readingStatus = 3; });
    takeReading(&r);
    QCOMPARE(int(r.status), 3);
    QVERIFY(std::isnan(r.value));
    QVERIFY(tair->history().isEmpty());
    QCOMPARE(int(tair->lastStatus), 3);

    m_sim->updateState([](QvtTransducerState &s) { s.readingStatus = 0; s.pressure = 2.5; });
    takeReading(&r);
    QCOMPARE(r.value, 250.0);   // stands alone

    // The window keeps the last n good readings.
    m_air->setAveraging(true, 2);
    m_sim->setPressure(3.5);
    takeReading(&r);
    QCOMPARE(r.value, 300.0);
    m_sim->setPressure(0.5);
    takeReading(&r);
    QCOMPARE(r.value, 200.0);

    // Without averaging a bad status goes out with the transducer's value.
    m_air->setAveraging(false, 0);
    QCOMPARE(int(m_air->averageCount()), 1);
    m_sim->updateState([](QvtTransducerState &s) { s.readingStatus = 7; s.pressure = 1.5; });
    takeReading(&r);
    QCOMPARE(int(r.status), 7);
    QCOMPARE(r.value, 150.0);

    // A failed request is no valid answer.
    m_sim->queueFault(QvtFault::silence().on(37, 2));
    m_sim->queueFault(QvtFault::silence().on(37, 2));
    takeReading(&r);
    QCOMPARE(int(r.status), 255);
    QVERIFY(std::isnan(r.value));

    // Readings neither lock nor unlock the screen, and nothing but readings was sent.
    QVERIFY(!m_recorder.events.join(' ').contains(QStringLiteral("lock")));
    QCOMPARE(m_recorder.count("finished 4"), 8);
    QCOMPARE(frames(), repeated("37;2", 9));
}

void TestAirHandler::steeredReadings_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("readingFrames");
    QTest::addColumn<double>("pressure");   // kPa, once the transducer answers again
    QTest::addColumn<QString>("message");   // of the settings read that follows; empty: it succeeds

    const QString link = QStringLiteral("error Кол-во измерений для усреднений : Ошибка передачи");
    QTest::newRow("pressure") << "pressure 250" << 0 << 1 << 250.0 << "";
    QTest::newRow("silent") << "silent" << 255 << 2 << 0.0 << link;
    QTest::newRow("garbage") << "garbage" << 255 << 2 << 0.0 << link;
    QTest::newRow("bad checksum") << "badcrc" << 255 << 2 << 0.0 << link;
    QTest::newRow("one bad checksum, then the retry") << "badcrc 1" << 0 << 2 << 0.0 << "";
    // The transducer's own error: no second try, and its text.
    QTest::newRow("transducer error") << "error 3" << 255 << 1 << 0.0
                                      << "error Кол-во измерений для усреднений : Параметр не найден.";
}

// What the operator steers in the simulator reaches the workstation as the worker reads it.
void TestAirHandler::steeredReadings()
{
    QFETCH(QString, command);
    QFETCH(int, status);
    QFETCH(int, readingFrames);
    QFETCH(double, pressure);
    QFETCH(QString, message);

    connectTransducer();
    control(command);
    Measure::Reading r{};
    takeReading(&r);
    QCOMPARE(int(r.status), status);
    QCOMPARE(frames(), repeated("37;2", readingFrames));
    if (status == 0) {
        QCOMPARE(r.value, pressure);
    } else {
        QVERIFY(std::isnan(r.value));
        QCOMPARE(Measure::instance->statusText(), QStringLiteral("ЦРЗ не отвечает"));
    }

    m_air->requestTask(AirHandler::TaskReadSettings);
    waitFor(QStringLiteral("finished 5"));
    const QStringList errors = m_recorder.events.filter(QRegularExpression(QStringLiteral("^error ")));
    QCOMPARE(errors, message.isEmpty() ? QStringList() : QStringList{message});

    control(QStringLiteral("answer"));
    takeReading(&r);
    QCOMPARE(int(r.status), 0);
    QCOMPARE(r.value, pressure);
}

// The identity that a connect reads follows the commands given before it.
void TestAirHandler::steeredIdentity()
{
    control(QStringLiteral("serial 42"));
    control(QStringLiteral("units 6"));   // bar
    control(QStringLiteral("range -100..600"));
    control(QStringLiteral("pressure 2.5"));
    connectTransducer();
    TAIR *tair = TAIR::instance;
    QCOMPARE(tair->serialNumber, 42u);
    QCOMPARE(tair->prSerialNumber->value(), QStringLiteral("00000042"));
    QCOMPARE(int(tair->deviceUnitCode), 6);
    QCOMPARE(tair->lowerLimit, -100.0);
    QCOMPARE(tair->upperLimit, 600.0);
    QCOMPARE(tair->prRange->value(), QStringLiteral("-1..6 бар"));
    Measure::Reading r{};
    takeReading(&r);
    QCOMPARE(r.value, 250.0);

    control(QStringLiteral("type 13"));
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 3"));
    QVERIFY(m_recorder.events.contains(
        QStringLiteral("info Подключен ЦРЗ старой версии. Данная программа поддерживает только ЦРЗ новой версии.")));
    QVERIFY(!tair->isConnected());
}

// A swing moves the readings around the pressure until it is stopped; a timed silence ends
// by itself.
void TestAirHandler::steeredSwingAndTimedSilence()
{
    connectTransducer();
    control(QStringLiteral("pressure 100"));
    control(QStringLiteral("swing 20 2"));
    Measure::Reading r{};
    QList<double> values;
    for (int i = 0; i < 6; ++i) {
        takeReading(&r);
        QCOMPARE(int(r.status), 0);
        values << r.value;
        QTest::qWait(300);
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    QVERIFY2(*low >= 80.0 - 1e-3 && *high <= 120.0 + 1e-3, qPrintable(QString::number(*low) + ".." + QString::number(*high)));
    QVERIFY2(*high - *low > 5.0, qPrintable(QString::number(*low) + ".." + QString::number(*high)));
    control(QStringLiteral("swing 0"));
    takeReading(&r);
    QCOMPARE(r.value, 100.0);

    QElapsedTimer silence;
    silence.start();
    control(QStringLiteral("silent 3"));
    takeReading(&r);
    QCOMPARE(int(r.status), 255);
    QTest::qWait(int(std::max<qint64>(0, 3300 - silence.elapsed())));
    takeReading(&r);
    QCOMPARE(int(r.status), 0);
    QCOMPARE(r.value, 100.0);
}

void TestAirHandler::readingWhileAnotherTaskRunsIsDropped()
{
    m_sim->queueFault(QvtFault::silence().on(37, 0x8C));
    m_air->requestTask(AirHandler::TaskConnect);
    QVERIFY(m_sim->waitForRequests(2, LongWaitMs));
    // The connect has chained the settings read: the reading is not queued behind it.
    QCOMPARE(m_air->startMeasuring(), int(AirHandler::TaskReadSettings));
    waitFor(QStringLiteral("finished 5"));
    QTest::qWait(400);
    QVERIFY(!frames().contains(QStringLiteral("37;2")));
    QCOMPARE(m_recorder.count("measured"), 0);
    QCOMPARE(m_recorder.count("finished 4"), 0);
    // Once idle, a reading is taken.
    Measure::Reading r{};
    takeReading(&r);
    QCOMPARE(int(r.status), 0);
}

void TestAirHandler::requestPreemptsChainedTask()
{
    m_sim->queueFault(QvtFault::silence().on(37, 0x8C));
    m_air->requestTask(AirHandler::TaskConnect);
    QVERIFY(m_sim->waitForRequests(2, LongWaitMs));
    m_air->requestTask(12);
    waitFor(QStringLiteral("finished 12"));
    QTest::qWait(400);
    const int connected = m_recorder.events.indexOf(QStringLiteral("finished 3"));
    QVERIFY(connected >= 0);
    QCOMPARE(m_recorder.events.mid(connected), QStringList({"finished 3", "lock 1", "finished 12"}));
    QCOMPARE(frames(), QStringList({"0", "37;8C", "37;8C", "37;1E", "37;4C", "37;34"}));
}

void TestAirHandler::requestsRunInTheOrderAsked()
{
    connectTransducer();
    TAIR::instance->prBuzzerLevel->setValue(80);
    // Asked within one turn of the idle worker: the read must not replace the write.
    m_air->requestTask(AirHandler::TaskWriteSettings);
    m_air->requestTask(AirHandler::TaskReadSettings);
    waitFor(QStringLiteral("finished 5"));

    QCOMPARE(frames(), QStringList({"38;E;01", "38;C;03", "38;6F;00", "38;9E;50"}) + ReadSettingsFrames
                           + ReadSettingsFrames);
    QCOMPARE(m_sim->state().buzzerLevel, uint8_t(80));
    const int written = m_recorder.events.indexOf(QStringLiteral("finished 6"));
    QVERIFY(written >= 0);
    QVERIFY(written < m_recorder.events.indexOf(QStringLiteral("finished 5")));
    QCOMPARE(m_recorder.count(QStringLiteral("finished 5")), 1);
}

void TestAirHandler::requestsDuringATaskAllRun()
{
    m_sim->queueFault(QvtFault::silence().on(37, 0x8C));
    m_air->requestTask(AirHandler::TaskConnect);
    QVERIFY(m_sim->waitForRequests(2, LongWaitMs));
    m_air->requestTask(12);
    m_air->requestTask(11);
    waitFor(QStringLiteral("finished 11"));
    QTest::qWait(400);
    const int connected = m_recorder.events.indexOf(QStringLiteral("finished 3"));
    QVERIFY(connected >= 0);
    // Both run in turn, and the settings read the connect chained is still lost.
    QCOMPARE(m_recorder.events.mid(connected),
             QStringList({"finished 3", "lock 1", "finished 12", "lock 1", "finished 11"}));
    QCOMPARE(frames(), QStringList({"0", "37;8C", "37;8C", "37;1E", "37;4C", "37;34"}));
}

void TestAirHandler::equalRequestWaitingIsDropped()
{
    // The connect waits for its silent serial number; meanwhile the same read is asked for
    // twice, then another task, then the read again.
    m_sim->queueFault(QvtFault::silence().on(37, 0x8C));
    m_air->requestTask(AirHandler::TaskConnect);
    QVERIFY(m_sim->waitForRequests(2, LongWaitMs));
    m_air->requestTask(AirHandler::TaskReadSettings);
    m_air->requestTask(AirHandler::TaskReadSettings);
    m_air->requestTask(12);
    m_air->requestTask(AirHandler::TaskReadSettings);
    waitFor(QStringLiteral("finished 12"));
    QTest::qWait(400);

    const int connected = m_recorder.events.indexOf(QStringLiteral("finished 3"));
    QVERIFY(connected >= 0);
    QStringList finished;
    for (const QString &event : m_recorder.events.mid(connected)) {
        if (event.startsWith(QLatin1String("finished")))
            finished << event;
    }
    QCOMPARE(finished, QStringList({"finished 3", "finished 5", "finished 12"}));
    QCOMPARE(frames(), QStringList({"0", "37;8C", "37;8C", "37;1E", "37;4C", "37;34"}) + ReadSettingsFrames);
}

// A task asked for shows the lock before the worker takes it, and the worker's idle turn does
// not lower that lock while the request waits.
void TestAirHandler::requestLocksAtOnceUntilTaken()
{
    const QMetaObject::Connection mirror = mirrorLockOfGuiThread();
    m_air->requestTask(12);
    QVERIFY(isScreenLocked());
    waitFor(QStringLiteral("lock 0"));
    disconnect(mirror);
    QCOMPARE(m_recorder.events.mid(0, 3), QStringList({"lock 1", "finished 12", "lock 0"}));
}

// The settings read that follows a connect counts on in the connect's progress; one asked for
// by itself sets its own, though the lock is already shown when the worker takes it.
void TestAirHandler::settingsProgressUnderTheEarlyLock()
{
    const QMetaObject::Connection mirror = mirrorLockOfGuiThread();
    m_air->requestTask(AirHandler::TaskConnect);
    waitFor(QStringLiteral("finished 5"));
    waitFor(QStringLiteral("lock 0"));
    QStringList expected{"lock 1", "max 8"};
    expected << repeated("add", 4) << "connected 1" << "finished 3" << "lock 1" << repeated("add", 5) << "finished 5"
             << "lock 0";
    QCOMPARE(m_recorder.events.mid(0, expected.size()), expected);

    restart();
    m_air->requestTask(AirHandler::TaskReadSettings);
    waitFor(QStringLiteral("lock 0"));
    disconnect(mirror);
    expected = QStringList{"lock 1", "max 6"};
    expected << repeated("add", 5) << "finished 5" << "lock 0";
    QCOMPARE(m_recorder.events.mid(0, expected.size()), expected);
}

void TestAirHandler::tasksTakenAfterDisconnectSendNothing()
{
    connectTransducer();
    // A reading that waits for a silent transducer holds the worker while the tasks are asked
    // for and the link is dropped, as the menu's disconnect does.
    m_sim->queueFault(QvtFault::silence().on(37, 2));
    m_sim->queueFault(QvtFault::silence().on(37, 2));
    QCOMPARE(m_air->startMeasuring(), 0);
    QVERIFY(m_sim->waitForRequests(1, LongWaitMs));
    for (int task : {AirHandler::TaskZeroTrim, AirHandler::TaskWriteSettings, AirHandler::TaskReadSettings,
                     AirHandler::TaskReadTable, AirHandler::TaskWriteTable})
        m_air->requestTask(task);
    TAIR::instance->setConnected(false);
    waitFor(QStringLiteral("finished 9"));

    QCOMPARE(frames(), QStringList({"37;2", "37;2"}));
    QStringList finished;
    for (const QString &event : qAsConst(m_recorder.events)) {
        if (event.startsWith(QLatin1String("finished")))
            finished << event;
    }
    QCOMPARE(finished, QStringList({"finished 4", "finished 7", "finished 6", "finished 5", "finished 8", "finished 9"}));
    QCOMPARE(m_recorder.count(QStringLiteral("error Ошибка при обмене с ЦРЗ!")), 3);
    QCOMPARE(m_recorder.count(QStringLiteral("error Ошибка при чтении градуировочных коэффициентов!")), 1);
    QCOMPARE(m_recorder.count(QStringLiteral("error Ошибка при записи градуировочных коэффициентов!")), 1);
    QCOMPARE(m_recorder.count(QStringLiteral("info Подстройка нуля успешно завершена!")), 0);
    QCOMPARE(m_air->taskPhase(AirHandler::TaskReadTable), 1);
    QCOMPARE(m_air->taskPhase(AirHandler::TaskWriteTable), 1);
    // Each failure comes before its own task's end.
    const int zeroTrim = m_recorder.events.indexOf(QStringLiteral("finished 7"));
    QCOMPARE(m_recorder.events.at(zeroTrim - 1), QStringLiteral("error Ошибка при обмене с ЦРЗ!"));
}

void TestAirHandler::zeroTrim_data()
{
    QTest::addColumn<double>("pressure");
    QTest::addColumn<QList<QvtFault>>("faults");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("readingFrames");
    QTest::addColumn<double>("written");   // NaN: nothing written

    const double none = std::nan("");
    const QString done = QStringLiteral("info Подстройка нуля успешно завершена!");
    const QString exchange = QStringLiteral("Ошибка при обмене с ЦРЗ!");
    // Range 0..1000 kPa: the threshold is 20 kPa, the coefficient limit 40 kPa.
    QTest::newRow("mean exactly at the threshold") << 20.0 << QList<QvtFault>{} << done << 5 << -20.0;
    QTest::newRow("mean above the threshold") << 20.5 << QList<QvtFault>{}
        << "error Значение на выходе ЦРЗ превышает 2% от нижней границы диапазона измерений!" << 5 << none;
    QTest::newRow("coefficient clamped to the upper limit")
        << 10.0 << QList<QvtFault>{QvtFault::replaceAnswer(answerWith(floatData(100.0f))).on(37, 34)} << done << 5
        << 40.0;
    QTest::newRow("coefficient clamped to the lower limit")
        << -10.0 << QList<QvtFault>{QvtFault::replaceAnswer(answerWith(floatData(-100.0f))).on(37, 34)} << done
        << 5 << -40.0;
    QTest::newRow("coefficient unreadable") << 0.0 << QList<QvtFault>{QvtFault::deviceError(5).on(37, 34)}
                                            << "error " + exchange << 0 << none;
    QTest::newRow("bad status in the average")
        << 1.0
        << QList<QvtFault>{QvtFault::replaceAnswer(answerWith(readingBytes(0, 1.0f))).on(37, 2),
                           QvtFault::replaceAnswer(answerWith(readingBytes(0, 1.0f))).on(37, 2),
                           QvtFault::replaceAnswer(answerWith(readingBytes(4, 1.0f))).on(37, 2)}
        << "info " + exchange << 3 << none;
    QTest::newRow("reading lost in the average")
        << 1.0 << QList<QvtFault>{QvtFault::silence().on(37, 2), QvtFault::silence().on(37, 2)} << "info " + exchange
        << 2 << none;
    QTest::newRow("reading of the wrong size") << 1.0 << QList<QvtFault>{QvtFault::wrongDataSize(-1).on(37, 2)}
                                               << "info " + exchange << 1 << none;
}

void TestAirHandler::zeroTrim()
{
    QFETCH(double, pressure);
    QFETCH(QList<QvtFault>, faults);
    QFETCH(QString, message);
    QFETCH(int, readingFrames);
    QFETCH(double, written);

    connectTransducer();
    m_sim->setPressure(pressure);
    for (const QvtFault &fault : faults)
        m_sim->queueFault(fault);
    m_air->requestTask(AirHandler::TaskZeroTrim);
    waitFor(QStringLiteral("finished 7"));

    QStringList expectedFrames{"37;22"};
    expectedFrames << repeated("37;2", readingFrames);
    if (!std::isnan(written)) {
        // The staged coefficient first, then the one in force.
        expectedFrames << "38;38;" + hexOf(float(written)) << "38;22;" + hexOf(float(written));
    }
    QCOMPARE(frames(), expectedFrames);
    QCOMPARE(m_recorder.count(message), 1);
    QCOMPARE(m_recorder.events.mid(0, 2), QStringList({"lock 1", "max 8"}));
    QCOMPARE(m_recorder.events.last(), QStringLiteral("finished 7"));
    if (!std::isnan(written)) {
        QCOMPARE(m_recorder.count("add"), 8);
        QCOMPARE(double(m_sim->state().zeroCoefficient), written);
        QCOMPARE(double(m_sim->state().stagedZeroCoefficient), written);
    } else {
        QCOMPARE(double(m_sim->state().zeroCoefficient), 0.0);
    }
}

void TestAirHandler::readTable()
{
    m_sim->updateState([](QvtTransducerState &s) {
        for (int r = 0; r < QvtTransducerState::TableRows; ++r)
            for (int c = 0; c < QvtTransducerState::TableColumns; ++c)
                s.calibrationTable[size_t(r)][size_t(c)] = float(r * 10 + c) + 0.25f;
    });
    connectTransducer();
    m_air->requestTask(AirHandler::TaskReadTable);
    waitFor(QStringLiteral("finished 8"));

    QStringList expected{"38;24;F000"};
    for (int r = 0; r < 10; ++r)
        expected << QStringLiteral("37;%1").arg(QString::number(112 + r, 16).toUpper());
    // Nothing else: the buzzer level of the settings is left alone.
    QCOMPARE(frames(), expected);
    QStringList events{"lock 1", "max 10"};
    events << repeated("add", 10) << "finished 8";
    QCOMPARE(m_recorder.events, events);
    QCOMPARE(m_air->taskPhase(), 0);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 6; ++c)
            QCOMPARE(TAIR::instance->calibrationTable[r][c], float(r * 10 + c) + 0.25f);
}

void TestAirHandler::readTableStopsAtBadRow()
{
    connectTransducer();
    m_sim->queueFault(QvtFault::wrongDataSize(-4).on(37, 116));
    m_air->requestTask(AirHandler::TaskReadTable);
    waitFor(QStringLiteral("finished 8"));
    QCOMPARE(frames(), QStringList({"38;24;F000", "37;70", "37;71", "37;72", "37;73", "37;74"}));
    QStringList events{"lock 1", "max 10"};
    events << repeated("add", 5) << "error Ошибка при чтении градуировочных коэффициентов!" << "finished 8";
    QCOMPARE(m_recorder.events, events);
    QCOMPARE(m_air->taskPhase(), 1);
}

void TestAirHandler::writeTable()
{
    m_sim->updateState([](QvtTransducerState &s) {
        for (int r = 0; r < QvtTransducerState::TableRows; ++r)
            for (int c = 0; c < QvtTransducerState::TableColumns; ++c)
                s.calibrationTable[size_t(r)][size_t(c)] = float(r + 1) * 2.0f + float(c);
    });
    connectTransducer();
    readTableFirst();
    // k = (1100 - 0) / (1000 - 0) = 1.1, b = 0 - 0 / k = 0: the first five values of rows 0..8 shrink.
    setTrimPoints(0.0, 0.0, 1100.0, 1000.0);
    float expected[10][6];
    std::memcpy(expected, TAIR::instance->calibrationTable, sizeof expected);
    for (int r = 0; r < 9; ++r)
        for (int c = 0; c < 5; ++c)
            expected[r][c] = expected[r][c] / 1.1f;

    m_air->requestTask(AirHandler::TaskWriteTable);
    waitFor(QStringLiteral("finished 9"));

    QStringList rows;
    for (int r = 0; r < 10; ++r)
        rows << QStringLiteral("38;%1;").arg(QString::number(112 + r, 16).toUpper());
    const QStringList sent = frames();
    QCOMPARE(sent.size(), 14);
    QCOMPARE(sent.first(), QStringLiteral("38;19;%1").arg(int(AirHandler::CalibrationAccessValue), 2, 16, QLatin1Char('0')).toUpper());
    for (int r = 0; r < 10; ++r)
        QVERIFY2(sent.at(1 + r).startsWith(rows.at(r)), qPrintable(sent.at(1 + r)));
    QCOMPARE(sent.mid(11), QStringList({"199;A5", "38;19;00", "38;24;F000"}));

    const QvtTransducerState s = m_sim->state();
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 6; ++c)
            QCOMPARE(s.calibrationTable[size_t(r)][size_t(c)], expected[r][c]);
    QCOMPARE(s.tableCommits, 1);
    QCOMPARE(int(s.calibrationAccess), 0);
    QCOMPARE(int(s.modeWord), 240);
    QCOMPARE(m_air->taskPhase(), 0);
    QStringList events{"lock 1", "max 13"};
    events << repeated("add", 11) << "finished 9";
    QCOMPARE(m_recorder.events, events);
}

void TestAirHandler::writeTableRowFails()
{
    connectTransducer();
    readTableFirst();
    setTrimPoints(0.0, 0.0, 1100.0, 1000.0);
    m_sim->queueFault(QvtFault::deviceError(6).on(38, 115));
    m_air->requestTask(AirHandler::TaskWriteTable);
    waitFor(QStringLiteral("finished 9"));

    QStringList sent = frames();
    for (QString &op : sent)
        op = op.section(QLatin1Char(';'), 0, 1);   // without the data
    // The failed row ends the rows, but the table is still closed: 199, access 0, mode word.
    QCOMPARE(sent, QStringList({"38;19", "38;70", "38;71", "38;72", "38;73", "199;A5", "38;19", "38;24"}));
    QCOMPARE(frames().mid(6), QStringList({"38;19;00", "38;24;F000"}));
    QCOMPARE(m_air->taskPhase(), 1);
    QStringList events{"lock 1", "max 13"};
    events << repeated("add", 4) << "error Ошибка при записи градуировочных коэффициентов!" << "add"
           << "finished 9";
    QCOMPARE(m_recorder.events, events);
}

void TestAirHandler::writeTableNotTaken_data()
{
    QTest::addColumn<QList<QvtFault>>("faults");
    QTest::addColumn<QStringList>("expectedFrames");   // without the data of the rows
    QTest::addColumn<int>("commits");
    QTest::addColumn<int>("rowSteps");

    const QByteArray open(1, char(AirHandler::CalibrationAccessValue));
    const QByteArray closed(1, '\0');
    QStringList rows;
    for (int r = 0; r < 10; ++r)
        rows << QStringLiteral("38;%1").arg(QString::number(112 + r, 16).toUpper());
    const QStringList closing{"199;A5", "38;19", "38;24"};

    QTest::newRow("commit refused") << QList<QvtFault>{QvtFault::deviceError(5).on(199, 165)}
                                    << (QStringList{"38;19"} + rows + closing) << 0 << 10;
    QTest::newRow("commit unanswered")
        << QList<QvtFault>{QvtFault::silence().on(199, 165), QvtFault::silence().on(199, 165)}
        << (QStringList{"38;19"} + rows + QStringList{"199;A5", "199;A5", "38;19", "38;24"}) << 0 << 10;
    QTest::newRow("closing access refused") << QList<QvtFault>{QvtFault::deviceError(4).on(38, 25).carrying(closed)}
                                            << (QStringList{"38;19"} + rows + closing) << 1 << 10;
    QTest::newRow("closing access unanswered")
        << QList<QvtFault>{QvtFault::silence().on(38, 25).carrying(closed), QvtFault::silence().on(38, 25).carrying(closed)}
        << (QStringList{"38;19"} + rows + QStringList{"199;A5", "38;19", "38;19", "38;24"}) << 1 << 10;
    // Without access no row is sent; the table is closed all the same.
    QTest::newRow("opening access refused") << QList<QvtFault>{QvtFault::deviceError(4).on(38, 25).carrying(open)}
                                            << (QStringList{"38;19"} + closing) << 1 << 0;
}

// The table is the transducer's only when the access, every row, the commit and the closing
// of the access were answered as done; any refusal or silence is the write's failure.
void TestAirHandler::writeTableNotTaken()
{
    QFETCH(QList<QvtFault>, faults);
    QFETCH(QStringList, expectedFrames);
    QFETCH(int, commits);
    QFETCH(int, rowSteps);

    connectTransducer();
    readTableFirst();
    setTrimPoints(0.0, 0.0, 1100.0, 1000.0);
    for (const QvtFault &fault : faults)
        m_sim->queueFault(fault);
    m_air->requestTask(AirHandler::TaskWriteTable);
    waitFor(QStringLiteral("finished 9"));

    QStringList sent = frames();
    // The closing frames in full: access 0 and the mode word, whatever failed.
    QCOMPARE(sent.mid(sent.size() - 2), QStringList({"38;19;00", "38;24;F000"}));
    for (QString &op : sent)
        op = op.section(QLatin1Char(';'), 0, 1);
    QCOMPARE(sent, expectedFrames);
    QCOMPARE(m_sim->state().tableCommits, commits);
    QCOMPARE(m_air->taskPhase(AirHandler::TaskWriteTable), 1);
    QCOMPARE(m_air->taskPhase(), 1);
    QCOMPARE(m_recorder.count(QStringLiteral("error Ошибка при записи градуировочных коэффициентов!")), 1);
    QCOMPARE(m_recorder.events.count("add"), rowSteps + 1);
    QCOMPARE(m_recorder.events.last(), QStringLiteral("finished 9"));
}

void TestAirHandler::writeTableRefused_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("no table read since connect") << "connect";
    QTest::newRow("table read before a reconnect") << "read, connect";
    QTest::newRow("trim points give no scale") << "read, equal points";
    QTest::newRow("table already written back") << "read, write";
}

void TestAirHandler::writeTableRefused()
{
    QFETCH(QString, before);
    connectTransducer();
    setTrimPoints(0.0, 0.0, 1100.0, 1000.0);
    if (before.startsWith(QLatin1String("read")))
        readTableFirst();
    if (before.endsWith(QLatin1String("connect")) && before != QLatin1String("connect"))
        connectTransducer();
    if (before.endsWith(QLatin1String("equal points")))
        setTrimPoints(0.0, 500.0, 1100.0, 500.0);
    if (before.endsWith(QLatin1String("write"))) {
        m_air->requestTask(AirHandler::TaskWriteTable);
        waitFor(QStringLiteral("finished 9"));
        QCOMPARE(m_air->taskPhase(), 0);
        restart();
    }
    float table[10][6];
    std::memcpy(table, TAIR::instance->calibrationTable, sizeof table);

    m_air->requestTask(AirHandler::TaskWriteTable);
    waitFor(QStringLiteral("finished 9"));
    QVERIFY(frames().isEmpty());
    QCOMPARE(m_air->taskPhase(), 1);
    QCOMPARE(m_recorder.events, QStringList({"lock 1", "max 13", "error Ошибка при записи градуировочных коэффициентов!",
                                             "finished 9"}));
    QCOMPARE(std::memcmp(table, TAIR::instance->calibrationTable, sizeof table), 0);
}

void TestAirHandler::unknownTaskNumbers_data()
{
    QTest::addColumn<int>("task");
    QTest::newRow("10") << 10;
    QTest::newRow("1000") << 1000;
}

void TestAirHandler::unknownTaskNumbers()
{
    QFETCH(int, task);
    m_recorder.mirrorOverlay = true;
    m_air->requestTask(task);
    waitFor(QStringLiteral("lock 0"));
    QCOMPARE(m_recorder.events.mid(0, 3), QStringList({"lock 1", QStringLiteral("finished %1").arg(task), "lock 0"}));
    QVERIFY(frames().isEmpty());
    // It ended as idle: a reading is taken at once.
    Measure::Reading r{};
    takeReading(&r);
}

// A GUI job that owns the lock (a protocol being written) keeps it up through the idle turns.
void TestAirHandler::busyFlagKeepsLockUp()
{
    m_recorder.mirrorOverlay = true;
    MainHandler::instance->setBusy(true);
    m_air->requestTask(10);
    waitFor(QStringLiteral("finished 10"));
    QTest::qWait(500);
    QCOMPARE(m_recorder.events, QStringList({"lock 1", "finished 10"}));
    QVERIFY(isScreenLocked());
    MainHandler::instance->setBusy(false);
    waitFor(QStringLiteral("lock 0"));
}

void TestAirHandler::recomputeDisplayValues()
{
    TAIR *tair = TAIR::instance;
    tair->prDeviceUnits->setValue(8);   // bar
    tair->prMin->setValue(0.0);
    tair->prMax->setValue(6.0);
    m_air->recomputeDisplayValues();
    QCOMPARE(tair->lowerLimit, 0.0);
    QCOMPARE(tair->upperLimit, 600.0);
    QCOMPARE(tair->prRange->value(), QStringLiteral("0..6 бар"));
    QCOMPARE(tair->prQvtModel->value(), 3);   // ZKD
    QCOMPARE(Dictionary::instance->admissibleRangeCodes.size(), 2);

    // Rounded to single precision, as the transducer would report them.
    tair->prDeviceUnits->setValue(1);
    tair->prMin->setValue(-0.1);
    tair->prMax->setValue(2.5);
    m_air->recomputeDisplayValues();
    QCOMPARE(tair->lowerLimit, double(-0.1f));
    QCOMPARE(tair->prRange->value(), QStringLiteral("-0.1..2.5 кПа"));

    // Units never read, as of an old-version transducer: entered limits have no meaning in kPa
    // yet, and the range stays as it was (no factor of an unknown unit turns their sign).
    for (int unknown : {-1, 13}) {
        tair->prDeviceUnits->setValue(unknown);
        tair->prMin->setValue(-5.0);
        tair->prMax->setValue(10.0);
        m_air->recomputeDisplayValues();
        QCOMPARE(tair->lowerLimit, double(-0.1f));
        QCOMPARE(tair->upperLimit, 2.5);
        QCOMPARE(tair->prRange->value(), QStringLiteral("-0.1..2.5 кПа"));
    }
}

void TestAirHandler::guiServedDuringSilentConnect()
{
    QiroTimings::answerWaitMs = 1500;
    m_sim->queueFault(QvtFault::silence().on(0));
    m_sim->queueFault(QvtFault::silence().on(0));
    m_air->requestTask(AirHandler::TaskConnect);
    QVERIFY(m_sim->waitForRequests(1, LongWaitMs));

    // Events posted to the GUI thread every 20 ms while the worker waits for the silent port.
    QList<qint64> latencies;
    QElapsedTimer clock;
    clock.start();
    QTimer poster;
    poster.setInterval(20);
    connect(&poster, &QTimer::timeout, this, [&] {
        const qint64 posted = clock.elapsed();
        QMetaObject::invokeMethod(this, [&, posted] { latencies << clock.elapsed() - posted; }, Qt::QueuedConnection);
    });
    poster.start();
    waitFor(QStringLiteral("finished 3"));
    poster.stop();
    // Every posted probe is served before the list they write to goes.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QiroTimings::answerWaitMs = 1000;

    QCOMPARE(ops(m_sim->requests()), QStringList({"0", "0"}));
    QVERIFY2(latencies.size() >= 50, qPrintable(QString::number(latencies.size())));
    std::sort(latencies.begin(), latencies.end());
    // A machine under load may delay one now and then; a blocked GUI would hold them all
    // for a whole answer wait.
    const qint64 ninetieth = latencies.at(latencies.size() * 9 / 10);
    QVERIFY2(ninetieth < 50, qPrintable(QStringLiteral("90%: %1 ms").arg(ninetieth)));
    QVERIFY2(latencies.last() < 750, qPrintable(QStringLiteral("max: %1 ms").arg(latencies.last())));
}

void TestAirHandler::stopWaitsForTaskInHand()
{
    std::atomic<int> finishedInWorker{-1};
    connect(m_air, &AirHandler::taskFinished, m_air, [&](int task) { finishedInWorker = task; },
            Qt::DirectConnection);
    m_sim->queueFault(QvtFault::silence().on(0));
    m_sim->queueFault(QvtFault::silence().on(0));
    m_air->requestTask(AirHandler::TaskConnect);
    QVERIFY(m_sim->waitForRequests(1, LongWaitMs));

    m_air->stopWorker();
    QVERIFY(!m_air->isRunning());
    // The connect ran to its end (both tries) before the stop returned, and nothing after it.
    QCOMPARE(finishedInWorker.load(), 3);
    QCOMPARE(ops(m_sim->requests()), QStringList({"0", "0"}));
    QVERIFY(!TAIR::instance->isConnected());
}

// A fresh application folder each run, so conf.ini and QvtSettings/ beside the program are ours alone.
APPDIR_TEST_MAIN(TestAirHandler)
#include "tst_airhandler.moc"
