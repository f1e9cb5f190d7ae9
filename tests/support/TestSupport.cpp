#include "TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>

namespace TestSupport {

QString sourceDir()
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("MANOVERA_SOURCE_DIR"));
}

QString python()
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("MANOVERA_PYTHON"),
                                                          QStringLiteral("/usr/bin/python3"));
}

int runInTemporaryAppDir(int argc, char **argv)
{
    static const char *const Marker = "MANOVERA_TEMPORARY_APP_DIR";
    if (qEnvironmentVariableIsSet(Marker))
        return -1;

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    // Beside the build's own folder, so the copy stays on the same disk.
    QTemporaryDir dir(QFileInfo(self).absolutePath() + QStringLiteral("/appdir-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary application folder\n");
        return 1;
    }
    const QString copy = dir.filePath(QFileInfo(self).fileName());
    if (!QFile::copy(self, copy)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(self));
        return 1;
    }
    QFile::setPermissions(copy, QFile::permissions(self));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(Marker), dir.path());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(copy, app.arguments().mid(1));
    if (!child.waitForStarted(-1) || !child.waitForFinished(-1)) {
        std::fprintf(stderr, "cannot run %s\n", qPrintable(copy));
        return 1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

}
