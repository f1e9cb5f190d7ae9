// Time and memory of writing a protocol with the protocol writer: 201 points
// and 4 devices, from the largest built-in template, saved. openpyxl's load,
// fill and save of the same template (bench/openpyxl_fill.py) run in turn with
// it, one of each at a time, when /usr/bin/python3 has it.
//
//   bench_protocol [runs]   (default 21)

#include "Devices/TAIR.h"
#include "Documents/ExcelSaver.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
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

#include "BenchSupport.h"

namespace {

constexpr int Points = 201;

// 0..1000 kPa up and down, every reading taken.
void fillPoints()
{
    VrPointsModel *model = Verification::instance->pointsModel();
    Verification::instance->prMinValue->setValue(0);
    Verification::instance->prMaxValue->setValue(1000);
    Conditions::instance->prVrDeviceCount->setValue(4);
    model->clearPoints();
    for (int i = 0; i < Points; ++i) {
        VrPoint p;
        const int up = i <= Points / 2 ? i : Points - 1 - i;
        p.nominal = up * 10.0;
        p.reference = p.nominal + 0.013 * (i % 7);
        p.referenceMeasured = true;
        p.uncertainty = 0.05 + 0.001 * (i % 5);
        for (int d = 0; d < 4; ++d) {
            p.devices[d].reading = p.nominal + 0.1 * d - 0.02 * (i % 3);
            p.devices[d].measured = true;
        }
        model->appendPoint(p, -1);
    }
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream cout(stdout);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 21;

    new Configurator();
    MainHandler::instance = new MainHandler();
    new Dictionary();
    new TAIR();
    new Conditions();
    new Verification();
    new Settings();
    ExcelSaver *saver = new ExcelSaver(MainHandler::instance);
    fillPoints();

    // The largest of the four built-in templates, by document set and method.
    int set = 0, method = 0;
    qint64 size = -1;
    for (int s = 0; s < 2; ++s)
        for (int m = 0; m < 2; ++m) {
            const qint64 n = QFileInfo(Settings::instance->templateFor(s, m)).size();
            if (n > size) {
                size = n;
                set = s;
                method = m;
            }
        }
    const QString templatePath = Settings::instance->templateFor(set, method);
    if (size <= 0) {
        cout << "no built-in template beside the program: " << templatePath << "\n";
        return 1;
    }
    Settings::instance->documentSet()->setValue(set);
    Verification::instance->prVerificationMode->setValue(method);

    QTemporaryDir dir;
    Settings::instance->protocolPath()->setValue(dir.path());
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    qSetMessagePattern(QString());

    const QString out = dir.filePath(QStringLiteral("protocol.xlsx"));
    cout << "template: " << QFileInfo(templatePath).fileName() << ", " << Points << " points, 4 devices\n";
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
