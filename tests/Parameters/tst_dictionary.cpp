#include "Parameters/Dictionary.h"
#include "Parameters/Units.h"

#include <QtTest>
#include <cmath>
#include <limits>

class TestDictionary : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void texts();
    void unitLists();
    void rangeCodes();
    void fixedLists_data();
    void fixedLists();
    void accuracyClassesAllIdZero();
    void factors_data();
    void factors();
    void conversions();
    void deviceCodes_data();
    void deviceCodes();
    void numberText_data();
    void numberText();
    void measuredValueText();
    void roundTo_data();
    void roundTo();

private:
    Dictionary *m_dict = nullptr;
};

void TestDictionary::initTestCase()
{
    m_dict = new Dictionary();
    QCOMPARE(Dictionary::instance, m_dict);
}

void TestDictionary::texts()
{
    QCOMPARE(m_dict->comPortCaption, QStringLiteral("COM порт:"));
    QCOMPARE(m_dict->timeAxisTitle, QStringLiteral("Время, мин"));
    QVERIFY(m_dict->emptyText.isEmpty());
    // Cyrillic А and В in the descriptions, Latin A and B in the titles and names.
    QCOMPARE(m_dict->methodADescription,
             QStringLiteral("Способ поверки \u0410: Установка стрелки манометра на проверяемую отметку \u279e "
                            "отсчет действительного давления по эталону (ЦРЗ)"));
    QCOMPARE(m_dict->methodBDescription,
             QStringLiteral("Способ поверки \u0412: Установка заданного опорного давления по эталону (ЦРЗ) \u279e "
                            "отсчет показаний по проверяемому манометру"));
    QCOMPARE(m_dict->methodATitle, QStringLiteral("Способ поверки A \u2013 На основе показаний манометра"));
    QCOMPARE(m_dict->methodBTitle, QStringLiteral("Способ поверки B \u2013 На основе показаний эталона"));
    QCOMPARE(m_dict->methodAName, QStringLiteral("Способ поверки A"));
    QCOMPARE(m_dict->methodBName, QStringLiteral("Способ поверки B"));
}

void TestDictionary::unitLists()
{
    QList<int> ids;
    for (const EnumItem &item : m_dict->units)
        ids << item.id;
    QCOMPARE(ids, (QList<int>{0, 1, 2, 11, 8, 7, 9, 5, 6, 12, 3, 4, 10}));
    QStringList texts;
    for (const EnumItem &item : m_dict->units)
        texts << item.text;
    QCOMPARE(texts, (QStringList{"Па", "кПа", "МПа", "гПа", "бар", "мбар", "атм", "мм рт. ст.", "мм вод. ст.",
                                 "м вод. ст.", "кгс/см²", "кгс/м²", "psi"}));

    QCOMPARE(m_dict->gaugeUnits.size(), 11);
    for (int i = 0; i < m_dict->gaugeUnits.size(); ++i)
        QCOMPARE(m_dict->gaugeUnits.at(i).id, i);
    // Both lists name a unit alike.
    for (const EnumItem &gauge : m_dict->gaugeUnits) {
        for (const EnumItem &unit : m_dict->units) {
            if (unit.id == gauge.id)
                QCOMPARE(unit.text, gauge.text);
        }
    }
}

void TestDictionary::rangeCodes()
{
    QCOMPARE(m_dict->rangeCodes.size(), 23);
    for (int i = 0; i < 23; ++i)
        QCOMPARE(m_dict->rangeCodes.at(i).id, i);
    QCOMPARE(m_dict->rangeCodes.at(5).text, QStringLiteral("ZKF"));
    QCOMPARE(m_dict->rangeCodes.at(6).text, QStringLiteral("ZKH"));  // no ZKG
    QCOMPARE(m_dict->rangeCodes.last().text, QStringLiteral("ZKX"));
    QVERIFY(m_dict->admissibleRangeCodes.isEmpty());
    QVERIFY(m_dict->comPorts.isEmpty());
}

void TestDictionary::fixedLists_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("firstId");
    QTest::newRow("deviceCounts") << "deviceCounts" << QStringList{"1", "2", "3", "4"} << 1;
    QTest::newRow("qvtModels") << "qvtModels" << QStringList{"ЦРЗ-71", "ЦРЗ-72"} << 0;
    QTest::newRow("languages") << "languages" << QStringList{"English", "Русский"} << 0;
    QTest::newRow("methods") << "methods" << QStringList{"A", "B"} << 0;
    QTest::newRow("onOff") << "onOff" << QStringList{"выкл", "ВКЛ"} << 0;
    QTest::newRow("documentSets") << "documentSets"
                                  << QStringList{"Сертификат о калибровке", "Свидетельство о поверке",
                                                 "Формат протокола на основе шаблона"}
                                  << 0;
    QTest::newRow("accuracyIndexes") << "accuracyIndexes" << QStringList{"A0", "A", "B", "C"} << 0;
    QTest::newRow("readModes") << "readModes" << QStringList{"вручную", "при нажатии кнопки СТАРТ"} << 0;
    QTest::newRow("verificationKinds") << "verificationKinds" << QStringList{"первичная", "периодическая"} << 0;
    QTest::newRow("verdicts") << "verdicts" << QStringList{"соответствует", "не соответствует"} << 0;
}

void TestDictionary::fixedLists()
{
    QFETCH(QString, list);
    QFETCH(QStringList, texts);
    QFETCH(int, firstId);
    const QHash<QString, const EnumList *> lists{
        {"deviceCounts", &m_dict->deviceCounts},   {"qvtModels", &m_dict->qvtModels},
        {"languages", &m_dict->languages},         {"methods", &m_dict->methods},
        {"onOff", &m_dict->onOff},                 {"documentSets", &m_dict->documentSets},
        {"accuracyIndexes", &m_dict->accuracyIndexes}, {"readModes", &m_dict->readModes},
        {"verificationKinds", &m_dict->verificationKinds}, {"verdicts", &m_dict->verdicts}};
    const EnumList &items = *lists.value(list);
    QCOMPARE(items.size(), texts.size());
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(items.at(i).text, texts.at(i));
        QCOMPARE(items.at(i).id, firstId + i);
    }
}

void TestDictionary::accuracyClassesAllIdZero()
{
    QStringList texts;
    for (const EnumItem &item : m_dict->accuracyClasses) {
        QCOMPARE(item.id, 0);
        texts << item.text;
    }
    QCOMPARE(texts, (QStringList{"0,4", "0,6", "1,0", "1,5", "2,5", "4,0", "1-0,6-1", "1,5-1-1,5",
                                 "2,5-1,5-2,5", "4-2,5-4"}));
}

void TestDictionary::factors_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<double>("factor");
    const double factors[] = {0.001, 1.0, 1000.0, 98.0665, 0.00980665, 0.133321995, 0.00980665,
                              0.1, 100.0, 101.325, 6.894758896, 0.1, 9.80665};
    for (int unit = 0; unit <= 12; ++unit)
        QTest::addRow("unit %d", unit) << unit << factors[unit];
    QTest::newRow("unit 13") << 13 << -1.0;
    QTest::newRow("unit -1") << -1 << -1.0;
}

void TestDictionary::factors()
{
    QFETCH(int, unit);
    QFETCH(double, factor);
    QCOMPARE(unitFactor(unit), factor);
    QCOMPARE(toKPa(2.0, unit), 2.0 * factor);
    QCOMPARE(fromKPa(unit, 2.0), 2.0 / factor);
}

void TestDictionary::conversions()
{
    QCOMPARE(convertUnits(3, 1, 1.0), 98.0665);
    QCOMPARE(convertUnits(1, 5, 1.0), 1.0 / 0.133321995);
    QCOMPARE(toKPa(5.0, 13), -5.0);
    QCOMPARE(fromKPa(13, 5.0), -5.0);
    // One multiplication then one division, no rounding between them.
    QCOMPARE(convertUnits(10, 5, 3.0), 3.0 * 6.894758896 / 0.133321995);
}

void TestDictionary::deviceCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("unit");
    const int units[] = {2, 1, 0, 4, 3, 5, 8, 10};
    for (int code = 0; code < 8; ++code)
        QTest::addRow("code %d", code) << code << units[code];
    QTest::newRow("code 8") << 8 << 2;
    QTest::newRow("code 9") << 9 << 2;
    QTest::newRow("code 255") << 255 << 2;
}

void TestDictionary::deviceCodes()
{
    QFETCH(int, code);
    QFETCH(int, unit);
    QCOMPARE(unitFromDeviceCode(code), unit);
}

void TestDictionary::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("comma") << 1.5 << 2 << "1,50";
    QTest::newRow("grouping") << 1234567.891 << 2 << QString::fromUtf8("1\u00a0234\u00a0567,89");
    QTest::newRow("half away from zero") << 2.5 << 0 << "3";
    QTest::newRow("negative") << -0.125 << 3 << "-0,125";
    QTest::newRow("rounding") << 0.0049 << 2 << "0,00";
}

void TestDictionary::numberText()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(formatNumber(value, decimals), text);
}

void TestDictionary::measuredValueText()
{
    QCOMPARE(formatMeasuredValue(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("-"));
    // Without the application settings the default of two decimals applies.
    QCOMPARE(formatMeasuredValue(1.5), QStringLiteral("1,50"));
    QCOMPARE(numberLocale().decimalPoint(), QLatin1Char(','));
}

void TestDictionary::roundTo_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("rounded");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("exact half") << 0.125 << 2 << 0.13;
    QTest::newRow("exact half, negative") << -0.125 << 2 << -0.13;
    QTest::newRow("below the half") << 12.3449 << 2 << 12.34;
    QTest::newRow("no decimals") << 2.5 << 0 << 3.0;
    QTest::newRow("no decimals, negative") << -2.5 << 0 << -3.0;
    QTest::newRow("six decimals") << 1.0000005 << 6 << 1.000001;
    // Decimal halves whose binary form lies just below them round down, as their text does;
    // multiplying by 100 first would round 2.675 up.
    QTest::newRow("1.005") << 1.005 << 2 << 1.0;
    QTest::newRow("2.675") << 2.675 << 2 << 2.67;
    QTest::newRow("2.675, negative") << -2.675 << 2 << -2.67;
    QTest::newRow("0.285") << 0.285 << 2 << 0.28;
    QTest::newRow("float reading 1.005") << double(1.005f) << 2 << 1.0;
    QTest::newRow("float reading 0.145") << double(0.145f) << 2 << 0.14;
    QTest::newRow("float reading 1234.565") << double(1234.565f) << 2 << 1234.56;
    // Just above a half in binary: up.
    QTest::newRow("8.345") << 8.345 << 2 << 8.35;
    QTest::newRow("float coarser than the decimals") << 99999.9921875 << 2 << 99999.99;
    QTest::newRow("digits beyond a float kept") << 123456.787109 << 3 << 123456.787;
    QTest::newRow("no negative zero") << -0.001 << 2 << 0.0;
    QTest::newRow("decimals bounded as in the text") << 1.23456 << -1 << 1.0;
    QTest::newRow("too large to have decimals") << 1e300 << 6 << 1e300;
    QTest::newRow("infinite") << -inf << 2 << -inf;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 2
                                  << std::numeric_limits<double>::quiet_NaN();
}

void TestDictionary::roundTo()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(double, rounded);
    // Exact, sign of zero included.
    QCOMPARE(QString::number(::roundTo(value, decimals), 'g', 17), QString::number(rounded, 'g', 17));
    // The stored value is the one the operator was shown.
    if (std::isfinite(value) && std::fabs(value) < 1e15 && rounded != 0.0)
        QCOMPARE(formatNumber(::roundTo(value, decimals), decimals), formatNumber(value, decimals));
}

QTEST_GUILESS_MAIN(TestDictionary)
#include "tst_dictionary.moc"
