#pragma once

// What the workbook benchmarks share: the median, the peak memory and the
// openpyxl run beside ours.

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QString>
#include <QTextStream>

#include <algorithm>
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

// Runs bench/openpyxl_fill.py on the same template and prints its median and the ratio to ours.
inline void compareWithOpenpyxl(QTextStream &cout, const QString &templatePath, const QString &outPath, int runs,
                                double oursMedian, const QString &ours)
{
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo::exists(python)) {
        cout << "openpyxl: not run (no " << python << ")\n";
        return;
    }
    QProcess p;
    const int pyRuns = qMin(runs, 7);
    p.start(python, {QStringLiteral(MANOVERA_SOURCE_DIR "/bench/openpyxl_fill.py"), templatePath, outPath,
                     QString::number(pyRuns)});
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        cout << "openpyxl: failed: " << p.readAllStandardError() << "\n";
        return;
    }
    std::vector<double> theirs;
    for (const auto &v : QJsonDocument::fromJson(p.readAllStandardOutput()).array())
        theirs.push_back(v.toDouble());
    const double m = median(theirs);
    cout << "openpyxl: median " << QString::number(m, 'f', 1) << " ms (" << pyRuns << " runs)\n";
    cout << "ratio: " << ours << " is " << QString::number(m / qMax(oursMedian, 1e-3), 'f', 1) << " times faster\n";
}

}
