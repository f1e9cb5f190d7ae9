// qvt-simulator: a simulated QVT transducer on a pseudo-terminal, for running the
// workstation without hardware. Prints the port path and answers until SIGTERM or SIGINT;
// with --control, takes commands that steer it while it runs.
#include "QvtControl.h"
#include "QvtControlFifo.h"
#include "QvtSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>
#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

int usageError(const QString &message)
{
    std::fprintf(stderr, "qvt-simulator: %s\n", qPrintable(message));
    return 2;
}

}

int main(int argc, char **argv)
{
    // Blocked before any thread starts, so that only sigwait() below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qvt-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated QVT pressure transducer on a pseudo-terminal. Prints the port path, then "
        "answers QIRO requests on it until SIGTERM or SIGINT."));
    parser.addHelpOption();
    const QCommandLineOption portFile(QStringLiteral("port-file"),
        QStringLiteral("Also write the port path into <file>."), QStringLiteral("file"));
    const QCommandLineOption type(QStringLiteral("type"),
        QStringLiteral("Device type of the identify answer: 43 new version, 13 old version, "
                       "another number an unknown device (default 43)."), QStringLiteral("n"), QStringLiteral("43"));
    const QCommandLineOption serial(QStringLiteral("serial"),
        QStringLiteral("Serial number (default 12345678)."), QStringLiteral("n"), QStringLiteral("12345678"));
    const QCommandLineOption address(QStringLiteral("address"),
        QStringLiteral("Bus address, 1 to 255 (default 1)."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption range(QStringLiteral("range"),
        QStringLiteral("Range limits in kPa (default 0..1000)."), QStringLiteral("low..high"), QStringLiteral("0..1000"));
    const QCommandLineOption units(QStringLiteral("units"),
        QStringLiteral("Units code: 0 MPa, 1 kPa, 2 Pa, 3 kgf/m2, 4 kgf/cm2, 5 mmHg, 6 bar, 7 psi (default 1)."),
        QStringLiteral("code"), QStringLiteral("1"));
    const QCommandLineOption pressure(QStringLiteral("pressure"),
        QStringLiteral("Pressure in the transducer's units (default 0)."), QStringLiteral("value"), QStringLiteral("0"));
    const QCommandLineOption vary(QStringLiteral("vary"),
        QStringLiteral("Let the pressure swing by this amplitude around its value (default 0: constant)."),
        QStringLiteral("amplitude"), QStringLiteral("0"));
    const QCommandLineOption period(QStringLiteral("period"),
        QStringLiteral("Period of the swing in seconds (default 60)."), QStringLiteral("seconds"), QStringLiteral("60"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
        QStringLiteral("Write every request and answer to stderr."));
    const QCommandLineOption control(QStringLiteral("control"),
        QStringLiteral("Take commands, one a line, from the named pipe <fifo> (made when there is none), "
                       "for example: echo \"pressure 500\" > FIFO. \"help\" lists them."),
        QStringLiteral("fifo"));
    parser.addOptions({portFile, type, serial, address, range, units, pressure, vary, period, verbose, control});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    // The options that a control command also sets go through the same parser.
    QvtTransducerState state;
    const std::pair<const char *, QString> asCommands[] = {
        {"--type", QStringLiteral("type ") + parser.value(type)},
        {"--serial", QStringLiteral("serial ") + parser.value(serial)},
        {"--range", QStringLiteral("range ") + parser.value(range)},
        {"--units", QStringLiteral("units ") + parser.value(units)},
        {"--pressure", QStringLiteral("pressure ") + parser.value(pressure)},
        {"--vary/--period", QStringLiteral("swing %1 %2").arg(parser.value(vary), parser.value(period))},
    };
    for (const auto &option : asCommands) {
        const QvtControl::Result r = QvtControl::apply(option.second, state, 0);
        if (!r.ok)
            return usageError(QStringLiteral("%1: %2").arg(QLatin1String(option.first), r.error));
    }
    bool ok = false;
    state.address = parser.value(address).toInt(&ok);
    if (!ok || state.address < 1 || state.address > 255)
        return usageError(QStringLiteral("--address takes a number 1 to 255"));

    QvtSimulator simulator(state);
    simulator.setVerbose(parser.isSet(verbose));
    QString error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "qvt-simulator: %s\n", qPrintable(error));
        return 1;
    }
    const QByteArray port = simulator.portName().toLocal8Bit();

    // Answers go to stdout, refusals to stderr, each as a whole.
    QvtControlFifo controlFifo;
    if (parser.isSet(control)) {
        const auto handle = [&simulator](const QString &line) {
            const QvtControl::Result r = QvtControl::execute(simulator, line);
            if (!r.ok) {
                std::fprintf(stderr, "qvt-simulator: %s\n", qPrintable(r.error));
                std::fflush(stderr);
            } else if (!r.output.isEmpty()) {
                std::printf("%s\n", qPrintable(r.output));
                std::fflush(stdout);
            }
        };
        if (!controlFifo.start(parser.value(control), handle, &error))
            return usageError(QStringLiteral("--control: ") + error);
    }

    if (parser.isSet(portFile)) {
        QSaveFile file(parser.value(portFile));
        if (!file.open(QIODevice::WriteOnly) || file.write(port + '\n') != port.size() + 1 || !file.commit()) {
            std::fprintf(stderr, "qvt-simulator: cannot write %s: %s\n",
                         qPrintable(parser.value(portFile)), qPrintable(file.errorString()));
            return 1;
        }
    }
    std::printf("%s\n", port.constData());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    controlFifo.stop();
    simulator.stop();
    return 0;
}
