#include "Parameters/Configurator.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"

#include "LogCapture.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}
}

// One owner's worth of parameters of every stored type.
struct Owner
{
    EnumList items{EnumItem(QStringLiteral("a"), 0), EnumItem(QStringLiteral("b"), 1)};
    ParametrEnum e{QStringLiteral("e"), items, HAbstractParametr::OwnsTitle};
    ParametrString s{QStringLiteral("s"), 10, HAbstractParametr::OwnsTitle};
    ParametrDouble d{QStringLiteral("d"), -99, -99, HAbstractParametr::OwnsTitle};
    ParametrInt i{QStringLiteral("i"), 0, 10, HAbstractParametr::OwnsTitle};
    ParametrPath p{QStringLiteral("p"), HAbstractParametr::OwnsTitle};
    ParametrEditableEnum t{QStringLiteral("t"), items, HAbstractParametr::OwnsTitle};

    Owner()
    {
        e.setValue(1);
        s.setValue(QStringLiteral("текст; с = знаками"));
        d.setValue(0.1 + 0.2);
        i.setValue(7);
        p.setValue(QStringLiteral("/путь/к файлу.xlsx"));
        t.setText(QStringLiteral("1,5-1-1,5"));
    }

    void registerWith(Configurator &config)
    {
        config.addParametr(&e, QStringLiteral("prEnum"));
        config.addParametr(&s, QStringLiteral("prString"));
        config.addParametr(&d, QStringLiteral("prDouble"));
        config.addParametr(&i, QStringLiteral("prInt"));
        config.addParametr(&p, QStringLiteral("0_dev->prPath"));
        config.addParametr(&t, QStringLiteral("prText"));
    }
};

class TestConfigurator : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void defaultPath();
    void firstStartCreatesFileAndFolder();
    void roundTrip();
    void missingKeysKeepDefaults();
    void unknownKeysDropped();
    void repeatedKey();
    void enumIdOutsideList();
    void emptyFreeText();
    void handTypedValues_data();
    void handTypedValues();
    void garbageFileLoadsWhatItCan();
    void hugeFile();
    void failedWriteKeepsPreviousFile();
    void loadEmitsOnceAndSetsLoaded();
    void configureParametrOtherFiles();

private:
    QTemporaryDir m_dir;
    QString m_path;
    MainHandler m_hub;
};

void TestConfigurator::init()
{
    MainHandler::instance = &m_hub;
    m_path = m_dir.filePath(QStringLiteral("sub/conf.ini"));
    QFile::remove(m_path);
}

void TestConfigurator::defaultPath()
{
    Configurator config;
    QCOMPARE(Configurator::instance, &config);
    QCOMPARE(config.configPath()->value(), QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini"));
    QCOMPARE(config.configPath()->name(), QStringLiteral("Путь к файлу конфигурации"));
    QCOMPARE(int(config.configPath()->flags()), 0x04);
    QVERIFY(config.registry().isEmpty());
    QVERIFY(!config.isLoaded());
    QVERIFY(!config.qvtFileFound);
}

void TestConfigurator::firstStartCreatesFileAndFolder()
{
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.registerWith(config);
    config.loadConfiguration();  // no file: defaults stay
    QCOMPARE(owner.i.value(), 7);
    config.saveConfiguration();
    QVERIFY(QFile::exists(m_path));
    QSettings stored(m_path, QSettings::IniFormat);
    QStringList keys;
    for (const Configurator::Entry &entry : config.registry())
        keys << entry.key;
    QCOMPARE(keys, (QStringList{"prEnum", "prString", "prDouble", "prInt", "0_dev->prPath", "prText"}));
    QStringList storedKeys = stored.allKeys();
    storedKeys.sort();
    keys.sort();
    QCOMPARE(storedKeys, keys);
}

void TestConfigurator::roundTrip()
{
    {
        Configurator config;
        config.configPath()->setValue(m_path);
        Owner owner;
        owner.registerWith(config);
        config.saveConfiguration();
    }
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner fresh;
    fresh.e.setValue(0);
    fresh.s.setValue(QString());
    fresh.d.setValue(-1);
    fresh.i.setValue(0);
    fresh.p.setValue(QString());
    fresh.t.setText(QString());
    fresh.registerWith(config);
    config.loadConfiguration();
    QCOMPARE(fresh.e.value(), 1);
    QCOMPARE(fresh.s.value(), QStringLiteral("текст; с = знаками"));
    QCOMPARE(fresh.d.value(), 0.1 + 0.2);  // a double survives exactly
    QCOMPARE(fresh.i.value(), 7);
    QCOMPARE(fresh.p.value(), QStringLiteral("/путь/к файлу.xlsx"));
    QCOMPARE(fresh.t.text(), QStringLiteral("1,5-1-1,5"));
}

void TestConfigurator::missingKeysKeepDefaults()
{
    QDir().mkpath(QFileInfo(m_path).path());
    writeText(m_path, "[General]\nprInt=3\n");
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.registerWith(config);
    config.loadConfiguration();
    QCOMPARE(owner.i.value(), 3);
    QCOMPARE(owner.e.value(), 1);
    QCOMPARE(owner.s.value(), QStringLiteral("текст; с = знаками"));
}

void TestConfigurator::unknownKeysDropped()
{
    QDir().mkpath(QFileInfo(m_path).path());
    writeText(m_path, "[General]\nprStale=1\nprInt=2\n");
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.registerWith(config);
    config.loadConfiguration();
    config.saveConfiguration();
    QSettings stored(m_path, QSettings::IniFormat);
    QVERIFY(!stored.contains(QStringLiteral("prStale")));
    QCOMPARE(stored.value(QStringLiteral("prInt")).toInt(), 2);
}

void TestConfigurator::repeatedKey()
{
    Configurator config;
    config.configPath()->setValue(m_path);
    ParametrInt first(QStringLiteral("a"), 0, 100), second(QStringLiteral("b"), 0, 100);
    first.setValue(1);
    second.setValue(2);
    config.addParametr(&first, QStringLiteral("prSame"));
    config.addParametr(&second, QStringLiteral("prSame"));
    config.saveConfiguration();
    QCOMPARE(QSettings(m_path, QSettings::IniFormat).value(QStringLiteral("prSame")).toInt(), 2);
    first.setValue(0);
    config.loadConfiguration();
    QCOMPARE(first.value(), 2);
    QCOMPARE(second.value(), 2);
}

void TestConfigurator::enumIdOutsideList()
{
    QDir().mkpath(QFileInfo(m_path).path());
    writeText(m_path, "[General]\nprEnum=42\n");
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.registerWith(config);
    config.loadConfiguration();
    QCOMPARE(owner.e.value(), 42);
    QCOMPARE(owner.e.valueText(), QStringLiteral("<42>"));
}

void TestConfigurator::emptyFreeText()
{
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.t.setText(QString());
    owner.registerWith(config);
    config.saveConfiguration();
    QSettings stored(m_path, QSettings::IniFormat);
    QVERIFY(stored.contains(QStringLiteral("prText")));
    QVERIFY(stored.value(QStringLiteral("prText")).toString().isEmpty());
}

void TestConfigurator::handTypedValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shown");  // the parameter's valueText after loading
    QTest::addColumn<bool>("ignored");

    // Texts: UTF-8 as an editor saves it, the program's own escapes, and commas that QSettings
    // would split into a list.
    QTest::newRow("utf-8 text") << QByteArray("prString=Иванов И.И.") << "prString" << "Иванов И.И." << false;
    QTest::newRow("escaped text") << QByteArray("prString=\\x418\\x432\\x430\\x43d\\x43e\\x432") << "prString"
                                  << "Иванов" << false;
    QTest::newRow("unquoted comma") << QByteArray("prString=ООО Ромашка, г. Москва") << "prString"
                                    << "ООО Ромашка, г. Москва" << false;
    QTest::newRow("commas kept as spaced") << QByteArray("prString=a,b ,  c") << "prString" << "a,b ,  c" << false;
    QTest::newRow("quoted comma") << QByteArray("prString=\"a, b\"") << "prString" << "a, b" << false;
    QTest::newRow("escapes around a comma") << QByteArray("prString=\\x418\\x432, \\\"q\\\"") << "prString"
                                            << "Ив, \"q\"" << false;
    QTest::newRow("windows line end") << QByteArray("prString=a, b\r") << "prString" << "a, b" << false;
    QTest::newRow("comment after a list") << QByteArray("prString=a, b ; note") << "prString" << "a, b" << false;
    QTest::newRow("unterminated quote after a comma") << QByteArray("prString=a, \"b") << "prString" << "a, b\n"
                                                      << false;
    QTest::newRow("backslash at the end") << QByteArray("prString=a, b\\") << "prString" << "a, b" << false;
    QTest::newRow("path with a comma") << QByteArray("0_dev-%3EprPath=/протоколы/2024, июнь") << "0_dev->prPath"
                                       << "/протоколы/2024, июнь" << false;
    QTest::newRow("free text with a comma") << QByteArray("prText=1,5") << "prText" << "1,5" << false;

    // Numbers with either separator; what does not convert or lies out of bounds is refused.
    QTest::newRow("decimal comma") << QByteArray("prBounded=0,9") << "prBounded" << "0,9" << false;
    QTest::newRow("decimal point") << QByteArray("prBounded=0.25") << "prBounded" << "0,25" << false;
    QTest::newRow("double at its bound") << QByteArray("prBounded=1,0") << "prBounded" << "1" << false;
    QTest::newRow("double above its bound") << QByteArray("prBounded=1,5") << "prBounded" << "0,8" << true;
    QTest::newRow("double below its bound") << QByteArray("prBounded=-0.1") << "prBounded" << "0,8" << true;
    QTest::newRow("double that is a word") << QByteArray("prBounded=много") << "prBounded" << "0,8" << true;
    QTest::newRow("two separators") << QByteArray("prDouble=1.000,5") << "prDouble" << "0,3" << true;
    QTest::newRow("infinity") << QByteArray("prDouble=inf") << "prDouble" << "0,3" << true;
    QTest::newRow("no number as the program writes it") << QByteArray("prDouble=nan") << "prDouble" << "nan" << false;
    QTest::newRow("int at its bound") << QByteArray("prInt=10") << "prInt" << "10" << false;
    QTest::newRow("int above its bound") << QByteArray("prInt=11") << "prInt" << "7" << true;
    QTest::newRow("int that is a word") << QByteArray("prInt=seven") << "prInt" << "7" << true;
    QTest::newRow("int with a fraction") << QByteArray("prInt=5,0") << "prInt" << "7" << true;
    QTest::newRow("enum that is a word") << QByteArray("prEnum=x") << "prEnum" << "b" << true;
}

void TestConfigurator::handTypedValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, key);
    QFETCH(QString, shown);
    QFETCH(bool, ignored);

    // A file of its own per row: QSettings keeps what it parsed of a path while the file's size
    // and time (to the millisecond) stay the same, and rows of one length follow fast.
    const QString path = m_dir.filePath(QStringLiteral("typed/") + QTest::currentDataTag() + QStringLiteral(".ini"));
    QDir().mkpath(QFileInfo(path).path());
    writeText(path, "[General]\n" + line + "\n");
    Configurator config;
    config.configPath()->setValue(path);
    Owner owner;
    owner.registerWith(config);
    ParametrDouble bounded(QStringLiteral("c"), 0, 1, HAbstractParametr::OwnsTitle);
    bounded.setValue(0.8);
    config.addParametr(&bounded, QStringLiteral("prBounded"));

    TestSupport::LogCapture log;
    config.loadConfiguration();
    const HAbstractParametr *parametr = nullptr;
    for (const Configurator::Entry &entry : config.registry()) {
        if (entry.key == key)
            parametr = entry.parametr;
    }
    QVERIFY(parametr);
    QCOMPARE(parametr->valueText(), shown);
    const QStringList refused = log.warnings(QStringLiteral("VALUE IGNORED"));
    QCOMPARE(refused.size(), ignored ? 1 : 0);
    if (ignored)
        QVERIFY2(refused.first().contains(QLatin1Char('"') + key + QLatin1Char('"')), qPrintable(refused.first()));
}

void TestConfigurator::garbageFileLoadsWhatItCan()
{
    QDir().mkpath(QFileInfo(m_path).path());
    static const char raw[] = "\x00\xff\xfe[[[\n=novalue\n\\\\\\\n[General\nprInt=5\n";
    QByteArray garbage(raw, sizeof raw - 1);
    garbage += "\n[General]\nprInt=4\n\x01\x02=\x03\nprString=\"unterminated\n";
    writeText(m_path, garbage);
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.registerWith(config);
    config.loadConfiguration();
    QCOMPARE(owner.i.value(), 4);
    QVERIFY(config.isLoaded());
}

void TestConfigurator::hugeFile()
{
    QDir().mkpath(QFileInfo(m_path).path());
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nprInt=9\n");
        const QByteArray line = "prJunk" + QByteArray(200, 'x') + "=" + QByteArray(200, 'y') + "\n";
        for (int n = 0; n < 40000; ++n)
            file.write(line);
    }
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.registerWith(config);
    config.loadConfiguration();
    QCOMPARE(owner.i.value(), 9);
}

void TestConfigurator::failedWriteKeepsPreviousFile()
{
    Configurator config;
    config.configPath()->setValue(m_path);
    Owner owner;
    owner.registerWith(config);
    QVERIFY(config.process(Configurator::Write));
    const QByteArray good = readAll(m_path);
    QVERIFY(!good.isEmpty());

    // A file size limit makes every write past a few bytes fail, even for root.
    QList<ParametrString *> many;
    for (int n = 0; n < 200; ++n) {
        auto *p = new ParametrString(QStringLiteral("x"), 10);
        p->setValue(QString(100, QLatin1Char('z')));
        config.addParametr(p, QStringLiteral("prMany%1").arg(n));
        many << p;
    }
    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 512;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = config.process(Configurator::Write);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!written);
    QCOMPARE(readAll(m_path), good);
    qDeleteAll(many);
}

void TestConfigurator::loadEmitsOnceAndSetsLoaded()
{
    Configurator config;
    config.configPath()->setValue(m_path);
    QSignalSpy spy(&m_hub, &MainHandler::configurationLoad);
    config.loadConfiguration();
    QCOMPARE(spy.count(), 1);
    QVERIFY(config.isLoaded());
}

void TestConfigurator::configureParametrOtherFiles()
{
    const QString other = m_dir.filePath(QStringLiteral("card.devconf"));
    Owner owner;
    {
        QSettings settings(other, QSettings::IniFormat);
        configureParametr(settings, &owner.d, QStringLiteral("device->prValue"), Configurator::Write);
        configureParametr(settings, &owner.i, QStringLiteral("device->prInt"), 7);  // unknown mode: nothing
    }
    QSettings settings(other, QSettings::IniFormat);
    QVERIFY(!settings.contains(QStringLiteral("device->prInt")));
    ParametrDouble back(QStringLiteral("d"), 0, 1);
    configureParametr(settings, &back, QStringLiteral("device->prValue"), Configurator::Read);
    QCOMPARE(back.value(), owner.d.value());
}

QTEST_GUILESS_MAIN(TestConfigurator)
#include "tst_configurator.moc"
