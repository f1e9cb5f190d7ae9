#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrEnum.h"
#include "Services.h"

#include <QtTest>
#include <atomic>
#include <cmath>
#include <thread>

// The current reading without a worker: what the pages read, and the pair it is kept as.
class TestMeasure : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void beforeFirstReading();
    void readingEmitsAndStatusTexts_data();
    void readingEmitsAndStatusTexts();
    void displayUnitsFollowAtOnce();
    void statusAndValueStayOnePair();
    void readingOfAnOlderSeriesIsNotCurrent();
    void noWorkerTakesNoReading();

private:
    Measure *measure = nullptr;
};

void TestMeasure::initTestCase()
{
    using namespace TestSupport;
    createServices(Hub | Lists | Transducer);
    measure = new Measure();
    QCOMPARE(Measure::instance, measure);
}

void TestMeasure::beforeFirstReading()
{
    QCOMPARE(int(measure->status()), 255);
    QVERIFY(std::isnan(measure->value()));
    QVERIFY(std::isnan(measure->displayValue()));
    QCOMPARE(measure->statusText(), QStringLiteral("ЦРЗ не отвечает"));
    QVERIFY(!measure->isMeasuring());
}

void TestMeasure::readingEmitsAndStatusTexts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("transducer status 7") << 7 << QStringLiteral("Ошибка 7");
    QTest::newRow("no answer") << 255 << QStringLiteral("ЦРЗ не отвечает");
}

void TestMeasure::readingEmitsAndStatusTexts()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    QSignalSpy measured(MainHandler::instance, SIGNAL(dataMeasured()));
    measure->setValue(uint8_t(status), 42.5);
    QCOMPARE(measured.count(), 1);
    QCOMPARE(int(measure->status()), status);
    QCOMPARE(measure->value(), 42.5);
    QCOMPARE(measure->statusText(), text);
}

void TestMeasure::displayUnitsFollowAtOnce()
{
    TAIR *tair = TAIR::instance;
    measure->setValue(0, 250.0);
    tair->prUnits->setValue(1);
    QCOMPARE(measure->displayValue(), 250.0);
    QCOMPARE(measure->unitsText(), QStringLiteral("кПа"));
    tair->prUnits->setValue(2);
    QCOMPARE(measure->displayValue(), 0.25);
    QCOMPARE(measure->unitsText(), QStringLiteral("МПа"));
    tair->prUnits->setValue(8);
    QCOMPARE(measure->displayValue(), 2.5);
    QCOMPARE(measure->unitsText(), QStringLiteral("бар"));
    QCOMPARE(measure->value(), 250.0);
    tair->prUnits->setValue(1);
}

// The worker stores while the pages read: a reader must never get the status of one reading
// with the value of another.
void TestMeasure::statusAndValueStayOnePair()
{
    measure->setValue(0, 0.0);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 200000 && !done; ++i)
            measure->setValue(uint8_t(i % 200), double(i % 200) * 1000.0);
        done = true;
    });
    int mismatches = 0;
    while (!done) {
        const Measure::Reading r = measure->reading();
        if (r.value != double(r.status) * 1000.0)
            ++mismatches;
    }
    writer.join();
    QCOMPARE(mismatches, 0);
}

// A run's START or a change of the link begins a new series: what was read before, or asked for
// before and answered after, is still shown but is no current reading, and the history is gone.
void TestMeasure::readingOfAnOlderSeriesIsNotCurrent()
{
    TAIR *tair = TAIR::instance;
    measure->setValue(0, 100.0);
    tair->appendHistory(100.0);
    tair->appendHistory(100.0);
    QVERIFY(measure->reading().current);

    const unsigned asked = measure->series();
    measure->invalidate();
    QVERIFY(!measure->reading().current);
    QCOMPARE(measure->reading().value, 100.0);
    QVERIFY(tair->history().isEmpty());

    QSignalSpy measured(MainHandler::instance, SIGNAL(dataMeasured()));
    measure->setValue(0, 60.0, asked);
    QCOMPARE(measured.count(), 1);
    QCOMPARE(measure->reading().value, 60.0);
    QVERIFY(!measure->reading().current);
    measure->setValue(0, 0.0, measure->series());
    QVERIFY(measure->reading().current);

    // The link going, or coming back.
    for (bool connected : {false, true}) {
        emit MainHandler::instance->connectStateChnanged(connected);
        QVERIFY(!measure->reading().current);
        measure->setValue(0, 0.0);
        QVERIFY(measure->reading().current);
    }
}

void TestMeasure::noWorkerTakesNoReading()
{
    QCOMPARE(measure->requestMeasurement(), -1);
}

QTEST_GUILESS_MAIN(TestMeasure)
#include "tst_measure.moc"
