// Without a usable bulk driver every bulk export fails, and nothing crashes.

#include "VortaExchange.h"
#ifdef WITH_PARTIAL_DRIVER
#include "standin/UsbBulkStandIn.h"
#endif

#include <QtTest>

class TestBulkWithoutDriver : public QObject
{
    Q_OBJECT
private slots:
    void everyBulkExportFails_data();
    void everyBulkExportFails();
};

void TestBulkWithoutDriver::everyBulkExportFails_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::newRow("any device") << QByteArray("99999999");
    QTest::newRow("one serial") << QByteArray("BULK0001");
}

void TestBulkWithoutDriver::everyBulkExportFails()
{
    QFETCH(QByteArray, serial);
#ifdef WITH_PARTIAL_DRIVER
    // A device that would answer, were the driver whole.
    STANDIN_Reset();
    STANDIN_AddDevice(0, "BULK0001", "usb#pid_1000");
#endif
    const char *s = serial.constData();
    uint8_t buffer[16] = {};
    char answer[16] = {};
    uint16_t len = 4;
    QVERIFY(!VORTA_BULK_Read(s, 'R', 0, buffer, 16));
    QVERIFY(!VORTA_BULK_Write(s, 'R', 0, buffer, 16));
    QVERIFY(!VORTA_BULK_Command(s, 1, answer));
    QVERIFY(!VORTA_BULK_CommandEx(s, 1, buffer, &len));
    QCOMPARE(len, uint16_t(4));
#ifdef WITH_PARTIAL_DRIVER
    QCOMPARE(STANDIN_OpenCount(0), 0);
#endif
}

QTEST_APPLESS_MAIN(TestBulkWithoutDriver)
#include "tst_bulkwithoutdriver.moc"
