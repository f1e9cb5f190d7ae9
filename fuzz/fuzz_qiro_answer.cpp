// Feeds arbitrary bytes to the QIRO channel's answer side: the read loop's buffering and
// the parser. The first byte picks the command (and, with bit 7, has the harness close
// the rest with its correct checksum and CR, so the fuzzer gets past the check), the
// second the size of each read.
#include "Devices/QiroChannel.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QiroChannel channel;
    static QiroDevice device;
    if (size < 2)
        return 0;
    static const int Commands[] = {0, 37, 38, 199};
    channel.setDevice(&device);
    channel.setCommand(Commands[data[0] % 4]);
    const bool closeWithChecksum = data[0] & 0x80;
    const size_t step = size_t(data[1] % 64) + 1;
    data += 2;
    size -= 2;
    QByteArray framed;
    if (closeWithChecksum && size > 0) {
        framed = QByteArray(reinterpret_cast<const char *>(data), int(size));
        framed += QByteArray::number(QiroChannel::crc16(framed.constData() + 1, framed.size() - 1)) + '\r';
        data = reinterpret_cast<const uint8_t *>(framed.constData());
        size = size_t(framed.size());
    }

    channel.beginAnswer();
    for (size_t at = 0; at < size; at += step) {
        const size_t n = size - at < step ? size - at : step;
        if (channel.takeBytes(reinterpret_cast<const char *>(data + at), int(n)))
            break;
    }
    const QByteArray kept = channel.answer();
    if (kept.size() > QiroChannel::MaxAnswerLength)
        std::abort();

    const bool final = channel.parseAnswer();
    if (final != (channel.linkError() == QiroChannel::LinkOk))
        std::abort();
    if (!final && channel.deviceError() != QiroChannel::NoValidAnswer)
        std::abort();
    if (device.address < 0 || device.address > 255)
        std::abort();
    // Good data is whole bytes of hexadecimal text.
    if (final && !device.answerText.startsWith('$') && device.answerData.size() * 2 != device.answerText.size())
        std::abort();
    device.answerData.clear();
    device.answerText.clear();
    return 0;
}
