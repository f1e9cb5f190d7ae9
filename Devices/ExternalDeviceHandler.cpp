#include "Devices/ExternalDeviceHandler.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThread>

ExternalDeviceHandler::ExternalDeviceHandler(QObject *parent)
    : QObject(parent)
    , m_mutex(new QMutex)
{
}

ExternalDeviceHandler::~ExternalDeviceHandler()
{
    stopWorker();
}

void ExternalDeviceHandler::startWorker()
{
    stopWorker();
    QMutexLocker locker(m_mutex.get());
    if (m_thread)
        return;
    m_running.store(true, std::memory_order_release);
    m_thread = new QThread;
    connect(m_thread, SIGNAL(started()), this, SLOT(handleDevice()), Qt::DirectConnection);
    m_thread->start(QThread::LowPriority);
}

void ExternalDeviceHandler::stopWorker()
{
    QMutexLocker locker(m_mutex.get());
    if (!m_running.load(std::memory_order_acquire))
        return;
    m_running.store(false, std::memory_order_release);
    if (m_thread) {
        m_thread->wait();
        // Freed here rather than on its own finished(): a work() that returns early
        // would otherwise leave this pointer dangling until the next stop.
        delete m_thread;
        m_thread = nullptr;
    }
}

void ExternalDeviceHandler::handleDevice()
{
    work();
    QThread::currentThread()->quit();
}

void ExternalDeviceHandler::work()
{
}
