// Writes one file over and over through the program's own code until it is killed, so that a
// test can kill it at any point of a write. Prints "start N" before and "done N" after write N.
//   acceptance_writer conf [once]   conf.ini beside itself, with the verifier's name "Поверитель N"
//   acceptance_writer protocol DIR  the protocol "Протокол" in DIR, verification set, method A
#include "ProtocolSetup.h"

#include "Interface/Application.h"
#include "Parameters/Configurator.h"
#include "Parameters/ParametrString.h"
#include "Verification/Conditions.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == QLatin1String("conf")) {
        createApplicationObjects();
        const bool once = args.value(1) == QLatin1String("once");
        for (int n = 1;; ++n) {
            Conditions::instance->prConditionsVrName->setValue(QStringLiteral("Поверитель %1").arg(n));
            std::printf("start %d\n", n);
            std::fflush(stdout);
            Configurator::instance->saveConfiguration();
            std::printf("done %d\n", n);
            std::fflush(stdout);
            if (once)
                return 0;
        }
    }
    if (mode == QLatin1String("protocol") && args.size() == 2) {
        ProtocolSetup::createObjects();
        ProtocolSetup::setTexts();
        ProtocolSetup::apply(1);
        Settings::instance->protocolPath()->setValue(args.value(1));
        Settings::instance->documentSet()->setValue(1);
        for (int n = 1;; ++n) {
            std::printf("start %d\n", n);
            std::fflush(stdout);
            if (!ExcelSaver::instance->makeProtocol(QStringLiteral("Протокол"))) {
                std::fprintf(stderr, "%s\n", qPrintable(ExcelSaver::instance->lastError()));
                return 1;
            }
            std::printf("done %d\n", n);
            std::fflush(stdout);
        }
    }
    std::fprintf(stderr, "usage: acceptance_writer conf [once] | protocol DIR\n");
    return 2;
}
