#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
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

namespace {

bool copyTree(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    const QFileInfoList entries = QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyTree(entry.filePath(), target) : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

}

int runInTemporaryAppDir(int argc, char **argv, const QString &folderName)
{
    static const char *const Marker = "MANOVERA_TEMPORARY_APP_DIR";
    if (qEnvironmentVariableIsSet(Marker))
        return -1;

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    // Beside the build's own folder, so the copy stays on the same disk.
    QTemporaryDir dir(QFileInfo(self).absolutePath() + QLatin1Char('/') + folderName + QStringLiteral("-XXXXXX"));
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
    // What the installed program finds beside itself.
    for (const char *folder : {"Templates", "Images", "help"}) {
        const QString from = QFileInfo(self).absolutePath() + QLatin1Char('/') + QLatin1String(folder);
        if (QFileInfo(from).isDir() && !copyTree(from, dir.filePath(QLatin1String(folder)))) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(from));
            return 1;
        }
    }

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
