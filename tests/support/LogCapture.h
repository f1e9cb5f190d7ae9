#pragma once

#include <QStringList>
#include <QtGlobal>

namespace TestSupport {

// Collects the warnings written to Qt's log while it lives, each as the line the log shows;
// they still reach the previous handler.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList warnings() const;
    // The warnings that begin with tag.
    QStringList warnings(const QString &tag) const;
};

}
