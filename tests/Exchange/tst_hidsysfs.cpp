// The hidraw half of the Linux backend on a fixture sysfs tree, and the
// feature report length a report descriptor declares.

#include "HidDescriptor.h"
#include "LinuxHid.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace vorta;

namespace {

// Feature report of `bytes` bytes: usage page, usage, collection, size 8, count, feature, end.
QByteArray featureDescriptor(int bytes)
{
    QByteArray d = QByteArray::fromHex("0600FF0901A101750895");
    d.append(char(bytes));
    d.append(QByteArray::fromHex("B102C0"));
    return d;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

} // namespace

class TestHidSysfs : public QObject
{
    Q_OBJECT
private slots:
    void featureLength_data();
    void featureLength();
    void scansFixtureTree();
};

void TestHidSysfs::featureLength_data()
{
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<int>("length");

    QTest::newRow("64-byte feature report") << featureDescriptor(64) << 65;
    QTest::newRow("no feature report") << QByteArray::fromHex("0600FF0901A1017508953F8102C0") << 0;
    // Report id 1 with 8 bytes, id 2 with 32 bytes (two items of 16): the longest counts.
    QTest::newRow("longest of two report ids")
        << QByteArray::fromHex("0600FF0901A101850175089508B102850295109510B102B102C0") << 33;
    QTest::newRow("bits round up") << QByteArray::fromHex("750195 0B B102").replace(' ', "") << 3;
    QTest::newRow("push and pop keep globals")
        << QByteArray::fromHex("7508950AA47501 9501 B102 B4 B102").replace(' ', "") << 1 + 1 + 10;
    QTest::newRow("long item skipped") << QByteArray::fromHex("FE0200AABB75089504B102") << 5;
    QTest::newRow("four-byte data") << QByteArray::fromHex("77080000009704000000B102") << 5;
    QTest::newRow("truncated item") << QByteArray::fromHex("750895") << -1;
    QTest::newRow("truncated long item") << QByteArray::fromHex("FE05") << -1;
    QTest::newRow("pop without push") << QByteArray::fromHex("B4") << -1;
    QTest::newRow("absurd size") << QByteArray::fromHex("77FFFFFFFF97FFFFFFFFB102") << -1;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestHidSysfs::featureLength()
{
    QFETCH(QByteArray, descriptor);
    QFETCH(int, length);
    QCOMPARE(featureReportLength(reinterpret_cast<const uint8_t *>(descriptor.constData()),
                                 static_cast<size_t>(descriptor.size())),
             length);
}

void TestHidSysfs::scansFixtureTree()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString hidraw = root.path() + "/class/hidraw/";
    // Numbered out of order on purpose: the scan sorts by number, not by name.
    QVERIFY(writeFile(hidraw + "hidraw10/device/uevent",
                      "DRIVER=hid-generic\nHID_ID=0003:00003412:00001001\nHID_NAME=LUMO\n"));
    QVERIFY(writeFile(hidraw + "hidraw10/device/report_descriptor", featureDescriptor(64)));
    QVERIFY(writeFile(hidraw + "hidraw2/device/uevent", "HID_ID=0003:0000046D:0000C52B\n"));
    QVERIFY(writeFile(hidraw + "hidraw2/device/report_descriptor", featureDescriptor(16)));
    // No descriptor: listed, but with no usable report length.
    QVERIFY(writeFile(hidraw + "hidraw3/device/uevent", "HID_ID=0003:00003412:00000009\n"));
    // Not a hidraw entry, a malformed id and a vendor id out of range: left out.
    QVERIFY(writeFile(hidraw + "hidrawX/device/uevent", "HID_ID=0003:00003412:00001001\n"));
    QVERIFY(writeFile(hidraw + "hidraw4/device/uevent", "HID_ID=garbage\n"));
    QVERIFY(writeFile(hidraw + "hidraw5/device/uevent", "HID_ID=0003:00103412:00001001\n"));

    const std::string sysfs = root.path().toStdString();
    const std::vector<HidrawEntry> entries = scanHidraw(sysfs, "/dev");
    QCOMPARE(entries.size(), size_t(3));
    QCOMPARE(entries[0].node, std::string("/dev/hidraw2"));
    QCOMPARE(entries[0].vendorId, uint16_t(0x046D));
    QCOMPARE(entries[0].featureLength, 17);
    QCOMPARE(entries[1].node, std::string("/dev/hidraw3"));
    QCOMPARE(entries[1].productId, uint16_t(0x0009));
    QCOMPARE(entries[1].featureLength, -1);
    QCOMPARE(entries[2].node, std::string("/dev/hidraw10"));
    QCOMPARE(entries[2].vendorId, uint16_t(0x3412));
    QCOMPARE(entries[2].productId, uint16_t(0x1001));
    QCOMPARE(entries[2].featureLength, 65);

    // A name that is not a hidraw device cannot reach outside the tree.
    HidrawEntry entry;
    QVERIFY(!readHidrawEntry(sysfs, "/dev", "../hidraw10", entry));
    QVERIFY(readHidrawEntry(sysfs, "/dev", "hidraw10", entry));

    // No tree at all: nothing, and no failure.
    QVERIFY(scanHidraw(sysfs + "/missing", "/dev").empty());
}

QTEST_APPLESS_MAIN(TestHidSysfs)
#include "tst_hidsysfs.moc"
