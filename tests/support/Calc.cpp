#include "Calc.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace Calc {

QString program()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

bool run(const QString &profile, const QStringList &arguments, QString *error)
{
    QProcess p;
    p.start(program(), QStringList{QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                                   QStringLiteral("--headless"), QStringLiteral("--norestore"),
                                   QStringLiteral("--nolockcheck")}
                           + arguments);
    // A first start on a fresh profile is slow, and the machine may be busy.
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished(10000);
        *error = QStringLiteral("soffice did not finish in 5 minutes: ") + QString::fromLocal8Bit(p.readAllStandardError());
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("soffice failed (%1): ").arg(p.exitCode()) + QString::fromLocal8Bit(p.readAllStandardError());
        return false;
    }
    return true;
}

bool convert(const QString &profile, const QStringList &files, const QString &format, const QString &folder,
             QString *error)
{
    return run(profile, QStringList{QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), folder} + files,
               error);
}

}
