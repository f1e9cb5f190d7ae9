#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

// Reads lines from a named pipe on a thread of its own and hands each to a handler, so that
// `echo "pressure 500" > FIFO` reaches the simulator any number of times: after each writer
// closes the pipe, it is opened again.
class QvtControlFifo
{
public:
    using LineHandler = std::function<void(const QString &line)>;

    QvtControlFifo() = default;
    ~QvtControlFifo();
    QvtControlFifo(const QvtControlFifo &) = delete;
    QvtControlFifo &operator=(const QvtControlFifo &) = delete;

    // Opens the FIFO at path, making it when there is nothing there (and removing it again
    // on stop()). False with the reason in *error when path is something else or cannot be read.
    bool start(const QString &path, LineHandler handler, QString *error = nullptr);
    void stop();

private:
    void run();
    bool reopen();
    void takeBytes(const char *data, int size);
    void endLine();

    QByteArray m_path;
    LineHandler m_handler;
    bool m_created = false;
    int m_fd = -1;
    int m_wakePipe[2] = {-1, -1};
    QByteArray m_line;
    bool m_lineTooLong = false;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
