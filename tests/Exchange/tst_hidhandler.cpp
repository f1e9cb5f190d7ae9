// The ambient conditions reader, with a stand-in exchange library beside the
// test program, or with none.

#include "Devices/HidHandler.h"
#include "Parameters/Configurator.h"
#include "Parameters/ParametrString.h"
#include "Services.h"

#include <QDir>
#include <QLibrary>
#include <QTemporaryDir>
#include <QtTest>

class TestHidHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void registersItsSerial();
    void serialBytes_data();
    void serialBytes();
    void readConditions_data();
    void readConditions();
    void ignoresWorkingDirectory();

private:
    HidHandler *m_handler = nullptr;
};

void TestHidHandler::initTestCase()
{
    // The Configurator alone: the handler registers its serial with it.
    TestSupport::createServices(0);
    m_handler = new HidHandler();
    QCOMPARE(HidHandler::instance, m_handler);
}

void TestHidHandler::registersItsSerial()
{
    const auto &registry = Configurator::instance->registry();
    QVERIFY(!registry.isEmpty());
    QCOMPARE(registry.last().key, QStringLiteral("prSerialLUMO"));
    QCOMPARE(registry.last().parametr, static_cast<HAbstractParametr *>(m_handler->serial()));
    QCOMPARE(m_handler->serial()->value(), QStringLiteral("10074841"));
    QCOMPARE(m_handler->serial()->maxLength(), 8);
}

void TestHidHandler::serialBytes_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("four digits padded") << "4841" << QByteArray("00004841");
    QTest::newRow("eight kept") << "10074841" << QByteArray("10074841");
    QTest::newRow("empty") << "" << QByteArray("00000000");
    QTest::newRow("longer cut to eight") << "1007484199" << QByteArray("10074841");
}

void TestHidHandler::serialBytes()
{
    QFETCH(QString, serial);
    QFETCH(QByteArray, bytes);
    m_handler->serial()->setValue(serial);
    QCOMPARE(m_handler->serialBytes(), bytes);
}

void TestHidHandler::readConditions_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("ok");
    QTest::newRow("the meter") << "4841" << true;
    QTest::newRow("no such meter") << "12345678" << false;
}

void TestHidHandler::readConditions()
{
    QFETCH(QString, serial);
    QFETCH(bool, ok);
    m_handler->temperature = -1;
    m_handler->humidity = -2;
    m_handler->pressure = -3;
    m_handler->serial()->setValue(serial);
#ifdef WITH_LIBRARY
    QCOMPARE(m_handler->readConditions(), ok);
    QLibrary library(QCoreApplication::applicationDirPath() + "/VortaExchange");
    auto lastSerial = reinterpret_cast<const char *(*)()>(library.resolve("STANDIN_LastSerial"));
    QVERIFY(lastSerial);
    QCOMPARE(QByteArray(lastSerial()), m_handler->serialBytes());
#else
    ok = false;
    QVERIFY(!m_handler->readConditions());
#endif
    if (ok) {
        QCOMPARE(m_handler->temperature, 21.5f);
        QCOMPARE(m_handler->humidity, 45.25f);
        QCOMPARE(QString::number(m_handler->pressure, 'f', 2), QStringLiteral("101324.72"));
    } else {
        QCOMPARE(m_handler->temperature, -1.0f);
        QCOMPARE(m_handler->humidity, -2.0f);
        QCOMPARE(m_handler->pressure, -3.0f);
    }
}

void TestHidHandler::ignoresWorkingDirectory()
{
    // Whatever the working directory holds, the library is looked for beside the program.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    m_handler->serial()->setValue("4841");
#ifdef WITH_LIBRARY
    QVERIFY(m_handler->readConditions());
#else
    // Even a library that would answer, lying in the working directory, is not used.
    QVERIFY(QFile::copy(QStringLiteral(STANDIN_LIBRARY), dir.filePath("libVortaExchange.so")));
    QVERIFY(!m_handler->readConditions());
#endif
    QVERIFY(QDir::setCurrent(previous));
}

QTEST_GUILESS_MAIN(TestHidHandler)
#include "tst_hidhandler.moc"
