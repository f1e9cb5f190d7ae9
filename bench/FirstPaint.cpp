// Linked with the program's own Interface/main.cpp into bench_window_start, so the start-up it
// times is the program's, step for step. Installed as the application object is made, it waits
// for the first paint of the main window and for the end of that first frame (the paint of every
// widget in it and the flush), prints both on the monotonic clock, with the time since the
// process started by the kernel's own count, and ends the process there: no shutdown, which would
// rewrite conf.ini and weigh on the next start.
//
//   bench_window_start                   one start, its figures on one line
//   bench_window_start --save-and-quit   the window closed at its first frame instead, so the
//                                        program's shutdown writes conf.ini as a session leaves it

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {

qint64 nowNs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Milliseconds since the kernel started this process (field 22 of /proc/self/stat, in clock
// ticks since boot: at best to a tick, 10 ms here); -1 when it cannot be read.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces: the fields are counted after it.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // Field 3 is the first after the name; the start time is field 22.
    if (fields.size() < 20)
        return -1;
    bool ok = false;
    const qint64 ticks = fields.at(19).toLongLong(&ok);
    if (!ok)
        return -1;
    const double startMs = 1000.0 * double(ticks) / double(sysconf(_SC_CLK_TCK));
    return nowNs(CLOCK_BOOTTIME) / 1e6 - startMs;
}

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_paintNs || event->type() != QEvent::Paint)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        auto *window = widget ? qobject_cast<QMainWindow *>(widget->window()) : nullptr;
        if (!window)
            return false;
        m_paintNs = nowNs(CLOCK_MONOTONIC);
        // The whole frame is painted and flushed within the event that is being handled: a
        // queued call runs right after it.
        QMetaObject::invokeMethod(
            this, [this, window]() { frameDone(window); }, Qt::QueuedConnection);
        return false;
    }

private:
    void frameDone(QMainWindow *window)
    {
        const qint64 frameNs = nowNs(CLOCK_MONOTONIC);
        const double sinceStart = msSinceProcessStart();
        std::printf("first-paint %lld frame-done %lld since-start-ms %.1f platform %s\n",
                    static_cast<long long>(m_paintNs), static_cast<long long>(frameNs), sinceStart,
                    qPrintable(QGuiApplication::platformName()));
        std::fflush(stdout);
        if (QCoreApplication::arguments().contains(QStringLiteral("--save-and-quit"))) {
            QTimer::singleShot(0, window, &QWidget::close);
            return;
        }
        std::_Exit(0);
    }

    qint64 m_paintNs = 0;
};

void installFirstPaint()
{
    QCoreApplication::instance()->installEventFilter(new FirstPaint());
}

}

Q_COREAPP_STARTUP_FUNCTION(installFirstPaint)
