#pragma once

#include "Devices/QiroCrc.h"
#include "Devices/QiroDevice.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

class QSerialPort;

// One QIRO request at a time over a serial port: builds the frame, sends it, reads the
// answer and checks it, and stores what it carried in the bound QiroDevice. The port is
// open only during a try, so other programs may use it between requests. Belongs to the
// thread that created it.
class QiroChannel
{
public:
    static constexpr int BufferSize = 256;
    // One byte of the buffer stays for the terminator, whatever the transducer sends.
    static constexpr int MaxAnswerLength = BufferSize - 1;
    // The longest answer of the protocol is shorter; the read stops once this much is kept.
    static constexpr int AnswerEnoughLength = 128;
    // A try stops reading after this many bytes, kept or dropped, so a flood cannot hold it.
    static constexpr int MaxBytesPerTry = 1024;
    static constexpr int DefaultTries = 2;

    enum LinkError {
        LinkOk = 0,
        LinkNoToken = 4,      // the answer holds no usable token
        LinkBadAnswer = 6,    // no answer, too short, not a frame, or a checksum mismatch
        LinkPortError = 9     // the port failed to open, or the frame was not sent whole
    };
    static constexpr uint8_t NoValidAnswer = 255;

    explicit QiroChannel(const QString &portName = QString());
    ~QiroChannel();
    QiroChannel(const QiroChannel &) = delete;
    QiroChannel &operator=(const QiroChannel &) = delete;

    // Binds the record that answers go to; null binds the channel's own record.
    void setDevice(QiroDevice *device);
    QiroDevice *device() const { return m_device; }

    // Closes the port, then takes the new name; the port stays closed.
    void setPortName(const QString &name);
    QString portName() const;
    bool probePort();

    // One full request with up to tries() attempts. True when the transducer answered
    // without error; the answer is then in the device's answer data and text.
    bool request(int command, int parameter);

    static QString errorText(uint8_t code);
    QString lastErrorText() const;

    uint8_t deviceError() const { return m_deviceError; }
    int linkError() const { return m_linkError; }
    int command() const { return m_command; }
    int tries() const { return m_tries; }

    // The frame of the request in hand, and the answer of the last try as kept.
    QByteArray frame() const { return QByteArray(m_tx, m_txLength); }
    QByteArray answer() const { return QByteArray(m_rx, m_rxLength); }

    // CRC-16/MODBUS.
    static uint16_t crc16(const char *data, int size) { return qiroCrc16(data, size); }

    // The answer side of a try, without the port: the read loop feeds every read to
    // takeBytes(), which returns true once the answer is complete or the reading must
    // stop; a silence of the answer wait stops it too. parseAnswer() then checks what was
    // held for the command in hand and returns true when no further try is needed.
    void beginAnswer();
    bool takeBytes(const char *data, int size);
    bool parseAnswer();
    // Only for feeding answers without a port.
    void setCommand(int command) { m_command = command; }

    // The data of the next write (command 38); the caller fills it before the request.
    QByteArray payload;

private:
    bool buildFrame(int command, int parameter);
    void exchange();
    bool fail(int linkError);

    std::unique_ptr<QSerialPort> m_port;
    // Allocated once, each a block of its own, so that a sanitizer guards its bounds.
    std::unique_ptr<char[]> m_txBuffer;
    std::unique_ptr<char[]> m_rxBuffer;
    std::unique_ptr<char[]> m_chunkBuffer;
    char *m_tx;
    char *m_rx;
    char *m_chunk;
    int m_txLength = 0;
    int m_rxLength = 0;
    int m_bytesThisTry = 0;
    bool m_answerClosed = false;
    QiroDevice m_ownDevice;
    QiroDevice *m_device = &m_ownDevice;
    uint8_t m_deviceError = 0;
    int32_t m_linkError = LinkOk;
    int32_t m_command = 0;
    int32_t m_tries = DefaultTries;
};
