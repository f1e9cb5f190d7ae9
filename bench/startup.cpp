// Times the start-up of the workstation's core: every service object created and a
// conf.ini of a few hundred keys loaded. Each start runs in a fresh process, as it does
// for the operator; the parent prints the median of the runs.

#include "Interface/Application.h"
#include "Parameters/Configurator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int Runs = 21;
constexpr int ExtraKeys = 400;

QString confPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini");
}

int runOnce()
{
    QElapsedTimer timer;
    timer.start();
    createApplicationObjects();
    const qint64 ns = timer.nsecsElapsed();
    std::printf("%lld\n", static_cast<long long>(ns));
    std::fflush(stdout);
    std::_Exit(0);  // no shutdown: it would rewrite conf.ini and skew the next run
}
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--once")))
        return runOnce();

    {
        QSettings stored(confPath(), QSettings::IniFormat);
        stored.clear();
        for (int i = 0; i < ExtraKeys; ++i)
            stored.setValue(QStringLiteral("%1_dev->prKey%2").arg(i % 4).arg(i), QStringLiteral("value %1").arg(i));
        stored.setValue(QStringLiteral("prMainFontSize"), 10);
        stored.setValue(QStringLiteral("prDecimals"), 3);
    }

    QList<double> ms;
    for (int run = 0; run < Runs; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--once")});
        if (!child.waitForFinished(60000) || child.exitCode() != 0) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        ms << child.readAllStandardOutput().trimmed().toLongLong() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start-up (objects + conf.ini of %d keys), %d runs: median %.2f ms, min %.2f ms, max %.2f ms\n",
                ExtraKeys, Runs, ms.at(Runs / 2), ms.first(), ms.last());
    return 0;
}
