#include "QvtControl.h"

#include "QvtSimulator.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <limits>

namespace {

using Mode = QvtTransducerState::AnswerMode;

struct Command
{
    const char *name;
    const char *usage;
    const char *text;
};

const Command Commands[] = {
    {"pressure", "pressure VALUE", "the pressure, in the transducer's units"},
    {"swing", "swing AMPLITUDE [PERIOD]", "a sine swing around the pressure, PERIOD in seconds; swing 0 stops it"},
    {"silent", "silent [SECONDS]", "answer nothing, for SECONDS or until \"answer\""},
    {"garbage", "garbage [REQUESTS]", "answer noise, to the next REQUESTS requests or until \"answer\""},
    {"badcrc", "badcrc [REQUESTS]", "answer with a wrong checksum, to the next REQUESTS requests or until \"answer\""},
    {"error", "error CODE [REQUESTS]",
     "answer the error \"$CODE\" (1 to 255), to the next REQUESTS requests or until \"answer\""},
    {"answer", "answer", "answer normally again"},
    {"type", "type N", "the device type that identify reports: 43 new version, 13 old version, 0 to 255"},
    {"serial", "serial N", "the serial number, 0 to 4294967295"},
    {"units", "units CODE",
     "the units code: 0 MPa, 1 kPa, 2 Pa, 3 kgf/m2, 4 kgf/cm2, 5 mmHg, 6 bar, 7 psi"},
    {"range", "range LOW..HIGH", "the range limits, in kPa"},
    {"state", "state", "print the state on one line, as the commands that set it"},
    {"help", "help", "print this list"},
};

const Command *findCommand(const QString &name)
{
    for (const Command &c : Commands) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

bool number(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

bool integer(const QString &text, qint64 min, qint64 max, qint64 *value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value >= min && *value <= max;
}

bool range(const QString &text, float *low, float *high)
{
    const QStringList parts = text.split(QStringLiteral(".."));
    double l = 0, h = 0;
    if (parts.size() != 2 || !number(parts.at(0), &l) || !number(parts.at(1), &h))
        return false;
    *low = float(l);
    *high = float(h);
    return std::isfinite(*low) && std::isfinite(*high) && *low < *high;
}

QString text(double value, int digits)
{
    return QString::number(value, 'g', digits);
}

QvtControl::Result failure(const QString &error)
{
    QvtControl::Result r;
    r.ok = false;
    r.error = error;
    return r;
}

QString quoted(const QString &line)
{
    constexpr int Shown = 60;
    return QLatin1Char('"') + (line.size() > Shown ? line.left(Shown) + QStringLiteral("...") : line)
         + QLatin1Char('"');
}

}

QvtControl::Result QvtControl::apply(const QString &line, QvtTransducerState &state, double now)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
        return Result();
    static const QRegularExpression Blanks(QStringLiteral("\\s+"));
    const QStringList words = trimmed.split(Blanks, Qt::SkipEmptyParts);
    const QString name = words.first().toLower();
    const QStringList args = words.mid(1);
    const Command *command = findCommand(name);
    if (!command)
        return failure(QStringLiteral("unknown command %1 (\"help\" lists the commands)").arg(quoted(trimmed)));
    const Result usage = failure(QStringLiteral("%1 refused; usage: %2 (%3)")
                                     .arg(quoted(trimmed), QLatin1String(command->usage), QLatin1String(command->text)));

    // Every argument is checked before anything changes.
    const int count = args.size();
    const QString first = count > 0 ? args.at(0) : QString();
    const QString second = count > 1 ? args.at(1) : QString();
    double x = 0, y = 0;
    qint64 n = 0, m = 0;
    float low = 0, high = 0;
    Result result;
    if (name == QLatin1String("pressure")) {
        if (count != 1 || !number(first, &x))
            return usage;
        state.pressure = x;
    } else if (name == QLatin1String("swing")) {
        if (count < 1 || count > 2 || !number(first, &x) || x < 0)
            return usage;
        if (count == 2 && (!number(second, &y) || y <= 0))
            return usage;
        state.pressureAmplitude = x;
        if (count == 2)
            state.pressurePeriodSeconds = y;
    } else if (name == QLatin1String("silent")) {
        if (count > 1 || (count == 1 && (!number(first, &x) || x <= 0)))
            return usage;
        state.setAnswerMode(Mode::Silent, 0, 0, count == 1 ? now + x : -1.0);
    } else if (name == QLatin1String("garbage") || name == QLatin1String("badcrc")) {
        if (count > 1 || (count == 1 && !integer(first, 1, std::numeric_limits<int>::max(), &n)))
            return usage;
        state.setAnswerMode(name == QLatin1String("garbage") ? Mode::Garbage : Mode::BadChecksum, 0, int(n));
    } else if (name == QLatin1String("error")) {
        if (count < 1 || count > 2 || !integer(first, 1, 255, &n))
            return usage;
        if (count == 2 && !integer(second, 1, std::numeric_limits<int>::max(), &m))
            return usage;
        state.setAnswerMode(Mode::DeviceError, int(n), int(m));
    } else if (name == QLatin1String("type")) {
        if (count != 1 || !integer(first, 0, 255, &n))
            return usage;
        state.deviceType = int(n);
    } else if (name == QLatin1String("serial")) {
        if (count != 1 || !integer(first, 0, std::numeric_limits<uint32_t>::max(), &n))
            return usage;
        state.serialNumber = uint32_t(n);
    } else if (name == QLatin1String("units")) {
        if (count != 1 || !integer(first, 0, 7, &n))
            return usage;
        state.unitsCode = uint8_t(n);
    } else if (name == QLatin1String("range")) {
        if (count != 1 || !range(first, &low, &high))
            return usage;
        state.lowerLimit = low;
        state.upperLimit = high;
    } else {
        // answer, state, help: no arguments.
        if (count != 0)
            return usage;
        if (name == QLatin1String("answer"))
            state.setAnswerMode(Mode::Normal);
        else if (name == QLatin1String("state"))
            result.output = describe(state, now);
        else
            result.output = help();
    }
    return result;
}

QvtControl::Result QvtControl::execute(QvtSimulator &simulator, const QString &line)
{
    Result result;
    simulator.updateState([&](QvtTransducerState &state) { result = apply(line, state, simulator.clockSeconds()); });
    return result;
}

QString QvtControl::describe(const QvtTransducerState &state, double now)
{
    QStringList parts;
    parts << QStringLiteral("pressure ") + text(state.pressure, 10)
          << QStringLiteral("swing %1 %2").arg(text(state.pressureAmplitude, 10), text(state.pressurePeriodSeconds, 10))
          << QStringLiteral("type %1").arg(state.deviceType)
          << QStringLiteral("serial %1").arg(state.serialNumber)
          << QStringLiteral("units %1").arg(int(state.unitsCode))
          << QStringLiteral("range %1..%2").arg(text(double(state.lowerLimit), 7), text(double(state.upperLimit), 7));

    QString mode = QStringLiteral("answer");
    if (state.answerModeHolds(now)) {
        switch (state.answerMode) {
        case Mode::Normal: break;
        case Mode::Silent: mode = QStringLiteral("silent"); break;
        case Mode::Garbage: mode = QStringLiteral("garbage"); break;
        case Mode::BadChecksum: mode = QStringLiteral("badcrc"); break;
        case Mode::DeviceError: mode = QStringLiteral("error %1").arg(state.answerModeCode); break;
        }
        // What is left of a limited mode.
        if (state.answerModeUntil >= 0)
            mode += QStringLiteral(" %1").arg(std::ceil(state.answerModeUntil - now));
        else if (state.answerModeRequests > 0)
            mode += QStringLiteral(" %1").arg(state.answerModeRequests);
    }
    parts << mode;
    return parts.join(QStringLiteral("; "));
}

QString QvtControl::help()
{
    QStringList lines;
    lines << QStringLiteral("Commands, one a line:");
    for (const Command &c : Commands)
        lines << QStringLiteral("  %1  %2").arg(QString::fromLatin1(c.usage).leftJustified(26), QLatin1String(c.text));
    return lines.join(QLatin1Char('\n'));
}
