#include "LogCapture.h"

#include <QMutex>

namespace TestSupport {

namespace {
QMutex mutex;
QStringList captured;
QtMessageHandler previous = nullptr;
bool active = false;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg) {
        QMutexLocker locker(&mutex);
        captured << text;
    }
    if (previous)
        previous(type, context, text);
}
}

LogCapture::LogCapture()
{
    Q_ASSERT(!active);
    active = true;
    captured.clear();
    previous = qInstallMessageHandler(capture);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
    active = false;
}

QStringList LogCapture::warnings() const
{
    QMutexLocker locker(&mutex);
    return captured;
}

QStringList LogCapture::warnings(const QString &tag) const
{
    QStringList found;
    for (const QString &line : warnings()) {
        if (line.startsWith(tag))
            found << line;
    }
    return found;
}

}
