#include "Devices/TAIR.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Units.h"
#include "Services.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

// The rank of the reference, cell by cell as the lab's rules give it: "code index: text" for a
// fixed cell, "code index lo>=L: <=a x; <b y" for a rule.
static const char RankRules[] = R"(
ZKA A0: 1
ZKA A: 1
ZKA B: 1
ZKA C: 1
ZKB A0: 2
ZKB A: 2
ZKB B lo>=0: <=60 2; <=120 3
ZKB C: РСИ
ZKC A0: 1
ZKC A: 1
ZKC B lo>=0: <200 1; <=250 2
ZKC C lo>=0: <100 1; <=250 2
ZKD A0: 2
ZKD A lo>=0: <=270 2; <=600 3
ZKD B: 3
ZKD C: РСИ
ZKE A0: 3
ZKE A: 3
ZKE B: 3
ZKE C: РСИ
ZKF A0: -
ZKF A: -
ZKF B: -
ZKF C: -
ZKH A0: -
ZKH A: -
ZKH B: -
ZKH C: -
ZKI A0 lo>=0: <=1.5 1; <=2.5 2
ZKI A lo>=0: <=0.8 1; <=2.5 2
ZKI B: 2
ZKI C: 2
ZKJ A0 lo>=0: <=3 1; <=6.3 2
ZKJ A lo>=0: <=2 1; <=6.3 2
ZKJ B: 2
ZKJ C: 2
ZKK A0 lo>=0: <=8 1; <=16 2
ZKK A lo>=0: <=6 1; <=16 2
ZKK B: 2
ZKK C: 2
ZKL A0: 1
ZKL A lo>=0: <=32.8 1; <=40 2
ZKL B lo>=0: <=5.5 1; <=40 2
ZKL C lo>=0: <=5.5 1; <=40 2
ZKM A0: 1
ZKM A lo>=0: <=82 1; <=100 2
ZKM B lo>=0: <=50 1; <=100 2
ZKM C lo>=0: <=59 2; <=100 3
ZKN A0: 1
ZKN A lo>=0: <=200 1; <=250 2
ZKN B lo>=0: <=100 1; <=250 2
ZKN C lo>=0: <=75 1; <=250 2
ZKO A0: 1
ZKO A lo>=0: <=495 1; <=600 2
ZKO B lo>=0: <=300 1; <=600 2
ZKO C lo>=0: <=354 2; <=600 3
ZKP A0: 1
ZKP A lo>=0: <=2050 1; <=2500 2
ZKP B lo>=0: <=1300 1; <=2500 2
ZKP C lo>=0: <=1500 2; <=2500 3
ZKQ A0: 1
ZKQ A lo>=0: <=5000 1; <=6000 2
ZKQ B lo>=0: <=3000 1; <=6000 2
ZKQ C lo>=0: <=3500 2; <=6000 3
ZKR A0: 1
ZKR A lo>=0: <=13000 1; <=16000 2
ZKR B lo>=0: <=8000 1; <=16000 2
ZKR C lo>=0: <=9500 2; <=16000 3
ZKS A0: 1
ZKS A lo>=0: <=50000 1; <=60000 2
ZKS B lo>=0: <=30000 1; <=60000 2
ZKS C lo>=0: <=35500 2; <=60000 3
ZKT A0: 1
ZKT A lo>=0: <=80000 1; <=100000 2
ZKT B lo>=0: <=41000 1; <=100000 2
ZKT C lo>=0: <=17000 1; <=100000 2
ZKU A0: 1
ZKU A lo>=-10: <=13 1; <=20 2
ZKU B lo>=-10: <=10 1; <=20 2
ZKU C lo>=-10: <=5 1; <=20 2
ZKV A0: 1
ZKV A lo>=-40: <=52 1; <=80 2
ZKV B lo>=-40: <=40 1; <=80 2
ZKV C lo>=-40: <=20 1; <=80 2
ZKW A0: 1
ZKW A lo>=-100: <=169 1; <=260 2
ZKW B lo>=-100: <=130 1; <=260 2
ZKW C lo>=-100: <=65 1; <=260 2
ZKX A0 lo>=-100: <=0 3; <=600 1
ZKX A lo>=-100: <=0 3; <=390 1; <=600 2
ZKX B lo>=-100: <=0 3; <=200 1; <=600 2
ZKX C lo>=-100: <=0 3; <=360 2; <=600 3
)";

class TestTair : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void construction();
    void modelIndex_data();
    void modelIndex();
    void rangeCodes_data();
    void rangeCodes();
    void rankTable_data();
    void rankTable();
    void rankOutsideTable_data();
    void rankOutsideTable();
    void recalculateIdentity();
    void recalculateTwoPoint();
    void recalculateRefused_data();
    void recalculateRefused();
    void historyKeepsLastTen();
    void historyCopyIsConsistent();
    void setConnectedBeforeLoad();

private:
    TAIR *tair = nullptr;
};

void TestTair::initTestCase()
{
    TestSupport::createServices(TestSupport::Hub | TestSupport::Lists);
    tair = new TAIR();
    QCOMPARE(TAIR::instance, tair);
}

void TestTair::init()
{
    tair->prUnits->setValue(UnitKPa);
    tair->prIndex->setValue(0);
    tair->prQvtModel->setItems(Dictionary::instance->rangeCodes);
    tair->prQvtModel->setValue(0);
    tair->clearHistory();
}

void TestTair::construction()
{
    TAIR fresh;
    TAIR::instance = tair;
    QCOMPARE(fresh.modelIndex, 2);
    QCOMPARE(int(fresh.lastStatus), 255);
    QCOMPARE(fresh.serialNumber, 0u);
    QVERIFY(!fresh.isConnected());
    QCOMPARE(fresh.accuracy(), 0.02);
    QCOMPARE(int(fresh.historySize()), 10);
    for (const auto &row : fresh.calibrationTable) {
        for (float value : row)
            QCOMPARE(value, 0.0f);
    }
    QCOMPARE(fresh.prDeviceUnits->value(), -1);
    QCOMPARE(fresh.prDeviceType->value(), -1);
    QCOMPARE(fresh.prUnits->value(), 0);
    QCOMPARE(fresh.prTrimAverageCount->value(), 10);
    QCOMPARE(fresh.prDeviceUnits->name(), QStringLiteral("Единица измерений"));
    QCOMPARE(fresh.prIndex->name(), QStringLiteral("Индекс заказа (класса точности)"));
    QCOMPARE(fresh.prTrimAverageCount->name(), QString());
    QCOMPARE(fresh.prSerialNumber->maxLength(), 10);
    QCOMPARE(fresh.prRegistryNumber->maxLength(), 50);

    // Each TAIR registers the seven stored parameters in this order (ours came first).
    const QList<Configurator::Entry> &registry = Configurator::instance->registry();
    QCOMPARE(registry.size(), 14);
    const QStringList keys{"prOwner", "prUnits", "prRegistryNumber", "prIndex", "prQvtModel", "prMin", "prMax"};
    for (int i = 0; i < keys.size(); ++i) {
        QCOMPARE(registry.at(i).key, keys.at(i));
        QCOMPARE(registry.at(7 + i).key, keys.at(i));
    }
    QCOMPARE(registry.at(0).parametr, static_cast<HAbstractParametr *>(tair->prOwner));
    QCOMPARE(registry.at(13).parametr, static_cast<HAbstractParametr *>(fresh.prMax));
}

void TestTair::modelIndex_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("oldVersion");
    QTest::addColumn<bool>("newVersion");
    QTest::newRow("old") << 13 << 0 << true << false;
    QTest::newRow("new") << 43 << 1 << false << true;
    QTest::newRow("none") << 0 << 2 << false << false;
    QTest::newRow("unknown") << 44 << 2 << false << false;
}

void TestTair::modelIndex()
{
    QFETCH(int, type);
    tair->deviceType = uint8_t(type);
    tair->updateModelIndex();
    QTEST(int(tair->modelIndex), "index");
    QTEST(tair->prDeviceType->value(), "index");
    QTEST(tair->isOldVersion(), "oldVersion");
    QTEST(tair->isNewVersion(), "newVersion");
}

void TestTair::rangeCodes_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QStringList>("codes");  // empty: all 23
    QTest::addColumn<int>("model");

    auto row = [](const char *name, double lower, double upper, QStringList codes, int model) {
        QTest::newRow(name) << lower << upper << codes << model;
    };
    row("0..120", 0, 120, {"ZKB"}, 1);
    row("0..600", 0, 600, {"ZKD", "ZKO"}, 3);
    row("0..2500", 0, 2500, {"ZKE", "ZKP"}, 4);
    row("0..2.5", 0, 2.5, {"ZKI"}, 7);
    row("0..6.3", 0, 6.3, {"ZKJ"}, 8);
    row("0..10", 0, 10, {"ZKA"}, 0);
    row("0..16", 0, 16, {"ZKK"}, 9);
    row("0..40", 0, 40, {"ZKL"}, 10);
    row("0..100", 0, 100, {"ZKM"}, 11);
    row("0..250", 0, 250, {"ZKC", "ZKN"}, 2);
    row("0..6000", 0, 6000, {"ZKF", "ZKQ"}, 5);
    row("0..16000", 0, 16000, {"ZKH", "ZKR"}, 6);
    row("0..60000", 0, 60000, {"ZKS"}, 17);
    row("0..100000", 0, 100000, {"ZKT"}, 18);
    row("-10..any", -10, 30, {"ZKU"}, 19);
    row("-40..any", -40, 0, {"ZKV"}, 20);
    row("-100..160", -100, 160, {"ZKW"}, 21);
    row("-100..600", -100, 600, {"ZKX"}, 22);
    row("-100..other", -100, 250, {}, 0);
    row("0..1000", 0, 1000, {}, 0);
    row("1..600", 1, 600, {}, 0);
    row("-10..600 takes only the lower rule", -10, 600, {"ZKU"}, 19);
    // Limits as the transducer reports them: float32 values widened to double.
    row("float 0..6.3", 0, double(6.3f), {"ZKJ"}, 8);
    row("float 0..2.5", 0, double(2.5f), {"ZKI"}, 7);
    row("float -100..160", double(-100.0f), double(160.0f), {"ZKW"}, 21);
    row("MPa 0..0.0063 as float", 0, double(float(toKPa(double(0.0063f), UnitMPa))), {"ZKJ"}, 8);
    row("near 6.3 but another float", 0, double(std::nextafter(6.3f, 7.0f)), {}, 0);
}

void TestTair::rangeCodes()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(QStringList, codes);
    QFETCH(int, model);

    tair->prQvtModel->setValue(15);
    tair->lowerLimit = lower;
    tair->upperLimit = upper;
    tair->updateRangeCodes();

    const EnumList &admissible = Dictionary::instance->admissibleRangeCodes;
    QCOMPARE(&tair->prQvtModel->items(), &admissible);
    QStringList texts;
    for (const EnumItem &item : admissible)
        texts << item.text;
    if (codes.isEmpty()) {
        QCOMPARE(admissible.size(), 23);
        for (int i = 0; i < 23; ++i)
            QCOMPARE(admissible.at(i).id, i);
    } else {
        QCOMPARE(texts, codes);
    }
    QCOMPARE(tair->prQvtModel->value(), model);
}

// Probes every branch of every cell: each limit itself (a strict limit gives the next branch),
// just above the last limit ("-"), and just below the cell's lower bound ("-").
void TestTair::rankTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<QString>("rank");

    const QStringList codes{"ZKA", "ZKB", "ZKC", "ZKD", "ZKE", "ZKF", "ZKH", "ZKI", "ZKJ", "ZKK", "ZKL", "ZKM",
                            "ZKN", "ZKO", "ZKP", "ZKQ", "ZKR", "ZKS", "ZKT", "ZKU", "ZKV", "ZKW", "ZKX"};
    const QStringList indexes{"A0", "A", "B", "C"};
    QSet<QString> seen;

    const QStringList lines = QString::fromUtf8(RankRules).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const int colon = line.indexOf(QLatin1Char(':'));
        const QStringList head = line.left(colon).split(QLatin1Char(' '));
        const int code = codes.indexOf(head.at(0));
        const int index = indexes.indexOf(head.at(1));
        QVERIFY2(code >= 0 && index >= 0, qPrintable(line));
        seen.insert(head.at(0) + head.at(1));
        const QString rest = line.mid(colon + 1).trimmed();
        const QByteArray cell = line.left(colon).toUtf8();

        if (head.size() == 2) {
            for (double high : {-100.0, 0.0, 1.0, 250.0, 100000.0, 1e9})
                QTest::addRow("%s hi=%g", cell.constData(), high) << code << index << -100.0 << high << rest;
            continue;
        }
        const double floor = head.at(2).mid(4).toDouble();
        double previousLimit = -1e300;
        double lastLimit = 0;
        double strictLimit = std::nan("");
        for (const QString &part : rest.split(QLatin1Char(';'))) {
            const QStringList fields = part.trimmed().split(QLatin1Char(' '));
            const bool strict = !fields.at(0).startsWith(QLatin1String("<="));
            const double limit = fields.at(0).mid(strict ? 1 : 2).toDouble();
            const QString rank = fields.at(1);
            QVERIFY(limit > previousLimit);
            if (!std::isnan(strictLimit)) {
                // A strict limit itself belongs to the next branch.
                QTest::addRow("%s hi=%g", cell.constData(), strictLimit) << code << index << floor << strictLimit << rank;
                strictLimit = std::nan("");
            }
            if (strict) {
                strictLimit = limit;
                QTest::addRow("%s hi below %g", cell.constData(), limit)
                    << code << index << floor << std::nextafter(limit, -1e300) << rank;
            } else {
                QTest::addRow("%s hi=%g", cell.constData(), limit) << code << index << floor << limit << rank;
                QTest::addRow("%s lo=hi=%g", cell.constData(), limit)
                    << code << index << std::min(floor, limit) << limit << rank;
            }
            previousLimit = limit;
            lastLimit = limit;
        }
        QVERIFY(std::isnan(strictLimit));
        QTest::addRow("%s above %g", cell.constData(), lastLimit)
            << code << index << floor << std::nextafter(lastLimit, 1e300) << QStringLiteral("-");
        QTest::addRow("%s lo below %g", cell.constData(), floor)
            << code << index << std::nextafter(floor, -1e300) << std::min(lastLimit, 0.0) << QStringLiteral("-");
    }
    QCOMPARE(seen.size(), 92);
}

void TestTair::rankTable()
{
    QFETCH(int, code);
    QFETCH(int, index);
    QFETCH(double, low);
    QFETCH(double, high);
    tair->prIndex->setValue(index);
    tair->prQvtModel->setValue(code);
    QTEST(tair->accuracyText(low, high), "rank");
}

void TestTair::rankOutsideTable_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("index");
    QTest::newRow("index -1") << 0 << -1;
    QTest::newRow("index 4") << 0 << 4;
    QTest::newRow("code -1") << -1 << 0;
    QTest::newRow("code 23") << 23 << 0;
}

void TestTair::rankOutsideTable()
{
    QFETCH(int, code);
    QFETCH(int, index);
    tair->prIndex->setValue(index);
    tair->prQvtModel->setValue(code);
    QCOMPARE(tair->accuracyText(0, 1), QStringLiteral("-"));
    QCOMPARE(tair->accuracyText(std::nan(""), std::nan("")), QStringLiteral("-"));
}

namespace {
void fillTable(TAIR *tair)
{
    for (int row = 0; row < 10; ++row) {
        for (int i = 0; i < 6; ++i)
            tair->calibrationTable[row][i] = 1.5f + float(row) * 10.0f + float(i) * 0.25f - (i % 2 ? 7.0f : 0.0f);
    }
}
}

void TestTair::recalculateIdentity()
{
    fillTable(tair);
    float before[10][6];
    std::memcpy(before, tair->calibrationTable, sizeof before);
    tair->prUnits->setValue(UnitBar);
    tair->prTrimMeasuredLow->setValue(0.1);
    tair->prTrimReferenceLow->setValue(0.1);
    tair->prTrimMeasuredHigh->setValue(5.9);
    tair->prTrimReferenceHigh->setValue(5.9);
    QVERIFY(tair->recalculateTable());
    QCOMPARE(std::memcmp(before, tair->calibrationTable, sizeof before), 0);
}

void TestTair::recalculateTwoPoint()
{
    fillTable(tair);
    float before[10][6];
    std::memcpy(before, tair->calibrationTable, sizeof before);
    // A transducer reading 0.3 % high with an offset, trimmed in MPa.
    tair->prUnits->setValue(UnitMPa);
    tair->prTrimMeasuredLow->setValue(0.0012);
    tair->prTrimReferenceLow->setValue(0.001);
    tair->prTrimMeasuredHigh->setValue(1.0042);
    tair->prTrimReferenceHigh->setValue(1.0);
    QVERIFY(tair->recalculateTable());

    // Worked out by hand in kPa: k = (1004.2 - 1.2) / (1000 - 1) = 1003 / 999,
    // b = 1 - 1.2 / k = 1 - 1.2 * 999 / 1003.
    const double k = 1003.0 / 999.0;
    const double b = 1.0 - 1.2 * 999.0 / 1003.0;
    for (int row = 0; row < 10; ++row) {
        for (int i = 0; i < 6; ++i) {
            double expected = before[row][i];
            if (row < 9 && i < 5)
                expected /= k;
            if (row == 0 && i == 0)
                expected += b;
            const double actual = tair->calibrationTable[row][i];
            if (row == 9 || i == 5)
                QCOMPARE(tair->calibrationTable[row][i], before[row][i]);
            else
                QVERIFY2(std::fabs(actual - expected) <= 2e-6 * std::max(1.0, std::fabs(expected)),
                         qPrintable(QStringLiteral("row %1 value %2: %3 instead of %4")
                                        .arg(row).arg(i).arg(actual, 0, 'g', 9).arg(expected, 0, 'g', 9)));
        }
    }
}

void TestTair::recalculateRefused_data()
{
    QTest::addColumn<double>("m1");
    QTest::addColumn<double>("r1");
    QTest::addColumn<double>("m2");
    QTest::addColumn<double>("r2");
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("equal reference points") << 0.0 << 1.0 << 100.0 << 1.0;
    QTest::newRow("equal measured points") << 5.0 << 0.0 << 5.0 << 100.0;
    QTest::newRow("all equal") << 3.0 << 3.0 << 3.0 << 3.0;
    QTest::newRow("nan reading") << nan << 0.0 << 100.0 << 100.0;
    QTest::newRow("infinite reference") << 0.0 << 0.0 << 100.0 << inf;
}

void TestTair::recalculateRefused()
{
    QFETCH(double, m1);
    QFETCH(double, r1);
    QFETCH(double, m2);
    QFETCH(double, r2);
    fillTable(tair);
    float before[10][6];
    std::memcpy(before, tair->calibrationTable, sizeof before);
    tair->prTrimMeasuredLow->setValue(m1);
    tair->prTrimReferenceLow->setValue(r1);
    tair->prTrimMeasuredHigh->setValue(m2);
    tair->prTrimReferenceHigh->setValue(r2);
    QVERIFY(!tair->recalculateTable());
    QCOMPARE(std::memcmp(before, tair->calibrationTable, sizeof before), 0);
}

void TestTair::historyKeepsLastTen()
{
    QVERIFY(tair->history().isEmpty());
    for (int i = 1; i <= 11; ++i)
        tair->appendHistory(i);
    QCOMPARE(tair->history(), (QList<double>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    tair->appendHistory(12);
    QCOMPARE(tair->history().first(), 3.0);
    QCOMPARE(tair->history().last(), 12.0);
    tair->clearHistory();
    QVERIFY(tair->history().isEmpty());
    tair->appendHistory(-0.5);
    QCOMPARE(tair->history(), QList<double>{-0.5});
}

// The worker appends consecutive readings and clears now and then; every copy taken
// meanwhile must be a run of consecutive readings of at most ten.
void TestTair::historyCopyIsConsistent()
{
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        double x = 0;
        while (!stop.load()) {
            tair->appendHistory(++x);
            if (int(x) % 97 == 0)
                tair->clearHistory();
        }
    });
    bool consistent = true;
    for (int i = 0; i < 20000 && consistent; ++i) {
        const QList<double> copy = tair->history();
        consistent = copy.size() <= 10;
        for (int j = 1; j < copy.size() && consistent; ++j)
            consistent = copy.at(j) == copy.at(j - 1) + 1;
    }
    stop = true;
    worker.join();
    QVERIFY(consistent);
}

// Before conf.ini is loaded no transducer file is read or written.
void TestTair::setConnectedBeforeLoad()
{
    QVERIFY(!Configurator::instance->isLoaded());
    tair->prSerialNumber->setValue(QStringLiteral("00001234"));
    const QString path = Configurator::qvtSettingsPath(tair->prSerialNumber->value());
    QFile::remove(path);
    tair->setConnected(true);
    QVERIFY(tair->isConnected());
    tair->prOwner->setValue(QStringLiteral("changed"));
    tair->setConnected(false);
    QVERIFY(!tair->isConnected());
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_GUILESS_MAIN(TestTair)
#include "tst_tair.moc"
