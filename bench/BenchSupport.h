#pragma once

// What the workbook benchmarks share: the median, the peak memory and the
// openpyxl run beside ours.

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace Bench {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline double peakMiB()
{
#ifdef Q_OS_UNIX
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
#else
    return 0;
#endif
}

// Our work and openpyxl's on the same template, run in alternation (ours, openpyxl, ours, ...)
// with the ratio taken pair by pair: a load that comes and goes on the machine then weighs on
// both halves of a pair alike, where separate blocks of runs gave anything from 8 to 13 times.
// Without /usr/bin/python3 and openpyxl, ours runs alone. Returns false when ours failed.
inline bool alternateWithOpenpyxl(QTextStream &cout, const QString &templatePath, const QString &outPath, int runs,
                                  const std::function<bool()> &oursOnce, const QString &ours)
{
    QProcess python;
    bool paired = QFileInfo::exists(QStringLiteral("/usr/bin/python3"));
    if (paired) {
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(MANOVERA_SOURCE_DIR "/bench/openpyxl_fill.py"), templatePath, outPath});
        paired = python.waitForReadyRead(60000) && python.readLine().trimmed() == "ready";
        if (!paired)
            cout << "openpyxl: not run: " << python.readAllStandardError() << "\n";
    } else {
        cout << "openpyxl: not run (no /usr/bin/python3)\n";
    }

    std::vector<double> oursMs, theirsMs, ratios;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!oursOnce())
            return false;
        oursMs.push_back(t.nsecsElapsed() / 1e6);
        if (!paired)
            continue;
        python.write("run\n");
        bool ok = false;
        while (!python.canReadLine() && python.waitForReadyRead(600000)) {
        }
        const double theirs = python.readLine().trimmed().toDouble(&ok);
        if (!ok) {
            cout << "openpyxl: failed: " << python.readAllStandardError() << "\n";
            paired = false;
            continue;
        }
        theirsMs.push_back(theirs);
        ratios.push_back(theirs / qMax(oursMs.back(), 1e-3));
    }
    if (python.state() != QProcess::NotRunning) {
        python.closeWriteChannel();
        python.waitForFinished(60000);
    }

    cout << ours << ": median " << QString::number(median(oursMs), 'f', 1) << " ms (" << oursMs.size()
         << " runs), peak memory " << QString::number(peakMiB(), 'f', 1) << " MiB\n";
    if (ratios.empty())
        return true;
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    cout << "openpyxl: median " << QString::number(median(theirsMs), 'f', 1) << " ms (" << theirsMs.size()
         << " runs, each right after one of ours)\n";
    cout << "ratio, pair by pair: " << ours << " is " << QString::number(median(ratios), 'f', 1)
         << " times faster (median; pairs from " << QString::number(*low, 'f', 1) << " to "
         << QString::number(*high, 'f', 1) << ")\n";
    return true;
}

}
