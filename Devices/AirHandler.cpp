#include "Devices/AirHandler.h"

#include "Devices/Measure.h"
#include "Devices/QiroChannel.h"
#include "Devices/QiroTimings.h"
#include "Devices/SerialPorts.h"
#include "Devices/TAIR.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Units.h"

#include <QDebug>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

// The transducer's numbers are little-endian, and so are the records copied to and from them.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "QIRO values are copied in host byte order");

AirHandler *AirHandler::instance = nullptr;

namespace {

enum Command { Identify = 0, Read = 37, Write = 38, Commit = 199 };

enum QiroParametr {
    ParReading = 2,
    ParDeviceDecimals = 12,
    ParAverageCount = 14,
    ParCalibrationAccess = 25,
    ParSoftwareVersion = 28,
    ParUnitsCode = 30,
    ParZeroCoefficient = 34,
    ParModeWord = 36,
    ParUpperLimit = 52,
    ParStagedZeroCoefficient = 56,
    ParLowerLimit = 76,
    ParUnitsLanguage = 111,
    ParTableFirstRow = 112,
    ParSerialNumber = 0x8C,
    ParBuzzerLevel = 158,
    ParTableCommit = 165
};

constexpr int TableRows = 10;
constexpr int TableColumns = 6;
constexpr int TableRowBytes = TableColumns * 4;

const double NaN = std::numeric_limits<double>::quiet_NaN();

const char ExchangeError[] = "Ошибка при обмене с ЦРЗ!";
const char TableReadError[] = "Ошибка при чтении градуировочных коэффициентов!";
const char TableWriteError[] = "Ошибка при записи градуировочных коэффициентов!";

float floatAt(const QByteArray &bytes, int offset)
{
    float value;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return value;
}

QByteArray floatBytes(float value)
{
    QByteArray bytes(int(sizeof value), Qt::Uninitialized);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

MainHandler *hub()
{
    return MainHandler::instance;
}

// Every task but the idle turn and the reading runs under the screen lock.
bool locksScreen(int task)
{
    return task != AirHandler::TaskIdle && task != AirHandler::TaskMeasure;
}

QString itemText(const EnumList &items, int id)
{
    for (const EnumItem &item : items) {
        if (item.id == id)
            return item.text;
    }
    return QString();
}

}

AirHandler::AirHandler(QObject *parent)
    : ExternalDeviceHandler(parent)
{
    Dictionary *dict = Dictionary::instance;
    m_port.reset(new ParametrEnum(dict->comPortCaption, dict->comPorts, 0));
    m_port->setValue(-1);
    instance = this;
    startWorker();
}

AirHandler::~AirHandler()
{
    // work() uses this object's members: it must have returned before they go.
    stopWorker();
    if (instance == this)
        instance = nullptr;
}

void AirHandler::requestTask(int task)
{
    if (task < 0) {
        qWarning() << "TASK REFUSED" << task;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_requestsMutex);
        // A second click before the worker took the first would run the same job twice.
        if (std::find(m_requests.begin(), m_requests.end(), task) != m_requests.end())
            return;
        m_requests.push_back(task);
    }
    // Shown as started now: the worker takes it only after the task in hand, seconds later
    // when that one waits on a silent transducer.
    if (locksScreen(task) && isRunning() && hub())
        emit hub()->setScreenLockState(true);
}

bool AirHandler::requestWaiting()
{
    std::lock_guard<std::mutex> lock(m_requestsMutex);
    return !m_requests.empty();
}

bool AirHandler::takeRequest(int *task)
{
    std::lock_guard<std::mutex> lock(m_requestsMutex);
    if (m_requests.empty())
        return false;
    *task = m_requests.front();
    m_requests.pop_front();
    return true;
}

int AirHandler::taskPhase(int task) const
{
    if (task == TaskReadTable)
        return m_readTablePhase.load(std::memory_order_acquire);
    if (task == TaskWriteTable)
        return m_writeTablePhase.load(std::memory_order_acquire);
    return taskPhase();
}

void AirHandler::setPhase(int task, int phase)
{
    (task == TaskReadTable ? m_readTablePhase : m_writeTablePhase).store(phase, std::memory_order_release);
    m_phase.store(phase, std::memory_order_release);
}

int AirHandler::startMeasuring()
{
    int expected = TaskIdle;
    if (m_nextTask.compare_exchange_strong(expected, TaskMeasure, std::memory_order_acq_rel))
        return TaskIdle;
    return expected;
}

void AirHandler::recomputeDisplayValues()
{
    TAIR *tair = TAIR::instance;
    if (!tair)
        return;
    const int units = tair->prDeviceUnits->value();
    // Units never read (an old-version transducer) have no factor; one made up would turn the
    // entered limits into others, even flip their sign.
    if (unitFactor(units) <= 0) {
        qWarning() << "LIMITS KEPT: UNKNOWN UNITS" << units;
        return;
    }
    applyLimits(float(toKPa(tair->prMin->value(), units)), float(toKPa(tair->prMax->value(), units)));
}

void AirHandler::setAveraging(bool on, uint8_t count)
{
    m_averageCount.store(count == 0 ? 1 : count, std::memory_order_release);
    m_averaging.store(on, std::memory_order_release);
}

int AirHandler::portIndex() const
{
    std::lock_guard<std::mutex> lock(Dictionary::instance->comPortsMutex);
    return m_port->value();
}

void AirHandler::setPortIndex(int index)
{
    std::lock_guard<std::mutex> lock(Dictionary::instance->comPortsMutex);
    m_port->setValue(index);
}

QString AirHandler::portName() const
{
    std::lock_guard<std::mutex> lock(Dictionary::instance->comPortsMutex);
    if (m_port->value() < 0)
        return QString();
    return itemText(m_port->items(), m_port->value());
}

void AirHandler::work()
{
    m_channel.reset(new QiroChannel(QString()));
    m_tair = TAIR::instance;
    if (!m_tair) {
        qWarning() << "NO TRANSDUCER RECORD";
        m_channel.reset();
        return;
    }
    m_channel->setDevice(m_tair);
    while (isRunning()) {
        handleTask(m_task);
        m_previousTask = m_task;
        if (!takeRequest(&m_task))
            m_task = m_nextTask.load(std::memory_order_acquire);
    }
    // The port was made in this thread and goes with it.
    m_channel.reset();
}

void AirHandler::handleTask(int task)
{
    if (locksScreen(task))
        emit hub()->setScreenLockState(true);

    switch (task) {
    case TaskIdle: idle(); break;
    case TaskSearchPorts: searchPorts(); break;
    case TaskOpenPort: openPort(); break;
    case TaskConnect: connectDevice(); break;
    case TaskMeasure: measure(); break;
    case TaskReadSettings:
        transferSettings(Read, m_previousTask == TaskConnect);
        m_nextTask.store(TaskIdle, std::memory_order_release);
        break;
    case TaskWriteSettings:
        transferSettings(Write, false);
        m_nextTask.store(TaskIdle, std::memory_order_release);
        break;
    case TaskZeroTrim: zeroTrim(); break;
    case TaskReadTable: readTable(); break;
    case TaskWriteTable: writeTable(); break;
    default: m_nextTask.store(TaskIdle, std::memory_order_release); break;
    }

    if (task != TaskIdle) {
        emit taskFinished(task);
        return;
    }
    // A request waiting holds the lock its caller raised; the worker takes it next.
    if (isScreenLocked() && !hub()->isBusy() && !requestWaiting())
        emit hub()->setScreenLockState(false);
}

bool AirHandler::linkUp() const
{
    if (m_tair->isConnected())
        return true;
    // Disconnected after the task was asked for: whatever is on the port now is not the
    // transducer the task was meant for.
    qWarning() << "NOT CONNECTED";
    return false;
}

void AirHandler::idle()
{
    QThread::msleep(unsigned(QiroTimings::idleSleepMs.load()));
    // A reading asked for during the sleep stays asked for.
    int next = m_nextTask.load(std::memory_order_acquire);
    while (next != TaskMeasure && !m_nextTask.compare_exchange_weak(next, TaskIdle, std::memory_order_acq_rel)) {
    }
}

void AirHandler::setDisconnected()
{
    m_tableRead = false;
    m_tair->setConnected(false);
    emit hub()->connectStateChnanged(false);
}

void AirHandler::searchPorts()
{
    QList<QSerialPortInfo> ports;
    const QStringList names = SerialPorts::list(&ports);

    Dictionary *dict = Dictionary::instance;
    {
        std::lock_guard<std::mutex> lock(dict->comPortsMutex);
        serialPortInfoList = ports;
        dict->comPorts.clear();
        for (int i = 0; i < names.size(); ++i)
            dict->comPorts.append(EnumItem(names.at(i), i));
        m_port->setValue(names.isEmpty() ? -1 : names.size() - 1);
    }
    setDisconnected();
    m_nextTask.store(TaskOpenPort, std::memory_order_release);
}

void AirHandler::openPort()
{
    if (portIndex() >= 0) {
        m_channel->setPortName(portName());
        if (!m_channel->probePort())
            MessageHandler::showInfo(QStringLiteral("Ошибка при открытии порта!"));
    }
    setDisconnected();
    m_nextTask.store(TaskIdle, std::memory_order_release);
}

void AirHandler::connectDevice()
{
    m_nextTask.store(TaskReadSettings, std::memory_order_release);
    m_tableRead = false;
    if (m_tair->isConnected()) {
        emit hub()->connectStateChnanged(false);
        m_tair->setConnected(false);
    }
    // The port as chosen now, whether or not the open test has run since.
    m_channel->setPortName(portName());

    bool result = false;
    if (!m_channel->request(Identify, 0)) {
        MessageHandler::showInfo(QStringLiteral("Прибор не отвечает!"));
        m_nextTask.store(TaskIdle, std::memory_order_release);
    } else {
        m_tair->updateModelIndex();
        if (m_tair->modelIndex == 0) {
            MessageHandler::showInfo(QStringLiteral(
                "Подключен ЦРЗ старой версии. Данная программа поддерживает только ЦРЗ новой версии."));
        } else if (m_tair->modelIndex != 1) {
            MessageHandler::showInfo(QStringLiteral("Подключено усройство неизвестного типа!"));
        } else if (!readIdentity()) {
            MessageHandler::showInfo(QStringLiteral("Ошибка чтения параметров прибора!"));
            m_nextTask.store(TaskIdle, std::memory_order_release);
        } else {
            result = true;
        }
    }
    m_tair->setConnected(result);
    emit hub()->connectStateChnanged(result);
}

bool AirHandler::readExactly(int parameter, int size)
{
    if (!m_channel->request(Read, parameter))
        return false;
    if (m_tair->answerData.size() != size) {
        qDebug() << "WRONG SIZE" << m_tair->answerData.size() << size;
        return false;
    }
    return true;
}

bool AirHandler::readFloat(int parameter, float *value)
{
    if (!readExactly(parameter, 4))
        return false;
    *value = floatAt(m_tair->answerData, 0);
    return true;
}

bool AirHandler::readIdentity()
{
    emit hub()->setLockScreenMaxVal(8);

    if (readExactly(ParSerialNumber, 4)) {
        uint32_t serial;
        std::memcpy(&serial, m_tair->answerData.constData(), sizeof serial);
        m_tair->serialNumber = serial;
        m_tair->prSerialNumber->setValue(QString::number(serial).rightJustified(8, QLatin1Char('0')));
    } else {
        // Without its own number this transducer must not load or overwrite another one's file.
        m_tair->serialNumber = 0;
        m_tair->prSerialNumber->setValue(QString());
    }
    emit hub()->lockScreenAddVal();

    if (!readExactly(ParUnitsCode, 1))
        return false;
    const uint8_t code = uint8_t(m_tair->answerData.at(0));
    if (code >= 8)
        return false;
    m_tair->prDeviceUnits->setValue(unitFromDeviceCode(code));
    m_tair->deviceUnitCode = code;
    emit hub()->lockScreenAddVal();

    float lower = 0.0f;
    if (!readFloat(ParLowerLimit, &lower))
        return false;
    emit hub()->lockScreenAddVal();

    float upper = 0.0f;
    if (!readFloat(ParUpperLimit, &upper))
        return false;
    emit hub()->lockScreenAddVal();

    applyLimits(lower, upper);
    return true;
}

void AirHandler::applyLimits(double lowerKPa, double upperKPa)
{
    TAIR *tair = TAIR::instance;
    const int units = tair->prDeviceUnits->value();
    tair->lowerLimit = lowerKPa;
    tair->lowerLimitText = QString::number(fromKPa(units, lowerKPa), 'g', 6);
    tair->upperLimit = upperKPa;
    tair->upperLimitText = QString::number(fromKPa(units, upperKPa), 'g', 6);
    tair->prRange->setValue(tair->lowerLimitText + QStringLiteral("..") + tair->upperLimitText + QLatin1Char(' ')
                            + tair->prDeviceUnits->valueText());
    tair->updateRangeCodes();
}

void AirHandler::measure()
{
    m_nextTask.store(TaskIdle, std::memory_order_release);
    // Readings from before a new series (a run started, the link changed) are averaged with
    // nothing taken since and leave no trace in the history.
    const unsigned series = Measure::instance ? Measure::instance->series() : 0;
    if (series != m_series) {
        m_series = series;
        m_samples.clear();
        m_tair->clearHistory();
    }
    uint8_t status = QiroChannel::NoValidAnswer;
    double value = NaN;
    if (m_tair->isConnected() && m_tair->isNewVersion() && m_channel->request(Read, ParReading)
        && m_tair->answerData.size() == 5) {
        status = uint8_t(m_tair->answerData.at(0));
        value = floatAt(m_tair->answerData, 1);
        m_tair->lastStatus = status;
        m_tair->lastValue = value;
    }

    if (status == 0) {
        m_samples.append(value);
        const int count = averageCount();
        while (m_samples.size() > count)
            m_samples.removeFirst();
    } else {
        m_samples.clear();
        m_tair->clearHistory();
    }

    if (averagingOn()) {
        value = NaN;
        if (!m_samples.isEmpty()) {
            double sum = 0.0;
            for (double sample : qAsConst(m_samples))
                sum += sample;
            value = sum / m_samples.size();
        }
        qDebug() << "AVERAGE VALUE" << value;
    }

    const double kPa = toKPa(value, m_tair->prDeviceUnits->value());
    if (Measure::instance)
        Measure::instance->setValue(status, kPa, series);
    if (status == 0)
        m_tair->appendHistory(kPa);
}

bool AirHandler::transferSettings(int command, bool continuing)
{
    if (!m_tair->isNewVersion())
        return true;
    // A lock already shown carries another task's count only when this read continues that
    // task; a page raises the lock at its request, before anything is counted.
    if (!continuing || !isScreenLocked())
        emit hub()->setLockScreenMaxVal(command == Read ? 6 : 10);
    if (!linkUp()) {
        MessageHandler::showError(QString::fromUtf8(ExchangeError));
        return false;
    }
    if (command == Read)
        writeModeWord(ModeWord);

    const struct {
        int parameter;
        HAbstractParametr *parametr;
    } settings[] = {
        {ParAverageCount, m_tair->prAverageCount},
        {ParDeviceDecimals, m_tair->prDeviceDecimals},
        {ParUnitsLanguage, m_tair->prUnitsLanguage},
        {ParBuzzerLevel, m_tair->prBuzzerLevel},
    };
    for (const auto &setting : settings) {
        if (!transferParametr(command, setting.parameter, setting.parametr))
            return false;
    }
    if (command == Write) {
        // What the transducer took is what the pages show.
        transferSettings(Read, true);
        return true;
    }
    return transferParametr(Read, ParSoftwareVersion, m_tair->prSoftwareVersion);
}

bool AirHandler::transferParametr(int command, int parameter, HAbstractParametr *parametr)
{
    const int type = parametr->type();
    if (command == Write) {
        QByteArray &payload = m_channel->payload;
        payload.clear();
        switch (type) {
        case HAbstractParametr::TypeDouble:
            payload = floatBytes(float(static_cast<ParametrDouble *>(parametr)->value()));
            break;
        case HAbstractParametr::TypeInt:
            payload.append(char(static_cast<ParametrInt *>(parametr)->value() & 0xFF));
            break;
        case HAbstractParametr::TypeEnum:
            payload.append(char(static_cast<ParametrEnum *>(parametr)->value() & 0xFF));
            break;
        default:
            MessageHandler::showError(QStringLiteral("Параметр не поддерживается"));
            return false;
        }
        if (!m_channel->request(Write, parameter)) {
            MessageHandler::showError(parametr->name() + QStringLiteral(" : ") + m_channel->lastErrorText());
            return false;
        }
    } else {
        if (!m_channel->request(Read, parameter)) {
            MessageHandler::showError(parametr->name() + QStringLiteral(" : ") + m_channel->lastErrorText());
            return false;
        }
        const QByteArray &data = m_tair->answerData;
        switch (type) {
        case HAbstractParametr::TypeEnum:
        case HAbstractParametr::TypeInt:
            if (data.size() != 1) {
                MessageHandler::showError(QStringLiteral("Ошибка размера параметра"));
                return false;
            }
            if (type == HAbstractParametr::TypeEnum)
                static_cast<ParametrEnum *>(parametr)->setValue(uint8_t(data.at(0)));
            else
                static_cast<ParametrInt *>(parametr)->setValue(uint8_t(data.at(0)));
            break;
        case HAbstractParametr::TypeDouble:
            if (data.size() != 4) {
                MessageHandler::showError(QStringLiteral("Ошибка размера параметра"));
                return false;
            }
            static_cast<ParametrDouble *>(parametr)->setValue(floatAt(data, 0));
            break;
        case HAbstractParametr::TypeString: {
            const int end = data.indexOf('\0');
            static_cast<ParametrString *>(parametr)->setValue(QString::fromLatin1(end < 0 ? data : data.left(end)));
            break;
        }
        default:
            MessageHandler::showError(QStringLiteral("Параметр не поддерживается"));
            return false;
        }
    }
    emit hub()->lockScreenAddVal();
    return true;
}

bool AirHandler::writeModeWord(uint16_t word)
{
    QByteArray &payload = m_channel->payload;
    payload.clear();
    payload.append(char(word & 0xFF));
    payload.append(char(word >> 8));
    return m_channel->request(Write, ParModeWord);
}

void AirHandler::zeroTrim()
{
    m_nextTask.store(TaskIdle, std::memory_order_release);
    emit hub()->setLockScreenMaxVal(8);
    if (!linkUp()) {
        MessageHandler::showError(QString::fromUtf8(ExchangeError));
        return;
    }

    float coefficient = 0.0f;
    if (!m_channel->request(Read, ParZeroCoefficient) || m_tair->answerData.size() != 4) {
        MessageHandler::showError(QString::fromUtf8(ExchangeError));
        return;
    }
    coefficient = floatAt(m_tair->answerData, 0);
    emit hub()->lockScreenAddVal();

    double mean = 0.0;
    if (!averageMeasure(ZeroTrimReadings, &mean)) {
        MessageHandler::showInfo(QString::fromUtf8(ExchangeError));
        return;
    }

    const int unit = unitFromDeviceCode(m_tair->deviceUnitCode);
    const double threshold = fromKPa(unit, 0.02 * m_tair->upperLimit);
    if (std::fabs(mean) > threshold) {
        qDebug() << "MEASURE" << mean << "LARGER THAN" << threshold;
        MessageHandler::showError(
            QStringLiteral("Значение на выходе ЦРЗ превышает 2% от нижней границы диапазона измерений!"));
        return;
    }

    // A range ending at or below zero must not turn the bounds inside out.
    const float limit = std::fabs(float(fromKPa(unit, 0.04 * m_tair->upperLimit)));
    const float wanted = coefficient - float(mean);
    const float updated = std::max(-limit, std::min(limit, wanted));
    qDebug() << "MEASURE" << mean << "CURRENT COEFF" << coefficient << "SET COEFF" << updated << "LIMIT" << limit;

    m_channel->payload = floatBytes(updated);
    if (!m_channel->request(Write, ParStagedZeroCoefficient)) {
        MessageHandler::showError(QString::fromUtf8(ExchangeError));
        return;
    }
    emit hub()->lockScreenAddVal();

    m_channel->payload = floatBytes(updated);
    if (!m_channel->request(Write, ParZeroCoefficient))
        MessageHandler::showError(QString::fromUtf8(ExchangeError));
    else
        MessageHandler::showInfo(QStringLiteral("Подстройка нуля успешно завершена!"));
    emit hub()->lockScreenAddVal();
}

bool AirHandler::averageMeasure(int count, double *mean)
{
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        if (!m_channel->request(Read, ParReading) || m_tair->answerData.size() != 5)
            return false;
        const uint8_t status = uint8_t(m_tair->answerData.at(0));
        const float value = floatAt(m_tair->answerData, 1);
        m_tair->lastStatus = status;
        m_tair->lastValue = value;
        // A zero set from a partial or faulty average would be wrong: all readings or none.
        if (status != 0)
            return false;
        sum += value;
        emit hub()->lockScreenAddVal();
        if (i + 1 < count)
            QThread::msleep(unsigned(QiroTimings::averagePauseMs.load()));
    }
    *mean = sum / count;
    return count > 0;
}

void AirHandler::readTable()
{
    m_nextTask.store(TaskIdle, std::memory_order_release);
    setPhase(TaskReadTable, 2);
    m_tableRead = false;
    emit hub()->setLockScreenMaxVal(10);
    if (!linkUp()) {
        MessageHandler::showError(QString::fromUtf8(TableReadError));
        setPhase(TaskReadTable, 1);
        return;
    }
    writeModeWord(ModeWord);

    bool complete = true;
    for (int row = 0; row < TableRows; ++row) {
        if (!readTairRecord(ParTableFirstRow + row, row)) {
            complete = false;
            break;
        }
    }
    if (complete) {
        qDebug() << "READ FULLY FINISHED";
        m_tableRead = true;
        setPhase(TaskReadTable, 0);
    } else {
        MessageHandler::showError(QString::fromUtf8(TableReadError));
        setPhase(TaskReadTable, 1);
    }
}

bool AirHandler::readTairRecord(int parameter, int row)
{
    m_tair->answerData.clear();
    const bool ok = m_channel->request(Read, parameter) && m_tair->answerData.size() == TableRowBytes;
    if (ok) {
        float *values = m_tair->calibrationTable[row];
        std::memcpy(values, m_tair->answerData.constData(), TableRowBytes);
        qDebug() << "ROW" << row << values[0] << values[1] << values[2] << values[3] << values[4] << values[5];
    }
    emit hub()->lockScreenAddVal();
    return ok;
}

void AirHandler::writeTable()
{
    m_nextTask.store(TaskIdle, std::memory_order_release);
    setPhase(TaskWriteTable, 2);
    emit hub()->setLockScreenMaxVal(13);

    // The trim rescales the table the transducer holds now: without a fresh whole read, or
    // with trim points that give no scale, nothing may reach the transducer.
    const bool usable = m_tableRead && m_tair->isConnected() && m_tair->recalculateTable();
    if (!usable) {
        qWarning() << "TABLE NOT WRITTEN" << m_tableRead << m_tair->isConnected();
        MessageHandler::showError(QString::fromUtf8(TableWriteError));
        setPhase(TaskWriteTable, 1);
        return;
    }
    // The table now holds the rescaled rows; a second write would scale them twice.
    m_tableRead = false;

    // The table is the transducer's only when every step was answered as done: the access,
    // each row, the commit and the closing of the access.
    m_channel->payload = QByteArray(1, char(CalibrationAccessValue));
    bool taken = m_channel->request(Write, ParCalibrationAccess);
    if (!taken)
        qWarning() << "CALIBRATION ACCESS REFUSED" << m_channel->lastErrorText();
    QThread::msleep(unsigned(QiroTimings::tableAccessPauseMs.load()));

    // Rows sent without access would be refused one by one.
    for (int row = 0; taken && row < TableRows; ++row)
        taken = writeTairRecord(ParTableFirstRow + row, row);
    if (!taken)
        MessageHandler::showError(QString::fromUtf8(TableWriteError));

    // Closed whatever went before, so that the transducer is not left open for calibration writes.
    const bool committed = m_channel->request(Commit, ParTableCommit);
    QThread::msleep(unsigned(QiroTimings::tableCommitPauseMs.load()));
    m_channel->payload = QByteArray(1, char(0));
    const bool closed = m_channel->request(Write, ParCalibrationAccess);
    writeModeWord(ModeWord);
    emit hub()->lockScreenAddVal();

    if (taken && !(committed && closed)) {
        qWarning() << (committed ? "CALIBRATION ACCESS NOT CLOSED" : "TABLE NOT COMMITTED");
        MessageHandler::showError(QString::fromUtf8(TableWriteError));
        taken = false;
    }
    setPhase(TaskWriteTable, taken ? 0 : 1);
}

bool AirHandler::writeTairRecord(int parameter, int row)
{
    m_channel->payload = QByteArray(reinterpret_cast<const char *>(m_tair->calibrationTable[row]), TableRowBytes);
    const bool ok = m_channel->request(Write, parameter);
    emit hub()->lockScreenAddVal();
    return ok;
}
