// Frames and answers of the QIRO channel, without a port.
#include "Devices/QiroChannel.h"

#include <QtTest>

namespace {
const QString NoSuchPort = QStringLiteral("/nonexistent/qiro-port");
}

class TestQiroFrames : public QObject
{
    Q_OBJECT
private slots:
    void crcCheckValue();
    void requestFrame_data();
    void requestFrame();
    void oversizedPayloadIsRefused();
    void answer_data();
    void answer();
    void answerBytes_data();
    void answerBytes();
    void answerStaysBounded();
    void errorTexts_data();
    void errorTexts();
};

void TestQiroFrames::crcCheckValue()
{
    QCOMPARE(QiroChannel::crc16("123456789", 9), uint16_t(0x4B37));
    QCOMPARE(QiroChannel::crc16("", 0), uint16_t(0xFFFF));
}

void TestQiroFrames::requestFrame_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("parameter");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("identify at 0") << 0 << 0 << 0 << QByteArray() << QByteArray(":0;0;14891\r");
    QTest::newRow("read 2") << 1 << 37 << 2 << QByteArray() << QByteArray(":1;37;2;17936\r");
    QTest::newRow("read serial number") << 1 << 37 << 0x8C << QByteArray() << QByteArray(":1;37;8C;7428\r");
    QTest::newRow("write 1.0 to 56") << 1 << 38 << 56 << QByteArray::fromHex("0000803F")
                                     << QByteArray(":1;38;38;0000803F;64472\r");
    QTest::newRow("command 199 on 165") << 1 << 199 << 165 << QByteArray() << QByteArray(":1;199;A5;55971\r");
    QTest::newRow("parameter 158 upper-case hex") << 1 << 37 << 158 << QByteArray()
                                                  << QByteArray(":1;37;9E;") ;
    QTest::newRow("empty payload") << 1 << 38 << 56 << QByteArray() << QByteArray(":1;38;38;;");
    QTest::newRow("payload bytes two digits each") << 1 << 38 << 36 << QByteArray::fromHex("F000")
                                                   << QByteArray(":1;38;24;F000;");
}

// The port does not exist, so each try ends at the open; the frame is built all the same.
void TestQiroFrames::requestFrame()
{
    QFETCH(int, address);
    QFETCH(int, command);
    QFETCH(int, parameter);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);

    QiroDevice device;
    device.address = address;
    QiroChannel channel(NoSuchPort);
    channel.setDevice(&device);
    channel.payload = payload;
    QVERIFY(!channel.request(command, parameter));
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkPortError));
    QCOMPARE(channel.deviceError(), uint8_t(255));
    QCOMPARE(channel.lastErrorText(), QStringLiteral("Ошибка передачи"));

    const QByteArray sent = channel.frame();
    QVERIFY2(sent.startsWith(frame), sent.constData());
    QVERIFY(sent.endsWith('\r'));
    // The checksum covers everything after ":" up to the last ";".
    const int sep = sent.lastIndexOf(';');
    QCOMPARE(sent.mid(sep + 1, sent.size() - sep - 2).toUInt(),
             unsigned(QiroChannel::crc16(sent.constData() + 1, sep)));
}

void TestQiroFrames::oversizedPayloadIsRefused()
{
    QiroChannel channel(NoSuchPort);
    channel.payload = QByteArray(24, '\x7F');
    channel.request(38, 112);
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkPortError));   // built, then the open failed
    QVERIFY(channel.frame().size() > 48);

    channel.payload = QByteArray(200, '\x7F');
    QVERIFY(!channel.request(38, 112));
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkPortError));
    QCOMPARE(channel.deviceError(), uint8_t(255));
    QVERIFY(channel.frame().isEmpty());
}

namespace {
// An answer frame with its checksum.
QByteArray answerFrame(const QByteArray &body)
{
    return body + QByteArray::number(QiroChannel::crc16(body.constData() + 1, body.size() - 1)) + "\r";
}
}

void TestQiroFrames::answer_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("final");       // no further try
    QTest::addColumn<int>("linkError");
    QTest::addColumn<int>("deviceError");
    QTest::addColumn<int>("address");      // the device's address afterwards (starts at 9)
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("status 0 and 1.5") << 37 << QByteArray("!1;000000C03F;27569\r") << true << 0 << 0 << 1
                                      << QByteArray::fromHex("000000C03F");
    QTest::newRow("transducer error 3") << 37 << QByteArray("!1;$3;51265\r") << true << 0 << 3 << 1 << QByteArray();
    QTest::newRow("$0 is success without data") << 38 << answerFrame("!1;$0;") << true << 0 << 0 << 1 << QByteArray();
    QTest::newRow("$254") << 37 << answerFrame("!1;$254;") << true << 0 << 254 << 1 << QByteArray();
    QTest::newRow("$255 is no valid answer") << 37 << answerFrame("!1;$255;") << true << 0 << 255 << 1 << QByteArray();
    QTest::newRow("$ with a huge code") << 37 << answerFrame("!1;$99999999999;") << true << 0 << 255 << 1 << QByteArray();
    QTest::newRow("$ without a number") << 37 << answerFrame("!1;$x;") << true << 0 << 255 << 1 << QByteArray();
    QTest::newRow("$ alone") << 37 << answerFrame("!1;$;") << true << 0 << 255 << 1 << QByteArray();
    QTest::newRow("empty data field") << 37 << answerFrame("!1;;") << true << 0 << 0 << 1 << QByteArray();
    QTest::newRow("lower-case hex") << 37 << answerFrame("!2;0a0b;") << true << 0 << 0 << 2 << QByteArray("\x0A\x0B");
    QTest::newRow("address keeps its low 8 bits") << 37 << answerFrame("!258;01;") << true << 0 << 0 << 2
                                                  << QByteArray("\x01");
    QTest::newRow("bytes before the !") << 37 << (":1;37;2;17936\r\x05~" + answerFrame("!1;07;")) << true << 0 << 0 << 1
                                        << QByteArray("\x07");
    QTest::newRow("bytes after CR are not the answer") << 37 << (answerFrame("!1;07;") + "!1;$3;51265\r")
                                                       << true << 0 << 0 << 1 << QByteArray("\x07");

    QTest::newRow("nothing") << 37 << QByteArray() << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("one byte") << 37 << QByteArray("!") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("bad checksum") << 37 << QByteArray("!1;000000C03F;27570\r") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("checksum above 65535") << 0 << QByteArray("!1;43;68928\r") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("checksum with a sign") << 0 << QByteArray("!1;43;+3392\r") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("checksum with a blank") << 0 << QByteArray("!1;43; 3392\r") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("no checksum") << 0 << QByteArray("!1;43;\r") << false << 6 << 255 << 9 << QByteArray();
    // The silence ends an answer whose CR never comes; the checksum decides.
    QTest::newRow("no CR") << 0 << QByteArray("!1;43;3392") << true << 0 << 0 << 1 << QByteArray();
    QTest::newRow("data without CR") << 37 << QByteArray("!1;000000C03F;27569") << true << 0 << 0 << 1
                                     << QByteArray::fromHex("000000C03F");
    QTest::newRow("noise, then an answer without CR") << 37 << QByteArray("~\x05!1;$3;51265") << true << 0 << 3 << 1
                                                      << QByteArray();
    QTest::newRow("no CR, bad checksum") << 0 << QByteArray("!1;43;3393") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("no CR, checksum cut short") << 37 << QByteArray("!1;000000C03F;2756") << false << 6 << 255 << 9
                                               << QByteArray();
    QTest::newRow("no CR, no checksum") << 0 << QByteArray("!1;43;") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("no separator") << 0 << QByteArray("!3392\r") << false << 6 << 255 << 9 << QByteArray();
    // The echo of a request carries a good checksum of its own.
    QTest::newRow("echo of the request") << 37 << QByteArray(":1;37;2;17936\r") << false << 6 << 255 << 9 << QByteArray();
    QTest::newRow("no token") << 37 << answerFrame("!;") << false << 4 << 255 << 9 << QByteArray();
    QTest::newRow("address not a number") << 37 << answerFrame("!x1;00;") << false << 4 << 255 << 9 << QByteArray();
    QTest::newRow("odd count of hex digits") << 37 << answerFrame("!1;000;") << false << 4 << 255 << 1 << QByteArray();
    QTest::newRow("data not hexadecimal") << 37 << answerFrame("!1;0G;") << false << 4 << 255 << 1 << QByteArray();
    QTest::newRow("identify type not a number") << 0 << answerFrame("!1;4x;") << false << 4 << 255 << 1 << QByteArray();
    QTest::newRow("identify type above 255") << 0 << answerFrame("!1;299;") << false << 4 << 255 << 1 << QByteArray();
    QTest::newRow("identify answered with $5") << 0 << answerFrame("!1;$5;") << true << 0 << 5 << 1 << QByteArray();
}

void TestQiroFrames::answer()
{
    QFETCH(int, command);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, final);
    QFETCH(int, linkError);
    QFETCH(int, deviceError);
    QFETCH(int, address);
    QFETCH(QByteArray, data);

    QiroDevice device;
    device.address = 9;
    QiroChannel channel;
    channel.setDevice(&device);
    channel.setCommand(command);
    channel.beginAnswer();
    channel.takeBytes(bytes.constData(), bytes.size());
    QCOMPARE(channel.parseAnswer(), final);
    QCOMPARE(channel.linkError(), linkError);
    QCOMPARE(int(channel.deviceError()), deviceError);
    QCOMPARE(device.address, address);
    QCOMPARE(device.answerData, data);
    if (command != 0 && final && !device.answerText.startsWith('$'))
        QCOMPARE(QByteArray::fromHex(device.answerText), data);
}

void TestQiroFrames::answerBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("status");
    QTest::newRow("new version") << QByteArray("!1;43;3392\r") << 43 << 1 << 255;
    // Without the type field the checksum must not be read as the type.
    QTest::newRow("no type field") << answerFrame("!1;") << 0 << 0 << 0;
    QTest::newRow("old version") << answerFrame("!5;13;") << 13 << 5 << 255;
}

void TestQiroFrames::answerBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, deviceType);
    QFETCH(int, address);
    QFETCH(int, status);

    QiroDevice device;
    device.deviceType = 77;
    QiroChannel channel;
    channel.setDevice(&device);
    channel.setCommand(0);
    // Fed one byte per read, as a slow line delivers it.
    channel.beginAnswer();
    bool complete = false;
    for (char c : bytes)
        complete = channel.takeBytes(&c, 1);
    QVERIFY(complete);
    QVERIFY(channel.parseAnswer());
    QCOMPARE(channel.linkError(), 0);
    QCOMPARE(channel.deviceError(), uint8_t(0));
    QCOMPARE(int(device.deviceType), deviceType);
    QCOMPARE(device.address, address);
    QCOMPARE(int(device.status), status);
}

void TestQiroFrames::answerStaysBounded()
{
    // A flood keeps the buffer bounded and terminated, and stops the reading.
    QiroChannel channel;
    channel.beginAnswer();
    const QByteArray flood(QiroChannel::BufferSize * 2, 'A');
    QVERIFY(channel.takeBytes(flood.constData(), flood.size()));
    QCOMPARE(channel.answer().size(), QiroChannel::MaxAnswerLength);
    QVERIFY(!channel.parseAnswer());
    QCOMPARE(channel.linkError(), int(QiroChannel::LinkBadAnswer));

    // A stream of "!" never completes an answer but is cut off all the same.
    channel.beginAnswer();
    const QByteArray bangs(QiroChannel::MaxBytesPerTry - 1, '!');
    QVERIFY(!channel.takeBytes(bangs.constData(), bangs.size()));
    QVERIFY(channel.takeBytes("!", 1));
    QCOMPARE(channel.answer(), QByteArray("!"));

    channel.beginAnswer();
    QVERIFY(channel.answer().isEmpty());
}

void TestQiroFrames::errorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("Успешное завершение.");
    QTest::newRow("1") << 1 << QStringLiteral("Команда не найдена.");
    QTest::newRow("2") << 2 << QStringLiteral("Неверный формат команды.");
    QTest::newRow("3") << 3 << QStringLiteral("Параметр не найден.");
    QTest::newRow("4") << 4 << QStringLiteral("Нарушение прав доступа(полномочий).");
    QTest::newRow("5") << 5 << QStringLiteral("Ошибка доступа.");
    QTest::newRow("6") << 6 << QStringLiteral("Выход параметра за границу диапазона");
    QTest::newRow("7") << 7 << QStringLiteral("Файл не найден");
    QTest::newRow("8") << 8 << QStringLiteral("Нехватает памяти.");
    QTest::newRow("9") << 9 << QStringLiteral("Недопустимый идентификатор ");
    QTest::newRow("10") << 10 << QStringLiteral("Отсутствует место на физическом носителе.");
    QTest::newRow("11") << 11 << QStringLiteral("Внутренняя ошибка прибора.");
    QTest::newRow("12") << 12 << QStringLiteral("Ошибочный аргумент.");
    QTest::newRow("13") << 13 << QStringLiteral("Слишком много открытых файлов");
    QTest::newRow("14") << 14 << QStringLiteral("Неизвестный код ошибки КИРО!");
    QTest::newRow("255") << 255 << QStringLiteral("Неизвестный код ошибки КИРО!");
}

void TestQiroFrames::errorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(QiroChannel::errorText(uint8_t(code)), text);
}

QTEST_GUILESS_MAIN(TestQiroFrames)
#include "tst_qiroframes.moc"
