// Time and memory of writing a protocol with the protocol writer: 201 points
// and 4 devices, from the largest built-in template, saved. openpyxl's load,
// fill and save of the same template (bench/openpyxl_fill.py) run in turn with
// it, one of each at a time, when /usr/bin/python3 has it.
//
//   bench_protocol [runs]   (default 21)

#include "Devices/TAIR.h"
#include "Documents/ExcelSaver.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/Settings.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrPointsModel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include "BenchPoints.h"
#include "BenchSupport.h"
#include "Services.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream cout(stdout);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 21;

    TestSupport::createServices(TestSupport::ProtocolWriter);
    ExcelSaver *saver = ExcelSaver::instance;
    Bench::fillPoints();

    const QString templatePath = Bench::useLargestTemplate();
    if (templatePath.isEmpty()) {
        cout << "no built-in template beside the program: " << Settings::instance->templateFor(0, 0) << "\n";
        return 1;
    }

    QTemporaryDir dir;
    Settings::instance->protocolPath()->setValue(dir.path());
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    qSetMessagePattern(QString());

    const QString out = dir.filePath(QStringLiteral("protocol.xlsx"));
    cout << "template: " << QFileInfo(templatePath).fileName() << ", " << Bench::Points << " points, "
         << Bench::Devices << " devices\n";
    const bool ok = Bench::alternateWithOpenpyxl(
        cout, templatePath, dir.filePath(QStringLiteral("openpyxl.xlsx")), runs,
        [&] { return saver->makeProtocol(QStringLiteral("protocol")); }, QStringLiteral("the protocol writer"));
    if (!ok) {
        cout << "failed: " << saver->lastError() << "\n";
        return 1;
    }
    cout << "document: " << QFileInfo(out).size() / 1024 << " KiB\n";
    return 0;
}
