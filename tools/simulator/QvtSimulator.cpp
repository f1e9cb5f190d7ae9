#include "QvtSimulator.h"

#include "QvtTransducer.h"
#include "Devices/QiroTimings.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Requests are short; a line this long without CR is noise and is dropped.
constexpr int MaxInputLine = 512;

QByteArray printable(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (uint8_t(c) < 0x20 || uint8_t(c) > 0x7E)
            out += "\\x" + QByteArray::number(uint8_t(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

}

QvtSimulator::QvtSimulator(const QvtTransducerState &state)
    : m_state(state)
{
}

QvtSimulator::~QvtSimulator()
{
    stop();
}

qint64 QvtSimulator::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool QvtSimulator::start(QString *error)
{
    if (m_thread.joinable())
        return true;
    auto failed = [&](const char *what) {
        if (error)
            *error = systemError(what);
        closeAll();
        return false;
    };

    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return failed("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return failed("grantpt");
    char name[256];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return failed("ptsname_r");
    if (fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        return failed("fcntl");

    // Held open for the simulator's life: the pair stays up while clients come and go,
    // and a client's close restores these raw settings, so nothing is echoed between opens.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return failed("open slave");
    termios tio;
    if (tcgetattr(m_slave, &tio) != 0)
        return failed("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B1200);
    cfsetospeed(&tio, B1200);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return failed("tcsetattr");
    if (pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return failed("pipe2");

    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_portName = QString::fromLocal8Bit(name);
        m_stopping = false;
        m_outputs.clear();
        m_input.clear();
        m_startNs = std::chrono::steady_clock::now().time_since_epoch().count();
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void QvtSimulator::stop()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        wake();
        m_thread.join();
    }
    closeAll();
}

void QvtSimulator::closeAll()
{
    for (int *fd : {&m_master, &m_slave, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool QvtSimulator::isRunning() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_thread.joinable() && !m_stopping;
}

QString QvtSimulator::portName() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_portName;
}

QvtTransducerState QvtSimulator::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void QvtSimulator::setState(const QvtTransducerState &state)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = state;
}

void QvtSimulator::updateState(const std::function<void(QvtTransducerState &)> &change)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    change(m_state);
}

void QvtSimulator::setPressure(double value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.pressure = value;
}

double QvtSimulator::clockSeconds() const
{
    return double(std::chrono::steady_clock::now().time_since_epoch().count() - m_startNs.load()) / 1e9;
}

void QvtSimulator::queueFault(const QvtFault &fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.push_back(fault);
}

void QvtSimulator::clearFaults()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

int QvtSimulator::pendingFaults() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_faults.size());
}

QList<QByteArray> QvtSimulator::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void QvtSimulator::clearRequests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

bool QvtSimulator::waitForRequests(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_requestArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return m_requests.size() >= count; });
}

bool QvtSimulator::waitUntilSent(int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_outputDone.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_outputs.empty(); });
}

void QvtSimulator::setVerbose(bool verbose)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_verbose = verbose;
}

void QvtSimulator::wake()
{
    if (m_wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakePipe[1], &byte, 1);
    }
}

void QvtSimulator::run()
{
    char buffer[256];
    for (;;) {
        int timeout = -1;
        short events = POLLIN;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                break;
            if (!m_outputs.empty()) {
                const qint64 wait = m_outputs.front().dueMs - nowMs();
                if (wait > 0)
                    timeout = int(std::min<qint64>(wait, 60000));
                else
                    events |= POLLOUT;
            }
        }
        pollfd fds[2] = {{m_master, events, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            while (::read(m_wakePipe[0], buffer, sizeof buffer) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                takeInput(buffer, int(n));
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Only while no end is open on the slave side, which the held end prevents.
            usleep(10000);
        }
        flushOutputs();
    }
}

void QvtSimulator::takeInput(const char *data, int size)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_input.append(data, size);
    int cr;
    while ((cr = m_input.indexOf('\r')) >= 0) {
        const QByteArray line = m_input.left(cr + 1);
        m_input.remove(0, cr + 1);
        handleFrame(line);
    }
    if (m_input.size() > MaxInputLine)
        m_input.clear();
}

// Called with the lock held.
void QvtSimulator::handleFrame(const QByteArray &line)
{
    m_requests.append(line);
    m_requestArrived.notify_all();
    if (m_verbose)
        std::fprintf(stderr, "<< %s\n", printable(line).constData());

    const int start = line.lastIndexOf(':');
    const QvtTransducer::Request request = QvtTransducer::parseRequest(start >= 0 ? line.mid(start) : line);
    const double seconds = clockSeconds();
    if (!QvtTransducer::addressed(m_state, request))
        return;

    // The mode the operator set comes before the faults queued for single requests.
    QvtFault fault;
    bool faulty = m_state.takeAnswerModeFault(seconds, &fault);
    for (auto it = m_faults.begin(); !faulty && it != m_faults.end(); ++it) {
        if (it->matches(request.command, request.parameter, request.data)) {
            fault = *it;
            faulty = true;
            m_faults.erase(it);
            break;
        }
    }

    // A transducer that does not hear the request, or refuses it, does not act on it either:
    // a refused commit commits nothing, a refused write leaves the value as it was.
    const bool unheard = faulty && (fault.kind == QvtFault::Silence || fault.kind == QvtFault::DeviceError);
    QvtTransducerState scratch;
    if (unheard)
        scratch = m_state;
    QvtTransducer::Answer answer = QvtTransducer::respond(unheard ? scratch : m_state, request, seconds);

    const qint64 due = nowMs() + QiroTimings::simulatorReplyDelayMs.load();
    QByteArray bytes;
    if (!faulty) {
        bytes = QvtTransducer::frameAnswer(answer);
    } else {
        switch (fault.kind) {
        case QvtFault::Silence:
            break;
        case QvtFault::BytesBeforeAnswer:
            bytes = fault.bytes + QvtTransducer::frameAnswer(answer);
            break;
        case QvtFault::BadChecksum:
            bytes = QvtTransducer::frameAnswer(answer, 1);
            break;
        case QvtFault::DeviceError:
            answer.hasField = true;
            answer.field = "$" + QByteArray::number(fault.value);
            bytes = QvtTransducer::frameAnswer(answer);
            break;
        case QvtFault::WrongDataSize:
            answer.hasField = true;
            if (answer.field.startsWith('$'))
                answer.field = QByteArray(2 * std::abs(fault.value), '0');
            else if (fault.value > 0)
                answer.field += QByteArray(2 * fault.value, '0');
            else
                answer.field.chop(2 * -fault.value);
            bytes = QvtTransducer::frameAnswer(answer);
            break;
        case QvtFault::SplitAnswer: {
            const QByteArray whole = QvtTransducer::frameAnswer(answer);
            const int pieces = std::max(2, std::min(fault.value, int(whole.size())));
            const int delay = QiroTimings::simulatorChunkDelayMs.load();
            int at = 0;
            for (int i = 0; i < pieces; ++i) {
                const int end = whole.size() * (i + 1) / pieces;
                schedule(due + qint64(i) * delay, whole.mid(at, end - at));
                at = end;
            }
            break;
        }
        case QvtFault::JunkAfterCr:
            // The junk trails by a chunk delay, so it lands after the client has its answer.
            bytes = QvtTransducer::frameAnswer(answer);
            schedule(due + QiroTimings::simulatorChunkDelayMs.load(), fault.bytes);
            break;
        case QvtFault::Flood:
            bytes = QByteArray(std::max(0, fault.value), fault.bytes.isEmpty() ? 'A' : fault.bytes.at(0));
            break;
        case QvtFault::OtherAddress:
            answer.address = fault.value;
            bytes = QvtTransducer::frameAnswer(answer);
            break;
        case QvtFault::ReplaceAnswer:
            bytes = fault.bytes;
            break;
        }
    }
    if (!bytes.isEmpty())
        schedule(due, bytes);
    if (m_verbose)
        std::fprintf(stderr, ">> %s%s\n", faulty ? "(fault) " : "", printable(bytes).constData());
}

// Called with the lock held.
void QvtSimulator::schedule(qint64 dueMs, const QByteArray &bytes)
{
    auto it = std::upper_bound(m_outputs.begin(), m_outputs.end(), dueMs,
                               [](qint64 due, const Output &o) { return due < o.dueMs; });
    m_outputs.insert(it, Output{dueMs, bytes});
}

void QvtSimulator::flushOutputs()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const qint64 now = nowMs();
    while (!m_outputs.empty() && m_outputs.front().dueMs <= now) {
        Output &out = m_outputs.front();
        const ssize_t n = ::write(m_master, out.bytes.constData(), size_t(out.bytes.size()));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return;
            out.bytes.clear();
        } else {
            out.bytes.remove(0, int(n));
        }
        if (!out.bytes.isEmpty())
            return;
        m_outputs.pop_front();
    }
    if (m_outputs.empty())
        m_outputDone.notify_all();
}
