#include "Devices/QiroChannel.h"

#include "Devices/QiroTimings.h"

#include <QDebug>
#include <QSerialPort>
#include <cstdio>
#include <cstring>

namespace {

const char Separators[] = "!:;\r";

bool isSeparator(char c)
{
    return c != 0 && std::strchr(Separators, c) != nullptr;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Decimal digits only, at most max; no sign, no blanks.
bool parseDecimal(const char *text, int size, uint32_t max, uint32_t *value)
{
    if (size <= 0)
        return false;
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + uint64_t(text[i] - '0');
        if (v > max)
            return false;
    }
    *value = uint32_t(v);
    return true;
}

struct Token
{
    const char *text = nullptr;
    int size = 0;
};

// The first two tokens of text[0..size), with strtok's rule that separators in a row
// make no empty token.
int splitTokens(const char *text, int size, Token tokens[2])
{
    int count = 0;
    int i = 0;
    while (i < size && count < 2) {
        while (i < size && isSeparator(text[i]))
            ++i;
        if (i >= size)
            break;
        const int start = i;
        while (i < size && !isSeparator(text[i]))
            ++i;
        tokens[count].text = text + start;
        tokens[count].size = i - start;
        ++count;
    }
    return count;
}

}

QiroChannel::QiroChannel(const QString &portName)
    : m_port(new QSerialPort(portName))
    , m_txBuffer(new char[BufferSize])
    , m_rxBuffer(new char[BufferSize])
    , m_chunkBuffer(new char[BufferSize])
    , m_tx(m_txBuffer.get())
    , m_rx(m_rxBuffer.get())
    , m_chunk(m_chunkBuffer.get())
{
    m_port->setBaudRate(QSerialPort::Baud1200, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setFlowControl(QSerialPort::SoftwareControl);
    std::memset(m_tx, 0, BufferSize);
    std::memset(m_rx, 0, BufferSize);
    std::memset(m_chunk, 0, BufferSize);
}

QiroChannel::~QiroChannel() = default;

void QiroChannel::setDevice(QiroDevice *device)
{
    m_device = device ? device : &m_ownDevice;
}

void QiroChannel::setPortName(const QString &name)
{
    m_port->close();
    m_port->setPortName(name);
}

QString QiroChannel::portName() const
{
    return m_port->portName();
}

bool QiroChannel::probePort()
{
    if (!m_port->open(QIODevice::ReadWrite))
        return false;
    qDebug() << m_port->portName() << (m_port->isOpen() ? "true" : "false");
    m_port->close();
    return true;
}

bool QiroChannel::buildFrame(int command, int parameter)
{
    const int address = m_device->address;
    int n;
    if (command == 0)
        n = std::snprintf(m_tx, BufferSize, ":%d;0;", address);
    else
        n = std::snprintf(m_tx, BufferSize, ":%d;%d;%X;", address, command, unsigned(parameter));
    if (n <= 0 || n >= BufferSize)
        return false;

    if (command == 38) {
        // The data, its ";", the checksum (at most five digits) and CR must fit.
        if (n + 2 * payload.size() + 1 + 5 + 1 > MaxAnswerLength)
            return false;
        static const char Hex[] = "0123456789ABCDEF";
        for (const char byte : payload) {
            m_tx[n++] = Hex[uint8_t(byte) >> 4];
            m_tx[n++] = Hex[uint8_t(byte) & 0x0F];
        }
        m_tx[n++] = ';';
    }

    const unsigned crc = crc16(m_tx + 1, n - 1);
    const int tail = std::snprintf(m_tx + n, size_t(BufferSize - n), "%u\r", crc);
    if (tail <= 0 || n + tail >= BufferSize)
        return false;
    m_txLength = n + tail;
    return true;
}

void QiroChannel::beginAnswer()
{
    std::memset(m_rx, 0, BufferSize);
    m_rxLength = 0;
    m_bytesThisTry = 0;
    m_answerClosed = false;
}

bool QiroChannel::takeBytes(const char *data, int size)
{
    for (int i = 0; i < size && !m_answerClosed; ++i) {
        const char c = data[i];
        // An answer starts at its "!": whatever came before it (an echo, line noise) goes.
        if (c == '!' && m_rxLength > 0) {
            std::memset(m_rx, 0, size_t(m_rxLength));
            m_rxLength = 0;
        }
        if (c == '\r' && (m_rxLength == 0 || m_rx[0] != '!')) {
            // The end of an echo or of noise, not of an answer: drop it and read on.
            std::memset(m_rx, 0, size_t(m_rxLength));
            m_rxLength = 0;
            continue;
        }
        if (m_rxLength < MaxAnswerLength)
            m_rx[m_rxLength++] = c;
        // Nothing after the answer's CR belongs to it.
        if (c == '\r')
            m_answerClosed = true;
    }
    m_rx[m_rxLength] = 0;
    m_bytesThisTry += size > 0 ? size : 0;
    return m_answerClosed || m_rxLength >= AnswerEnoughLength || m_bytesThisTry >= MaxBytesPerTry;
}

void QiroChannel::exchange()
{
    m_device->answerData.clear();
    m_device->answerText.clear();
    beginAnswer();

    if (!m_port->open(QIODevice::ReadWrite)) {
        m_linkError = LinkPortError;
        qDebug() << "OPEN ERROR";
        return;
    }
    // Bytes left from an earlier exchange are no answer to this one.
    m_port->clear(QSerialPort::Input);

    const int wait = QiroTimings::answerWaitMs.load();
    bool written = m_port->write(m_tx, m_txLength) == m_txLength;
    while (written && m_port->bytesToWrite() > 0)
        written = m_port->waitForBytesWritten(wait);
    if (!written) {
        m_linkError = LinkPortError;
        qDebug() << "WRITE ERROR";
        m_port->close();
        return;
    }

    for (;;) {
        if (m_port->bytesAvailable() <= 0 && !m_port->waitForReadyRead(wait))
            break;
        const qint64 n = m_port->read(m_chunk, BufferSize);
        if (n <= 0)
            break;
        if (takeBytes(m_chunk, int(n)))
            break;
    }
    m_port->close();
}

bool QiroChannel::fail(int linkError)
{
    m_linkError = linkError;
    m_deviceError = NoValidAnswer;
    return false;
}

bool QiroChannel::parseAnswer()
{
    if (m_linkError != LinkOk)
        return fail(m_linkError);

    // "!" fields ";" checksum, then CR. An answer without its "!" (an echo of the request,
    // whose checksum is good too) is no answer. The CR may be missing: the silence that ended
    // the reading also ends the answer, and the checksum tells whether it came whole.
    const int len = m_rxLength;
    if (len < 2 || m_rx[0] != '!')
        return fail(LinkBadAnswer);
    const int end = m_rx[len - 1] == '\r' ? len - 1 : len;
    int sep = end - 1;
    while (sep > 0 && m_rx[sep] != ';' && m_rx[sep] != ':')
        --sep;
    if (sep <= 0)
        return fail(LinkBadAnswer);
    uint32_t checksum = 0;
    if (!parseDecimal(m_rx + sep + 1, end - (sep + 1), 0xFFFF, &checksum))
        return fail(LinkBadAnswer);
    if (checksum != crc16(m_rx + 1, sep))
        return fail(LinkBadAnswer);

    // Only the checked part is split, so the checksum is never taken for a field.
    Token tokens[2];
    const int count = splitTokens(m_rx, sep + 1, tokens);
    uint32_t address = 0;
    if (count < 1 || !parseDecimal(tokens[0].text, tokens[0].size, 0xFFFFFFFFu, &address))
        return fail(LinkNoToken);
    m_device->address = int32_t(address & 0xFF);
    m_deviceError = 0;

    const Token field = count > 1 ? tokens[1] : Token();
    if (field.size > 0 && field.text[0] == '$') {
        // The transducer's error code; "$0" is success without data.
        uint32_t code = 0;
        if (!parseDecimal(field.text + 1, field.size - 1, 0xFFFFFFFFu, &code) || code > 254)
            code = NoValidAnswer;
        m_deviceError = uint8_t(code);
        if (m_command != 0)
            m_device->answerText = QByteArray(field.text, field.size);
        return true;
    }

    if (m_command == 0) {
        if (count < 2) {
            m_device->deviceType = 0;
            m_device->status = 0;
            m_device->address = 0;
            return true;
        }
        uint32_t type = 0;
        if (!parseDecimal(field.text, field.size, 0xFF, &type))
            return fail(LinkNoToken);
        m_device->deviceType = uint8_t(type);
        return true;
    }

    if (field.size % 2 != 0)
        return fail(LinkNoToken);
    for (int i = 0; i < field.size; ++i) {
        if (!isHexDigit(field.text[i]))
            return fail(LinkNoToken);
    }
    m_device->answerText = QByteArray(field.text, field.size);
    m_device->answerData = QByteArray::fromHex(m_device->answerText);
    return true;
}

bool QiroChannel::request(int command, int parameter)
{
    m_linkError = LinkOk;
    m_deviceError = 0;
    m_command = command;
    if (!buildFrame(command, parameter)) {
        m_txLength = 0;
        m_device->answerData.clear();
        m_device->answerText.clear();
        qDebug() << "FRAME TOO LONG" << payload.size();
        return fail(LinkPortError);
    }
    for (int attempt = 0; attempt < m_tries; ++attempt) {
        m_linkError = LinkOk;
        exchange();
        if (parseAnswer())
            break;
    }
    return m_linkError == LinkOk && m_deviceError == 0;
}

QString QiroChannel::errorText(uint8_t code)
{
    switch (code) {
    case 0: return QStringLiteral("Успешное завершение.");
    case 1: return QStringLiteral("Команда не найдена.");
    case 2: return QStringLiteral("Неверный формат команды.");
    case 3: return QStringLiteral("Параметр не найден.");
    case 4: return QStringLiteral("Нарушение прав доступа(полномочий).");
    case 5: return QStringLiteral("Ошибка доступа.");
    case 6: return QStringLiteral("Выход параметра за границу диапазона");
    case 7: return QStringLiteral("Файл не найден");
    case 8: return QStringLiteral("Нехватает памяти.");
    case 9: return QStringLiteral("Недопустимый идентификатор ");
    case 10: return QStringLiteral("Отсутствует место на физическом носителе.");
    case 11: return QStringLiteral("Внутренняя ошибка прибора.");
    case 12: return QStringLiteral("Ошибочный аргумент.");
    case 13: return QStringLiteral("Слишком много открытых файлов");
    default: return QStringLiteral("Неизвестный код ошибки КИРО!");
    }
}

QString QiroChannel::lastErrorText() const
{
    if (m_linkError != LinkOk)
        return QStringLiteral("Ошибка передачи");
    if (m_deviceError != 0)
        return errorText(m_deviceError);
    return QString();
}
