#pragma once

#include "QvtFault.h"
#include "QvtTransducerState.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A simulated QVT transducer on the master end of a pseudo-terminal pair. The slave end
// (portName()) is held open in raw mode for the simulator's whole life, so a client may
// open and close it for every request as it would a real serial port. Runs on a thread of
// its own; every public call is safe from any thread.
class QvtSimulator
{
public:
    explicit QvtSimulator(const QvtTransducerState &state = QvtTransducerState());
    ~QvtSimulator();
    QvtSimulator(const QvtSimulator &) = delete;
    QvtSimulator &operator=(const QvtSimulator &) = delete;

    // Creates the pair and starts answering; false with the reason in *error on failure.
    bool start(QString *error = nullptr);
    void stop();
    bool isRunning() const;
    // The slave end, e.g. /dev/pts/5.
    QString portName() const;

    QvtTransducerState state() const;
    void setState(const QvtTransducerState &state);
    // Changes the state in one step, under the simulator's lock.
    void updateState(const std::function<void(QvtTransducerState &)> &change);
    void setPressure(double value);
    // The simulator's clock, in seconds since start(): the time of the swing and of the
    // answer modes' ends.
    double clockSeconds() const;

    void queueFault(const QvtFault &fault);
    void clearFaults();
    int pendingFaults() const;

    // Every request frame received, as received (CR included), oldest first.
    QList<QByteArray> requests() const;
    void clearRequests();
    // Waits until at least count frames have been received in all.
    bool waitForRequests(int count, int timeoutMs) const;
    // Waits until every answer byte due so far has been written to the pair.
    bool waitUntilSent(int timeoutMs) const;

    // Writes every request and answer to stderr.
    void setVerbose(bool verbose);

private:
    struct Output
    {
        qint64 dueMs;
        QByteArray bytes;
    };

    void run();
    void takeInput(const char *data, int size);
    void handleFrame(const QByteArray &frame);
    void schedule(qint64 dueMs, const QByteArray &bytes);
    void flushOutputs();
    qint64 nowMs() const;
    void wake();
    void closeAll();

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_requestArrived;
    mutable std::condition_variable m_outputDone;
    QvtTransducerState m_state;
    std::deque<QvtFault> m_faults;
    QList<QByteArray> m_requests;
    std::deque<Output> m_outputs;
    QByteArray m_input;
    QString m_portName;
    bool m_verbose = false;
    bool m_stopping = false;

    int m_master = -1;
    int m_slave = -1;
    int m_wakePipe[2] = {-1, -1};
    std::atomic<qint64> m_startNs{0};
    std::thread m_thread;
};
