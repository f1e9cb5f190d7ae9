// The simulator's control commands: what each line does to the state, and how the answer
// modes last on the wire.
#include "Devices/QiroChannel.h"
#include "Devices/QiroTimings.h"
#include "QvtControl.h"
#include "QvtSimulator.h"

#include <QElapsedTimer>
#include <QtTest>
#include <cstring>
#include <functional>

using Change = std::function<void(QvtTransducerState &)>;
Q_DECLARE_METATYPE(Change)

namespace {

using Mode = QvtTransducerState::AnswerMode;
constexpr double Now = 100.0;

// Every field a command may touch.
QStringList fields(const QvtTransducerState &s)
{
    return {QStringLiteral("pressure %1").arg(s.pressure),
            QStringLiteral("amplitude %1").arg(s.pressureAmplitude),
            QStringLiteral("period %1").arg(s.pressurePeriodSeconds),
            QStringLiteral("type %1").arg(s.deviceType),
            QStringLiteral("serial %1").arg(s.serialNumber),
            QStringLiteral("units %1").arg(int(s.unitsCode)),
            QStringLiteral("range %1 %2").arg(double(s.lowerLimit)).arg(double(s.upperLimit)),
            QStringLiteral("mode %1 code %2").arg(int(s.answerMode)).arg(s.answerModeCode),
            QStringLiteral("requests %1 until %2").arg(s.answerModeRequests).arg(s.answerModeUntil),
            QStringLiteral("status %1 address %2").arg(int(s.readingStatus)).arg(s.address)};
}

Change mode(Mode m, int code = 0, int requests = 0, double until = -1.0)
{
    return [=](QvtTransducerState &s) { s.setAnswerMode(m, code, requests, until); };
}

const Change Nothing = [](QvtTransducerState &) {};

float floatOf(const QByteArray &bytes)
{
    float f = 0;
    std::memcpy(&f, bytes.constData(), 4);
    return f;
}

}

class TestQvtControl : public QObject
{
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void modesLastAsTold();
    void silenceEndsWhenDue();
    void cleanup() { QiroTimings::restoreDefaults(); }
};

void TestQvtControl::commands_data()
{
    QTest::addColumn<QStringList>("before");   // applied first, each must pass
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Change>("change");        // what the line does to the state it found
    QTest::addColumn<QString>("text");         // the output, or a part of the error

    using S = QvtTransducerState &;
    const QStringList none;
    QTest::newRow("pressure") << none << "pressure 500" << true << Change([](S s) { s.pressure = 500; }) << "";
    QTest::newRow("negative fraction") << none << "pressure -0.25" << true << Change([](S s) { s.pressure = -0.25; })
                                       << "";
    QTest::newRow("any case, any blanks") << none << "  PRESSURE \t 1e3 " << true
                                          << Change([](S s) { s.pressure = 1000; }) << "";
    QTest::newRow("swing") << none << "swing 5 30" << true
                           << Change([](S s) { s.pressureAmplitude = 5; s.pressurePeriodSeconds = 30; }) << "";
    QTest::newRow("swing keeps its period") << QStringList{"swing 5 30"} << "swing 2" << true
                                            << Change([](S s) { s.pressureAmplitude = 2; }) << "";
    QTest::newRow("swing 0 stops it") << QStringList{"swing 5 30"} << "swing 0" << true
                                      << Change([](S s) { s.pressureAmplitude = 0; }) << "";
    QTest::newRow("silent until told") << none << "silent" << true << mode(Mode::Silent) << "";
    QTest::newRow("silent for seconds") << none << "silent 10" << true << mode(Mode::Silent, 0, 0, Now + 10) << "";
    QTest::newRow("silent for a fraction") << none << "silent 0.5" << true << mode(Mode::Silent, 0, 0, Now + 0.5)
                                           << "";
    QTest::newRow("garbage until told") << none << "garbage" << true << mode(Mode::Garbage) << "";
    QTest::newRow("garbage for requests") << none << "garbage 3" << true << mode(Mode::Garbage, 0, 3) << "";
    QTest::newRow("badcrc until told") << none << "badcrc" << true << mode(Mode::BadChecksum) << "";
    QTest::newRow("badcrc for requests") << none << "badcrc 2" << true << mode(Mode::BadChecksum, 0, 2) << "";
    QTest::newRow("error until told") << none << "error 3" << true << mode(Mode::DeviceError, 3) << "";
    QTest::newRow("error for requests") << none << "error 255 4" << true << mode(Mode::DeviceError, 255, 4) << "";
    QTest::newRow("a mode replaces the last") << QStringList{"silent 10"} << "error 3" << true
                                              << mode(Mode::DeviceError, 3) << "";
    QTest::newRow("answer") << QStringList{"badcrc 2"} << "answer" << true << mode(Mode::Normal) << "";
    QTest::newRow("type") << none << "type 13" << true << Change([](S s) { s.deviceType = 13; }) << "";
    QTest::newRow("serial") << none << "serial 42" << true << Change([](S s) { s.serialNumber = 42; }) << "";
    QTest::newRow("largest serial") << none << "serial 4294967295" << true
                                    << Change([](S s) { s.serialNumber = 4294967295u; }) << "";
    QTest::newRow("units") << none << "units 7" << true << Change([](S s) { s.unitsCode = 7; }) << "";
    QTest::newRow("range") << none << "range -100..600" << true
                           << Change([](S s) { s.lowerLimit = -100; s.upperLimit = 600; }) << "";
    QTest::newRow("empty line") << none << "   " << true << Nothing << "";
    QTest::newRow("comment") << none << "# pressure 5" << true << Nothing << "";

    QTest::newRow("state at start") << none << "state" << true << Nothing
        << "pressure 0; swing 0 60; type 43; serial 12345678; units 1; range 0..1000; answer";
    QTest::newRow("state after commands")
        << QStringList{"pressure 500", "swing 5 30", "type 13", "serial 42", "units 4", "range -100..600.5", "badcrc 2"}
        << "state" << true << Nothing
        << "pressure 500; swing 5 30; type 13; serial 42; units 4; range -100..600.5; badcrc 2";
    QTest::newRow("state of an error mode") << QStringList{"error 3 2"} << "state" << true << Nothing
        << "pressure 0; swing 0 60; type 43; serial 12345678; units 1; range 0..1000; error 3 2";
    QTest::newRow("state of a silence for seconds") << QStringList{"silent 9.5"} << "state" << true << Nothing
        << "pressure 0; swing 0 60; type 43; serial 12345678; units 1; range 0..1000; silent 10";

    // A refused line changes nothing, the mode included.
    const QStringList set{"pressure 7", "badcrc 2"};
    QTest::newRow("unknown command") << set << "vent" << false << Nothing << "unknown command \"vent\"";
    QTest::newRow("pressure without value") << set << "pressure" << false << Nothing << "usage: pressure VALUE";
    QTest::newRow("pressure not a number") << set << "pressure high" << false << Nothing << "usage: pressure VALUE";
    QTest::newRow("pressure twice") << set << "pressure 1 2" << false << Nothing << "usage: pressure VALUE";
    QTest::newRow("pressure nan") << set << "pressure nan" << false << Nothing << "usage: pressure VALUE";
    QTest::newRow("pressure inf") << set << "pressure inf" << false << Nothing << "usage: pressure VALUE";
    QTest::newRow("decimal comma") << set << "pressure 0,5" << false << Nothing << "usage: pressure VALUE";
    QTest::newRow("swing without amplitude") << set << "swing" << false << Nothing << "usage: swing AMPLITUDE";
    QTest::newRow("negative swing") << set << "swing -1" << false << Nothing << "usage: swing AMPLITUDE";
    QTest::newRow("swing period 0") << set << "swing 5 0" << false << Nothing << "usage: swing AMPLITUDE";
    QTest::newRow("swing period not a number") << set << "swing 5 x" << false << Nothing << "usage: swing AMPLITUDE";
    QTest::newRow("silent 0") << set << "silent 0" << false << Nothing << "usage: silent [SECONDS]";
    QTest::newRow("silent negative") << set << "silent -1" << false << Nothing << "usage: silent [SECONDS]";
    QTest::newRow("silent twice") << set << "silent 1 2" << false << Nothing << "usage: silent [SECONDS]";
    QTest::newRow("garbage 0") << set << "garbage 0" << false << Nothing << "usage: garbage [REQUESTS]";
    QTest::newRow("garbage fraction") << set << "garbage 1.5" << false << Nothing << "usage: garbage [REQUESTS]";
    QTest::newRow("badcrc word") << set << "badcrc many" << false << Nothing << "usage: badcrc [REQUESTS]";
    QTest::newRow("error without code") << set << "error" << false << Nothing << "usage: error CODE";
    QTest::newRow("error 0") << set << "error 0" << false << Nothing << "usage: error CODE";
    QTest::newRow("error 256") << set << "error 256" << false << Nothing << "usage: error CODE";
    QTest::newRow("error for 0 requests") << set << "error 3 0" << false << Nothing << "usage: error CODE";
    QTest::newRow("type 256") << set << "type 256" << false << Nothing << "usage: type N";
    QTest::newRow("type negative") << set << "type -1" << false << Nothing << "usage: type N";
    QTest::newRow("serial negative") << set << "serial -1" << false << Nothing << "usage: serial N";
    QTest::newRow("serial above 32 bits") << set << "serial 4294967296" << false << Nothing << "usage: serial N";
    QTest::newRow("units 8") << set << "units 8" << false << Nothing << "usage: units CODE";
    QTest::newRow("range without ..") << set << "range 100" << false << Nothing << "usage: range LOW..HIGH";
    QTest::newRow("range upside down") << set << "range 10..-10" << false << Nothing << "usage: range LOW..HIGH";
    QTest::newRow("range of no extent") << set << "range 5..5" << false << Nothing << "usage: range LOW..HIGH";
    QTest::newRow("range beyond a float") << set << "range 0..1e39" << false << Nothing << "usage: range LOW..HIGH";
    QTest::newRow("answer with words") << set << "answer now" << false << Nothing << "usage: answer";
    QTest::newRow("state with words") << set << "state all" << false << Nothing << "usage: state";
    QTest::newRow("long line quoted short") << set << "x" + QString(500, 'y') << false << Nothing
                                           << "unknown command \"x" + QString(59, 'y') + "...\"";
}

void TestQvtControl::commands()
{
    QFETCH(QStringList, before);
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(Change, change);
    QFETCH(QString, text);

    QvtTransducerState state;
    for (const QString &b : before)
        QVERIFY2(QvtControl::apply(b, state, Now).ok, qPrintable(b));
    QvtTransducerState expected = state;
    change(expected);

    const QvtControl::Result r = QvtControl::apply(line, state, Now);
    QCOMPARE(r.ok, ok);
    QCOMPARE(fields(state), fields(expected));
    if (ok) {
        QCOMPARE(r.output, text);
        QVERIFY(r.error.isEmpty());
    } else {
        QVERIFY2(r.error.contains(text), qPrintable(r.error));
        QVERIFY(r.output.isEmpty());
    }
}

// Counted modes count the requests the transducer gets, each try of the channel one; a mode
// that refuses a request does not act on it.
void TestQvtControl::modesLastAsTold()
{
    QiroTimings::answerWaitMs = 1000;
    QvtTransducerState start;
    start.pressure = 1.5;
    QvtSimulator sim(start);
    QString error;
    QVERIFY2(sim.start(&error), qPrintable(error));
    QiroDevice device;
    device.address = 1;
    QiroChannel channel(sim.portName());
    channel.setDevice(&device);
    const auto control = [&](const QString &line) {
        const QvtControl::Result r = QvtControl::execute(sim, line);
        QVERIFY2(r.ok, qPrintable(r.error));
    };

    control(QStringLiteral("badcrc 3"));
    QVERIFY(!channel.request(37, 2));
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkBadAnswer));
    QCOMPARE(sim.requests().size(), 2);
    QVERIFY(channel.request(37, 2));   // its second try is answered
    QCOMPARE(sim.requests().size(), 4);
    QVERIFY(channel.request(37, 2));
    QCOMPARE(sim.requests().size(), 5);
    QCOMPARE(floatOf(device.answerData.mid(1)), 1.5f);

    control(QStringLiteral("error 4"));
    channel.payload = QByteArray::fromHex("0000803F");
    QVERIFY(!channel.request(38, 56));
    QCOMPARE(int(channel.deviceError()), 4);
    QCOMPARE(sim.state().stagedZeroCoefficient, 0.0f);
    QVERIFY(!channel.request(37, 2));
    QCOMPARE(channel.lastErrorText(), QStringLiteral("Нарушение прав доступа(полномочий)."));
    QCOMPARE(sim.requests().size(), 7);

    control(QStringLiteral("garbage"));
    QVERIFY(!channel.request(37, 2));
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkBadAnswer));
    QCOMPARE(sim.requests().size(), 9);

    control(QStringLiteral("pressure 2.5"));
    control(QStringLiteral("answer"));
    QVERIFY(channel.request(37, 2));
    QCOMPARE(floatOf(device.answerData.mid(1)), 2.5f);
    QVERIFY(channel.request(38, 56));
    QCOMPARE(sim.state().stagedZeroCoefficient, 1.0f);
}

void TestQvtControl::silenceEndsWhenDue()
{
    QiroTimings::answerWaitMs = 500;
    QvtSimulator sim;
    QString error;
    QVERIFY2(sim.start(&error), qPrintable(error));
    QiroDevice device;
    device.address = 1;
    QiroChannel channel(sim.portName());
    channel.setDevice(&device);

    QElapsedTimer sinceCommand;
    sinceCommand.start();
    QVERIFY(QvtControl::execute(sim, QStringLiteral("silent 2")).ok);
    QVERIFY(!channel.request(37, 2));
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkBadAnswer));
    QTRY_VERIFY_WITH_TIMEOUT(channel.request(37, 2), 30000);
    // Not a speed figure: the silence must not end before its time.
    QVERIFY2(sinceCommand.elapsed() >= 2000, qPrintable(QString::number(sinceCommand.elapsed())));
    QCOMPARE(QvtControl::execute(sim, QStringLiteral("state")).output.section(QStringLiteral("; "), -1),
             QStringLiteral("answer"));
}

QTEST_GUILESS_MAIN(TestQvtControl)
#include "tst_qvtcontrol.moc"
