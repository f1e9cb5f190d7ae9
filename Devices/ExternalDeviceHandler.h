#pragma once

#include <QObject>
#include <atomic>
#include <memory>

class QMutex;
class QThread;

// Runs a device's work() in a thread of its own, so that slow serial exchanges never
// block the user interface. The handler itself lives in the thread that created it;
// only handleDevice() and work() run in the worker thread.
class ExternalDeviceHandler : public QObject
{
    Q_OBJECT
public:
    explicit ExternalDeviceHandler(QObject *parent = nullptr);
    ~ExternalDeviceHandler() override;

    // Stops an earlier worker first, then starts a fresh one at low priority.
    void startWorker();
    // Clears the running flag and waits, without limit, for work() to return.
    void stopWorker();

    bool isRunning() const { return m_running.load(std::memory_order_acquire); }

public slots:
    void handleDevice();

protected:
    // The body of the thread; it must return soon after isRunning() becomes false.
    virtual void work();

private:
    std::atomic<bool> m_running{false};
    QThread *m_thread = nullptr;
    std::unique_ptr<QMutex> m_mutex;
};
