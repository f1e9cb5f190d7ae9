#include "Documents/ModelDeviceConf.h"
#include "Documents/TabuloSortFilterProxyModel.h"
#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Verification/VrDevice.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "CardFiles.h"

#include <csignal>
#include <sys/resource.h>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QStringList keyNames(VrDevice *device)
{
    QStringList keys;
    for (const auto &key : ModelDeviceConf::cardKeys(device))
        keys << key.first;
    return keys;
}

// Every stored parameter of a device with a value of its own.
void fill(VrDevice &device)
{
    device.prName->setValue("Манометр МП-100; «точный» = 1,5 %");
    device.prSerial->setValue("№ 00123/45");
    device.prOwner->setValue("ООО \"Лаборатория\", г. Москва");
    device.prDevType->setValue("МП-100 [кл. 1,5]");
    device.prDevInv->setValue("ИН-7#8");
    device.prYear->setValue("2019");
    device.prAmbiant->setValue("воздух, масло");
    device.prNotes->setValue("Царапина на стекле\nстрелка на нуле\\");
    device.prVrDocumentVr->setValue("МИ 2124-90");
    device.prVrDocumentCl->setValue("ГОСТ 2405-88");
    device.prVrOrder->setValue(1);
    device.prSignalType->setValue("4-20 мА");
    device.prCheckSystemGr->setValue(1);
    device.prCheckUsage->setValue(0);
    device.prCheckRSolid->setValue(1);
    device.prCheckR->setValue(1);
}
}

class TestModelDeviceConf : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void numbering_data();
    void numbering();
    void saveAndLoadEveryKey();
    void cardLackingKeysAndForeignIds();
    void filters_data();
    void filters();
    void filterTextsAsTyped_data();
    void filterTextsAsTyped();
    void failedWrite_data();
    void failedWrite();
    void removal();
    void listing();

private:
    QString cardPath(const QString &name) const { return m_folder + QLatin1Char('/') + name; }
    QStringList shownFileNames() const;

    Dictionary m_dictionary;
    Configurator m_configurator;
    Settings *m_settings = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::unique_ptr<ModelDeviceConf> m_model;
};

void TestModelDeviceConf::initTestCase()
{
    m_settings = new Settings(this);
}

void TestModelDeviceConf::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QStringLiteral("Мановера/Устройства"));
    m_settings->deviceConfPath()->setValue(m_folder);
    m_model.reset(new ModelDeviceConf);
}

void TestModelDeviceConf::cleanup()
{
    m_model.reset();
    QCOMPARE(ModelDeviceConf::instance, nullptr);
}

QStringList TestModelDeviceConf::shownFileNames() const
{
    const QAbstractItemModel *proxy = m_model->sortFilterProxy();
    QStringList names;
    for (int row = 0; row < proxy->rowCount(); ++row)
        names << proxy->index(row, ModelDeviceConf::ColumnFileName).data().toString();
    names.sort();
    return names;
}

void TestModelDeviceConf::numbering_data()
{
    // Names ending in "/" are folders.
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty folder") << QStringList{} << "1.devconf";
    QTest::newRow("largest number, not the count") << QStringList{"1.devconf", "2.devconf", "10.devconf"}
                                                   << "11.devconf";
    QTest::newRow("non-numeric names only") << QStringList{"abc.devconf", "card 7.devconf", "12a.devconf"}
                                            << "1.devconf";
    QTest::newRow("past 32 bits") << QStringList{"2147483647.devconf"} << "2147483648.devconf";
    QTest::newRow("past 64 bits, the next free number")
        << QStringList{"9223372036854775807.devconf", "1.devconf"} << "2.devconf";
    QTest::newRow("the next name taken by a folder") << QStringList{"5.devconf", "6.devconf/"} << "7.devconf";
    QTest::newRow("other files do not count") << QStringList{"3.devconf", "40.txt", "50.devconf.bak"}
                                              << "4.devconf";
    QTest::newRow("negative numbers") << QStringList{"-5.devconf"} << "1.devconf";
}

void TestModelDeviceConf::numbering()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    QVERIFY(QDir().mkpath(m_folder));
    QMap<QString, QByteArray> before;
    int cards = 0;
    for (const QString &name : existing) {
        if (name.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir().mkpath(cardPath(name)));
            continue;
        }
        const QByteArray marker = "[General]\ndevice-%3EprName=" + name.toUtf8() + "\n";
        writeAll(cardPath(name), marker);
        before.insert(name, marker);
        cards += name.endsWith(QLatin1String(".devconf"));
    }

    VrDevice device;
    fill(device);
    QString name = QStringLiteral("stale");
    QVERIFY(m_model->saveOrLoadDevice(&device, ModelDeviceConf::Save, name));
    QCOMPARE(name, expected);
    QVERIFY(QFileInfo(cardPath(expected)).isFile());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(readAll(cardPath(it.key())), it.value());
    QCOMPARE(m_model->deviceConfCount(), cards + 1);
}

void TestModelDeviceConf::saveAndLoadEveryKey()
{
    VrDevice saved;
    fill(saved);
    saved.prIntervalMax->setValue(160);
    QString name;
    QVERIFY(m_model->saveOrLoadDevice(&saved, ModelDeviceConf::Save, name));
    QCOMPARE(name, QStringLiteral("1.devconf"));

    QStringList stored = QSettings(cardPath(name), QSettings::IniFormat).allKeys();
    QStringList expectedKeys = keyNames(&saved);
    QCOMPARE(expectedKeys.size(), 16);
    stored.sort();
    expectedKeys.sort();
    QCOMPARE(stored, expectedKeys);  // the interval and the unit are no part of a card

    QCOMPARE(m_model->rowCount(), 1);
    const QStringList row{"Манометр МП-100; «точный» = 1,5 %", "МП-100 [кл. 1,5]", "№ 00123/45", "ИН-7#8", "1.devconf"};
    for (int column = 0; column < row.size(); ++column) {
        QCOMPARE(m_model->index(0, column).data(Qt::DisplayRole).toString(), row.at(column));
        QCOMPARE(m_model->index(0, column).data(Qt::EditRole).toString(), row.at(column));
    }

    VrDevice loaded;
    loaded.prIntervalMax->setValue(6);
    QVERIFY(m_model->saveOrLoadDevice(&loaded, ModelDeviceConf::Load, name));
    const auto want = ModelDeviceConf::cardKeys(&saved);
    const auto got = ModelDeviceConf::cardKeys(&loaded);
    for (int i = 0; i < want.size(); ++i) {
        QCOMPARE(got.at(i).first, want.at(i).first);
        QCOMPARE(got.at(i).second->valueText(), want.at(i).second->valueText());
    }
    QCOMPARE(loaded.prVrOrder->value(), 1);
    QCOMPARE(loaded.prCheckUsage->value(), 0);
    QCOMPARE(loaded.prIntervalMax->value(), 6.0);
}

void TestModelDeviceConf::cardLackingKeysAndForeignIds()
{
    QVERIFY(QDir().mkpath(m_folder));
    CardFiles::writeCard(cardPath("7.devconf"), {{"device->prName", "Только имя"}, {"device->prVrOrder", 42},
                                      {"device->prCheckR", -1}, {"device->prUnknown", "x"}});
    const QByteArray file = readAll(cardPath("7.devconf"));
    m_model->reloadDeviceConfs();
    QCOMPARE(m_model->rowCount(), 1);
    QCOMPARE(m_model->index(0, ModelDeviceConf::ColumnName).data().toString(), QStringLiteral("Только имя"));
    QCOMPARE(m_model->index(0, ModelDeviceConf::ColumnSerial).data().toString(), QString());

    VrDevice device;
    fill(device);
    QString name = QStringLiteral("7.devconf");
    QVERIFY(m_model->saveOrLoadDevice(&device, ModelDeviceConf::Load, name));
    QCOMPARE(device.prName->value(), QStringLiteral("Только имя"));
    QCOMPARE(device.prVrOrder->value(), 42);  // taken unchecked: the editor shows no item
    QCOMPARE(device.prVrOrder->valueText(), QStringLiteral("<42>"));
    QCOMPARE(device.prCheckR->value(), -1);
    QCOMPARE(device.prSerial->value(), QStringLiteral("№ 00123/45"));  // absent keys leave the values
    QCOMPARE(device.prCheckSystemGr->value(), 1);
    QCOMPARE(readAll(cardPath("7.devconf")), file);  // loading writes nothing
}

void TestModelDeviceConf::filters_data()
{
    // Filter texts of columns 0 to 4 (name, type, serial, inventory, file name).
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("shown");
    const QStringList all{"1.devconf", "2.devconf", "3.devconf", "4.devconf"};
    QTest::newRow("empty") << QStringList{"", "", "", "", ""} << all;
    QTest::newRow("a star alone") << QStringList{"*", "", "*", "", ""} << all;
    QTest::newRow("ignoring case") << QStringList{"", "", "ab", "", ""}
                                   << QStringList{"1.devconf", "2.devconf", "3.devconf"};
    QTest::newRow("cyrillic, ignoring case") << QStringList{"МАНОМЕТР", "", "", "", ""}
                                             << QStringList{"1.devconf", "2.devconf"};
    QTest::newRow("question mark: one character") << QStringList{"", "", "", "1?0", ""}
                                                  << QStringList{"1.devconf", "4.devconf"};
    QTest::newRow("brackets: one of") << QStringList{"", "[ВД]", "", "", ""}
                                      << QStringList{"2.devconf", "3.devconf", "4.devconf"};
    QTest::newRow("all filters at once") << QStringList{"метр", "м", "", "", ""}
                                         << QStringList{"1.devconf", "2.devconf", "4.devconf"};
    QTest::newRow("file name") << QStringList{"", "", "", "", "3."} << QStringList{"3.devconf"};
    QTest::newRow("nothing matches") << QStringList{"zzz", "", "", "", ""} << QStringList{};
}

void TestModelDeviceConf::filters()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, shown);
    QVERIFY(QDir().mkpath(m_folder));
    CardFiles::writeFilterCards(m_folder);
    m_model->reloadDeviceConfs();
    for (int column = 0; column < texts.size(); ++column)
        m_model->filterText(column)->setValue(texts.at(column));
    m_model->applyFilter();
    QCOMPARE(shownFileNames(), shown);
    QCOMPARE(m_model->deviceConfCount(), CardFiles::filterCards().size());  // the count ignores the filters

    // A reload keeps filtering.
    m_model->reloadDeviceConfs();
    QCOMPARE(shownFileNames(), shown);
}

void TestModelDeviceConf::filterTextsAsTyped_data()
{
    // The name filter against cards whose names hold the characters that wildcards and regular
    // expressions give a meaning to.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("a backslash alone") << QStringLiteral("\\") << QStringList{"1.devconf", "6.devconf"};
    QTest::newRow("a backslash before a word") << QStringLiteral("\\ слэш") << QStringList{"1.devconf"};
    QTest::newRow("a backslash before a star") << QStringLiteral("\\*") << QStringList{"1.devconf", "6.devconf"};
    QTest::newRow("a closing bracket alone") << QStringLiteral("General]") << QStringList{"2.devconf"};
    QTest::newRow("an opening bracket alone") << QStringLiteral("[Gen") << QStringList{"2.devconf"};
    QTest::newRow("an empty pair") << QStringLiteral("[]") << QStringList{"5.devconf"};
    QTest::newRow("a pair: one of") << QStringLiteral("[xz]1") << QStringList{"3.devconf", "4.devconf"};
    QTest::newRow("a pair holding a backslash") << QStringLiteral("[\\q]x") << QStringList{"6.devconf"};
    QTest::newRow("a star and a question mark") << QStringLiteral("a*c?d") << QStringList{"3.devconf"};
    QTest::newRow("a dot is a dot") << QStringLiteral("a.c") << QStringList{"3.devconf"};
    QTest::newRow("regular-expression characters") << QStringLiteral("(x1)+") << QStringList{"4.devconf"};
    QTest::newRow("a caret and a dollar") << QStringLiteral("^$") << QStringList{"5.devconf"};
}

void TestModelDeviceConf::filterTextsAsTyped()
{
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    const QStringList names{"обратный \\ слэш", "[General]", "a.cYd z1", "(x1)+", "[] ^$", "a\\x"};
    QVERIFY(QDir().mkpath(m_folder));
    for (int i = 0; i < names.size(); ++i)
        CardFiles::writeCard(m_folder + QLatin1Char('/') + QString::number(i + 1) + QStringLiteral(".devconf"),
                             {{"device->prName", names.at(i)}});
    m_model->reloadDeviceConfs();
    m_model->filterText(0)->setValue(text);
    m_model->applyFilter();
    QCOMPARE(shownFileNames(), shown);
}

void TestModelDeviceConf::failedWrite_data()
{
    QTest::addColumn<bool>("folderUnderAFile");
    QTest::newRow("the folder's path runs through a file") << true;
    QTest::newRow("the disk refuses the bytes") << false;
}

void TestModelDeviceConf::failedWrite()
{
    QFETCH(bool, folderUnderAFile);
    // Permissions do not stop root: a path under a regular file, or a file size limit.
    QString name = QStringLiteral("stale");
    VrDevice device;
    fill(device);
    bool saved = true;
    QByteArray existing;
    if (folderUnderAFile) {
        writeAll(m_dir->filePath("blocker"), "x");
        m_folder = m_dir->filePath("blocker/Устройства");
        m_settings->deviceConfPath()->setValue(m_folder);
        saved = m_model->saveOrLoadDevice(&device, ModelDeviceConf::Save, name);
        QCOMPARE(readAll(m_dir->filePath("blocker")), QByteArray("x"));
        QCOMPARE(m_model->rowCount(), 0);
    } else {
        QVERIFY(m_model->saveOrLoadDevice(&device, ModelDeviceConf::Save, name));
        existing = readAll(cardPath("1.devconf"));
        // Added behind the model's back: the reload after the failed save lists it.
        CardFiles::writeCard(cardPath("5.devconf"), {{"device->prName", "Чужой"}});
        QCOMPARE(m_model->rowCount(), 1);

        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 64;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        saved = m_model->saveOrLoadDevice(&device, ModelDeviceConf::Save, name);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"1.devconf", "5.devconf"}));
        QCOMPARE(readAll(cardPath("1.devconf")), existing);
        QCOMPARE(m_model->rowCount(), 2);
    }
    QVERIFY(!saved);
    QVERIFY(name.isEmpty());
}

void TestModelDeviceConf::removal()
{
    QVERIFY(QDir().mkpath(m_folder));
    CardFiles::writeCard(cardPath("1.devconf"), {{"device->prName", "первый"}});
    CardFiles::writeCard(cardPath("2.devconf"), {{"device->prName", "второй"}});
    writeAll(m_dir->filePath("Мановера/victim.devconf"), "keep");
    m_model->reloadDeviceConfs();
    QCOMPARE(m_model->rowCount(), 2);

    QVERIFY(m_model->removeDeviceConf("1.devconf"));
    QVERIFY(!QFile::exists(cardPath("1.devconf")));
    QCOMPARE(m_model->rowCount(), 1);
    QCOMPARE(m_model->index(0, ModelDeviceConf::ColumnName).data().toString(), QStringLiteral("второй"));

    QVERIFY(!m_model->removeDeviceConf("1.devconf"));
    QVERIFY(!m_model->removeDeviceConf("../victim.devconf"));
    QVERIFY(!m_model->removeDeviceConf(QString()));
    QCOMPARE(readAll(m_dir->filePath("Мановера/victim.devconf")), QByteArray("keep"));
    QCOMPARE(m_model->rowCount(), 1);
}

void TestModelDeviceConf::listing()
{
    QCOMPARE(ModelDeviceConf::instance, m_model.get());
    QCOMPARE(m_model->sortFilterProxy()->sourceModel(), m_model.get());
    QCOMPARE(m_model->sortFilterProxy()->sortRole(), int(Qt::DisplayRole));

    QVERIFY(!QFileInfo::exists(m_folder));
    m_model->reloadDeviceConfs();
    QVERIFY(QFileInfo(m_folder).isDir());
    QCOMPARE(m_model->rowCount(), 0);

    CardFiles::writeCard(cardPath("3.devconf"), {{"device->prName", "карта"}});
    CardFiles::writeCard(cardPath("8.devconf"), {{"device->prName", "вторая"}});
    writeAll(cardPath("notes.txt"), "not a card");
    QVERIFY(QDir().mkpath(cardPath("4.devconf")));
    m_model->reloadDeviceConfs();
    QCOMPARE(m_model->rowCount(), 2);
    QCOMPARE(m_model->columnCount(), 5);

    QStringList header;
    for (int section = 0; section < 6; ++section)
        header << m_model->headerData(section, Qt::Horizontal).toString();
    QCOMPARE(header, (QStringList{"Наименование прибора", "Тип прибора", "Заводской номер", "Инвентарный номер",
                                  "Имя файла", ""}));
    QCOMPARE(m_model->headerData(1, Qt::Vertical).toString(), QStringLiteral("2"));
    QVERIFY(!m_model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QVERIFY(!m_model->index(0, 0).data(Qt::DecorationRole).isValid());
}

QTEST_GUILESS_MAIN(TestModelDeviceConf)
#include "tst_modeldeviceconf.moc"
