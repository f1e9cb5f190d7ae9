// The serial answer parser on arbitrary bytes, fed in arbitrary pieces.

#include "SerialFrame.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string received;
    size_t i = 0;
    while (i < size) {
        // One byte gives the length of the next piece.
        const size_t piece = data[i++] % 32;
        const size_t n = piece < size - i ? piece : size - i;
        received.append(reinterpret_cast<const char *>(data + i), n);
        i += n;
        std::string answer;
        if (vorta::parseAnswer(received, answer) == vorta::FrameStatus::Good) {
            if (answer.empty() || (answer[0] != '!' && answer[0] != '?'))
                __builtin_trap();
            for (size_t k = 0; k + 1 < answer.size(); k += 2) {
                uint8_t byte;
                vorta::decodeHexPair(answer[k], answer[k + 1], byte);
            }
        }
    }
    return 0;
}
