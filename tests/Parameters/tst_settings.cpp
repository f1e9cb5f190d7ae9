#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Services.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void defaults();
    void registration();
    void templateChoice_data();
    void templateChoice();
    void storedValuesOutsideBoundsKeepDefaults();
    void decimalsDriveMeasuredText();

private:
    Configurator *m_config = nullptr;
    Settings *m_settings = nullptr;
    QTemporaryDir m_dir;
};

void TestSettings::initTestCase()
{
    TestSupport::createServices(TestSupport::Lists);
    m_config = Configurator::instance;
    m_config->configPath()->setValue(m_dir.filePath(QStringLiteral("conf.ini")));
    m_settings = new Settings();
    QCOMPARE(Settings::instance, m_settings);
}

void TestSettings::defaults()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString app = QCoreApplication::applicationDirPath();
    QCOMPARE(m_settings->decimals()->value(), 2);
    QCOMPARE(m_settings->decimals()->min(), 0);
    QCOMPARE(m_settings->decimals()->max(), 6);
    QCOMPARE(m_settings->documentSet()->value(), 0);
    QCOMPARE(m_settings->documentSet()->valueText(), QStringLiteral("Сертификат о калибровке"));
    QCOMPARE(m_settings->mainFontSize()->value(), 8);
    QCOMPARE(m_settings->mainFontSize()->max(), 90000);
    QCOMPARE(m_settings->protocolPath()->value(), documents + QStringLiteral("/Мановера/Протоколы"));
    QVERIFY(m_settings->protocolPath()->testFlag(HAbstractParametr::AltEditor));
    QCOMPARE(m_settings->templatePath()->value(), app + QStringLiteral("/Templates/custom_template.xlsx"));
    QCOMPARE(m_settings->templatePath()->nameFilters(), QStringList{QStringLiteral("*.xlsx")});
    QCOMPARE(m_settings->deviceConfPath()->value(), documents + QStringLiteral("/Мановера/Устройства"));
    QCOMPARE(m_settings->deviceConfPath()->nameFilters(), QStringList{QStringLiteral("*")});
    QCOMPARE(m_settings->decimals()->name(), QStringLiteral("Кол-во знаков после запятой"));
    QCOMPARE(m_settings->documentSet()->name(), QStringLiteral("Комплект документов"));
    QCOMPARE(m_settings->protocolPath()->name(), QStringLiteral("Путь для сохранения протоколов"));
    QCOMPARE(m_settings->templatePath()->name(), QStringLiteral("Путь к шаблону"));
    QCOMPARE(m_settings->deviceConfPath()->name(), QStringLiteral("Путь к сохраненным устройствам"));
    QVERIFY(m_settings->mainFontSize()->name().isEmpty());
    QCOMPARE(m_settings->mainFontSize()->min(), 1);
    QCOMPARE(&m_settings->documentSet()->items(), &Dictionary::instance->documentSets);
    QCOMPARE(int(m_settings->protocolPath()->flags()), 0x24);
    for (const HAbstractParametr *p : {static_cast<HAbstractParametr *>(m_settings->decimals()),
                                       static_cast<HAbstractParametr *>(m_settings->documentSet()),
                                       static_cast<HAbstractParametr *>(m_settings->templatePath()),
                                       static_cast<HAbstractParametr *>(m_settings->deviceConfPath()),
                                       static_cast<HAbstractParametr *>(m_settings->mainFontSize())})
        QCOMPARE(int(p->flags()), 0x04);
}

void TestSettings::registration()
{
    QStringList keys;
    for (const Configurator::Entry &entry : m_config->registry())
        keys << entry.key;
    QCOMPARE(keys, (QStringList{"prDecimals", "prProtocolMode", "prProtocolPath", "prProtocolTamplatePath",
                                "prDeviceConfPath", "prMainFontSize"}));
    QCOMPARE(m_config->registry().at(0).parametr, static_cast<HAbstractParametr *>(m_settings->decimals()));
}

void TestSettings::templateChoice_data()
{
    QTest::addColumn<int>("documentSet");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("file");
    QTest::newRow("calibration A") << 0 << 0 << "/Templates/default_template_calibration_A.xlsx";
    QTest::newRow("calibration B") << 0 << 1 << "/Templates/default_template_calibration_B.xlsx";
    QTest::newRow("verification A") << 1 << 0 << "/Templates/default_template_verification_A.xlsx";
    QTest::newRow("verification B") << 1 << 1 << "/Templates/default_template_verification_B.xlsx";
    QTest::newRow("own template A") << 2 << 0 << "/Templates/custom_template.xlsx";
    QTest::newRow("own template B") << 2 << 1 << "/Templates/custom_template.xlsx";
}

void TestSettings::templateChoice()
{
    QFETCH(int, documentSet);
    QFETCH(int, method);
    QFETCH(QString, file);
    QCOMPARE(m_settings->templateFor(documentSet, method), QCoreApplication::applicationDirPath() + file);
}

void TestSettings::storedValuesOutsideBoundsKeepDefaults()
{
    {
        QFile file(m_config->configPath()->value());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nprDecimals=9\nprMainFontSize=0\nprProtocolMode=2\n");
    }
    m_config->loadConfiguration();
    QCOMPARE(m_settings->decimals()->value(), 2);
    QCOMPARE(m_settings->mainFontSize()->value(), 8);
    QCOMPARE(m_settings->documentSet()->value(), 2);
    m_settings->setDefaults();
}

void TestSettings::decimalsDriveMeasuredText()
{
    m_settings->decimals()->setValue(4);
    QCOMPARE(formatMeasuredValue(1.5), QStringLiteral("1,5000"));
    m_settings->decimals()->setValue(0);
    QCOMPARE(formatMeasuredValue(-1.4), QStringLiteral("-1"));
    m_settings->decimals()->setValue(-3);  // a malformed conf.ini value still gives a number
    QCOMPARE(formatMeasuredValue(1.4), QStringLiteral("1"));
    m_settings->decimals()->setValue(2);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
