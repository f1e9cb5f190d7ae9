#include "QvtControlFifo.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A command is a few words; a longer line is cut and refused by the parser.
constexpr int MaxLine = 1024;

QString systemError(const QString &what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

int openForReading(const QByteArray &path)
{
    // Without O_NONBLOCK the open would wait for the first writer.
    return ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

}

QvtControlFifo::~QvtControlFifo()
{
    stop();
}

bool QvtControlFifo::start(const QString &path, LineHandler handler, QString *error)
{
    if (m_thread.joinable())
        return true;
    auto failed = [&](const QString &what) {
        if (error)
            *error = systemError(what);
        stop();
        return false;
    };

    m_path = QFile::encodeName(path);
    m_handler = std::move(handler);
    struct stat st;
    if (::stat(m_path.constData(), &st) != 0) {
        if (errno != ENOENT)
            return failed(path);
        if (::mkfifo(m_path.constData(), 0600) != 0)
            return failed(QStringLiteral("mkfifo ") + path);
        m_created = true;
    } else if (!S_ISFIFO(st.st_mode)) {
        if (error)
            *error = QStringLiteral("%1 is not a FIFO").arg(path);
        return false;
    }
    m_fd = openForReading(m_path);
    if (m_fd < 0)
        return failed(path);
    if (::pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return failed(QStringLiteral("pipe2"));
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void QvtControlFifo::stop()
{
    if (m_thread.joinable()) {
        m_stopping = true;
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakePipe[1], &byte, 1);
        m_thread.join();
    }
    for (int *fd : {&m_fd, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (m_created)
        ::unlink(m_path.constData());
    m_created = false;
}

// The new end is opened before the old one is closed: the pipe, and whatever a writer put
// into it in between, stays alive.
bool QvtControlFifo::reopen()
{
    const int fd = openForReading(m_path);
    if (fd < 0)
        return false;
    ::close(m_fd);
    m_fd = fd;
    return true;
}

void QvtControlFifo::run()
{
    char buffer[512];
    while (!m_stopping) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;
        if (fds[0].revents == 0)
            continue;
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                takeBytes(buffer, int(n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN)
                break;
            // The last writer closed it (or it failed): a line without its newline ends here,
            // and the next writer gets a fresh end.
            if (!m_line.isEmpty() || m_lineTooLong)
                endLine();
            if (!reopen())
                return;
            break;
        }
    }
}

void QvtControlFifo::takeBytes(const char *data, int size)
{
    for (int i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            endLine();
        } else if (m_line.size() < MaxLine) {
            m_line += data[i];
        } else {
            m_lineTooLong = true;
        }
    }
}

void QvtControlFifo::endLine()
{
    if (m_line.endsWith('\r'))
        m_line.chop(1);
    const QString line = QString::fromUtf8(m_line) + (m_lineTooLong ? QStringLiteral("...") : QString());
    m_line.clear();
    m_lineTooLong = false;
    if (m_handler)
        m_handler(line);
}
