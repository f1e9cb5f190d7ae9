#include "Devices/TAIR.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrString.h"
#include "Services.h"
#include "TestSupport.h"

#include <QtTest>

// The per-transducer settings file, through real files in a temporary application folder.
class TestQvtSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void existingFileLoadsAndUnchangedSaveWritesNothing();
    void fileCreatedOnDisconnectOnly();
    void transducerWithoutFileAfterOneWithFile();
    void missingKeyKeepsValue();
    void handEditedFileReadAsTyped();
    void badValuesKeepValues_data();
    void badValuesKeepValues();
    void emptySerialNamesNoFile();
    void pathOutsideFolderRefused();
    void folderThatCannotBeCreated();
    void reconnectWithoutDisconnectLoadsAgain();
    void disconnectWhileNotConnectedWritesNothing();

private:
    QString folder() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/QvtSettings"); }
    QString fileOf(const QString &serial) const { return folder() + QLatin1Char('/') + serial + QStringLiteral(".ini"); }
    static void writeFile(const QString &path, const QByteArray &content);
    static QByteArray readFile(const QString &path);
    void setValues(int index, int model, const QString &owner, const QString &registry);
    void connectAs(const QString &serial);

    TAIR *tair = nullptr;
};

void TestQvtSettings::writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray TestQvtSettings::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void TestQvtSettings::setValues(int index, int model, const QString &owner, const QString &registry)
{
    tair->prIndex->setValue(index);
    tair->prQvtModel->setValue(model);
    tair->prOwner->setValue(owner);
    tair->prRegistryNumber->setValue(registry);
}

void TestQvtSettings::connectAs(const QString &serial)
{
    tair->prSerialNumber->setValue(serial);
    tair->setConnected(true);
}

void TestQvtSettings::initTestCase()
{
    QVERIFY(qEnvironmentVariableIsSet("MANOVERA_TEMPORARY_APP_DIR"));
    TestSupport::createServices(TestSupport::Hub | TestSupport::Lists);
    tair = new TAIR();
    Configurator::instance->loadConfiguration();
    QVERIFY(Configurator::instance->isLoaded());
}

void TestQvtSettings::init()
{
    if (tair->isConnected()) {
        tair->prSerialNumber->setValue(QString());
        tair->setConnected(false);
    }
    QDir(folder()).removeRecursively();
    QFile::remove(folder());
    setValues(0, 0, QString(), QString());
}

void TestQvtSettings::existingFileLoadsAndUnchangedSaveWritesNothing()
{
    const QByteArray content = "[General]\nprIndex=2\nprQvtModel=13\nprOwner=\"OOO Etalon, Kazan\"\nprRegistryNumber=3.2.ABC.0001.2020\n";
    writeFile(fileOf("00012345"), content);

    connectAs("00012345");
    QVERIFY(Configurator::instance->qvtFileFound);
    QCOMPARE(tair->prIndex->value(), 2);
    QCOMPARE(tair->prQvtModel->value(), 13);
    QCOMPARE(tair->prOwner->value(), QStringLiteral("OOO Etalon, Kazan"));
    QCOMPARE(tair->prRegistryNumber->value(), QStringLiteral("3.2.ABC.0001.2020"));
    QCOMPARE(tair->savedIndex, 2);
    QCOMPARE(tair->savedRangeCode, 13);

    tair->setConnected(false);
    QVERIFY(!tair->isConnected());
    QCOMPARE(readFile(fileOf("00012345")), content);

    // A change is written, and keys the file holds besides the four stay.
    writeFile(fileOf("00012345"), content + "extra=kept\n");
    connectAs("00012345");
    tair->prRegistryNumber->setValue(QStringLiteral("3.2.ABC.0002.2021"));
    tair->setConnected(false);
    QSettings stored(fileOf("00012345"), QSettings::IniFormat);
    QCOMPARE(stored.value("prRegistryNumber").toString(), QStringLiteral("3.2.ABC.0002.2021"));
    QCOMPARE(stored.value("prIndex").toInt(), 2);
    QCOMPARE(stored.value("extra").toString(), QStringLiteral("kept"));
}

void TestQvtSettings::fileCreatedOnDisconnectOnly()
{
    setValues(1, 3, QStringLiteral("Лаборатория"), QStringLiteral("R-1"));
    connectAs("00000777");
    QVERIFY(!Configurator::instance->qvtFileFound);
    QCOMPARE(tair->prIndex->value(), 1);  // nothing read: the values shown stay
    QVERIFY(!QFileInfo::exists(folder()));

    tair->prOwner->setValue(QStringLiteral("Новый собственник"));
    tair->setConnected(false);
    QVERIFY(QFileInfo::exists(fileOf("00000777")));
    QSettings stored(fileOf("00000777"), QSettings::IniFormat);
    QCOMPARE(stored.allKeys().size(), 4);
    QCOMPARE(stored.value("prIndex").toInt(), 1);
    QCOMPARE(stored.value("prQvtModel").toInt(), 3);
    QCOMPARE(stored.value("prOwner").toString(), QStringLiteral("Новый собственник"));
    QCOMPARE(stored.value("prRegistryNumber").toString(), QStringLiteral("R-1"));

    // Back again: the file is found and restores what was stored.
    setValues(0, 0, QString(), QString());
    connectAs("00000777");
    QVERIFY(Configurator::instance->qvtFileFound);
    QCOMPARE(tair->prOwner->value(), QStringLiteral("Новый собственник"));
    QCOMPARE(tair->prQvtModel->value(), 3);
}

// The second transducer inherits the values shown; whether a file was found is decided per
// transducer, so it gets its own file on disconnect although nothing was edited.
void TestQvtSettings::transducerWithoutFileAfterOneWithFile()
{
    writeFile(fileOf("00000001"), "[General]\nprIndex=3\nprQvtModel=11\nprOwner=first\nprRegistryNumber=N1\n");
    connectAs("00000001");
    QVERIFY(Configurator::instance->qvtFileFound);
    // A new connect over the existing one: the first transducer's file is saved (unchanged).
    tair->setConnected(false);
    connectAs("00000002");
    QVERIFY(!Configurator::instance->qvtFileFound);
    QCOMPARE(tair->prOwner->value(), QStringLiteral("first"));
    QVERIFY(!QFileInfo::exists(fileOf("00000002")));
    tair->setConnected(false);
    QSettings stored(fileOf("00000002"), QSettings::IniFormat);
    QCOMPARE(stored.value("prIndex").toInt(), 3);
    QCOMPARE(stored.value("prQvtModel").toInt(), 11);
    QCOMPARE(stored.value("prOwner").toString(), QStringLiteral("first"));
    QCOMPARE(stored.value("prRegistryNumber").toString(), QStringLiteral("N1"));
}

void TestQvtSettings::missingKeyKeepsValue()
{
    setValues(1, 4, QStringLiteral("kept owner"), QStringLiteral("kept number"));
    writeFile(fileOf("00000003"), "[General]\nprIndex=2\n");
    connectAs("00000003");
    QCOMPARE(tair->prIndex->value(), 2);
    QCOMPARE(tair->prQvtModel->value(), 4);
    QCOMPARE(tair->prOwner->value(), QStringLiteral("kept owner"));
    QCOMPARE(tair->prRegistryNumber->value(), QStringLiteral("kept number"));
    QCOMPARE(tair->savedOwner, QStringLiteral("kept owner"));
}

// Saved by a text editor: UTF-8 and a comma the settings reader would take for a list. The
// save keeps the other key as typed and writes the file as the program always has, escaped.
void TestQvtSettings::handEditedFileReadAsTyped()
{
    writeFile(fileOf("00000005"), "[General]\nprIndex=1\nprOwner=ООО Эталон, Казань\nnote=Поверен годен\n");
    connectAs("00000005");
    QCOMPARE(tair->prOwner->value(), QStringLiteral("ООО Эталон, Казань"));
    tair->prRegistryNumber->setValue(QStringLiteral("№ 7"));
    tair->setConnected(false);

    const QByteArray saved = readFile(fileOf("00000005"));
    for (const char c : saved)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, saved.constData());
    QSettings stored(fileOf("00000005"), QSettings::IniFormat);
    QCOMPARE(stored.value("prOwner"), QVariant(QStringLiteral("ООО Эталон, Казань")));
    QCOMPARE(stored.value("prRegistryNumber").toString(), QStringLiteral("№ 7"));
    QCOMPARE(stored.value("note").toString(), QStringLiteral("Поверен годен"));
}

void TestQvtSettings::badValuesKeepValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("model");
    QTest::newRow("index not a number") << QByteArray("prIndex=B\nprQvtModel=5\n") << 2 << 5;
    QTest::newRow("index out of list") << QByteArray("prIndex=7\nprQvtModel=5\n") << 2 << 5;
    QTest::newRow("both negative") << QByteArray("prIndex=-1\nprQvtModel=-3\n") << 2 << 6;
    QTest::newRow("model out of list") << QByteArray("prIndex=1\nprQvtModel=23\n") << 1 << 6;
    QTest::newRow("model a fraction") << QByteArray("prIndex=1\nprQvtModel=2.5\n") << 1 << 6;
    QTest::newRow("garbage") << QByteArray("\x01\x02\xff[[[=\n==\nprIndex\n") << 2 << 6;
}

void TestQvtSettings::badValuesKeepValues()
{
    QFETCH(QByteArray, content);
    setValues(2, 6, QStringLiteral("owner"), QStringLiteral("number"));
    writeFile(fileOf("00000004"), "[General]\n" + content);
    connectAs("00000004");
    QVERIFY(Configurator::instance->qvtFileFound);
    QTEST(tair->prIndex->value(), "index");
    QTEST(tair->prQvtModel->value(), "model");
    QCOMPARE(tair->prOwner->value(), QStringLiteral("owner"));
    QTEST(tair->savedIndex, "index");
}

void TestQvtSettings::emptySerialNamesNoFile()
{
    writeFile(fileOf(""), "[General]\nprIndex=3\n");
    setValues(1, 2, QStringLiteral("o"), QStringLiteral("r"));
    Configurator::instance->qvtFileFound = true;
    QVERIFY(!Configurator::instance->loadQvtSettings());
    QCOMPARE(tair->prIndex->value(), 1);

    QFile::remove(fileOf(""));
    connectAs(QString());
    QVERIFY(tair->isConnected());
    tair->prOwner->setValue(QStringLiteral("changed"));
    QVERIFY(!Configurator::instance->saveQvtSettings());
    tair->setConnected(false);
    QVERIFY(!QFileInfo::exists(fileOf("")));
    QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty());
}

void TestQvtSettings::pathOutsideFolderRefused()
{
    for (const char *serial : {"..", ".", "../conf", "a/b", "a\\b"}) {
        QVERIFY2(Configurator::qvtSettingsPath(QString::fromLatin1(serial)).isEmpty(), serial);
        tair->prSerialNumber->setValue(QString::fromLatin1(serial));
        QVERIFY(!Configurator::instance->saveQvtSettings());
    }
    QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/conf.ini.ini"));
    QCOMPARE(Configurator::qvtSettingsPath("01234567"), fileOf("01234567"));
}

void TestQvtSettings::folderThatCannotBeCreated()
{
    writeFile(folder(), "not a folder");
    connectAs("00000005");
    tair->prOwner->setValue(QStringLiteral("changed"));
    QVERIFY(!Configurator::instance->saveQvtSettings());
    tair->setConnected(false);
    QCOMPARE(readFile(folder()), QByteArray("not a folder"));
}

void TestQvtSettings::reconnectWithoutDisconnectLoadsAgain()
{
    writeFile(fileOf("00000006"), "[General]\nprOwner=from file\n");
    connectAs("00000006");
    tair->prOwner->setValue(QStringLiteral("edited"));
    tair->setConnected(true);
    QCOMPARE(tair->prOwner->value(), QStringLiteral("from file"));
}

void TestQvtSettings::disconnectWhileNotConnectedWritesNothing()
{
    QVERIFY(!tair->isConnected());
    tair->prSerialNumber->setValue(QStringLiteral("00000008"));
    tair->prOwner->setValue(QStringLiteral("changed"));
    tair->setConnected(false);
    QVERIFY(!QFileInfo::exists(fileOf("00000008")));
}

APPDIR_TEST_MAIN_WITH(TestQvtSettings, QCoreApplication, QStringLiteral("appdir"))

#include "tst_qvtsettings.moc"
