#include "HidDescriptor.h"

#include <map>

namespace vorta {

namespace {

struct Globals
{
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

constexpr int MaxPushDepth = 16;
// A report longer than this is no report of a real device.
constexpr uint64_t MaxReportBits = 8 * 65536;

} // namespace

int featureReportLength(const uint8_t *descriptor, size_t size)
{
    Globals globals;
    Globals stack[MaxPushDepth];
    int depth = 0;
    std::map<uint32_t, uint64_t> featureBits;

    size_t i = 0;
    while (i < size) {
        const uint8_t prefix = descriptor[i++];
        if (prefix == 0xFE) {
            // Long item: size, tag, data; nothing we need.
            if (i + 2 > size)
                return -1;
            const size_t dataSize = descriptor[i];
            i += 2;
            if (dataSize > size - i)
                return -1;
            i += dataSize;
            continue;
        }
        size_t dataSize = prefix & 3;
        if (dataSize == 3)
            dataSize = 4;
        if (dataSize > size - i)
            return -1;
        uint32_t value = 0;
        for (size_t b = 0; b < dataSize; ++b)
            value |= static_cast<uint32_t>(descriptor[i + b]) << (8 * b);
        i += dataSize;

        const int type = (prefix >> 2) & 3;
        const int tag = prefix >> 4;
        if (type == 1) {
            switch (tag) {
            case 7:
                globals.reportSize = value;
                break;
            case 8:
                globals.reportId = value;
                break;
            case 9:
                globals.reportCount = value;
                break;
            case 10:
                if (depth == MaxPushDepth)
                    return -1;
                stack[depth++] = globals;
                break;
            case 11:
                if (depth == 0)
                    return -1;
                globals = stack[--depth];
                break;
            default:
                break;
            }
        } else if (type == 0 && tag == 11) {
            uint64_t &bits = featureBits[globals.reportId];
            bits += static_cast<uint64_t>(globals.reportSize) * globals.reportCount;
            if (bits > MaxReportBits)
                return -1;
        }
    }

    uint64_t longest = 0;
    for (const auto &entry : featureBits) {
        if (entry.second > longest)
            longest = entry.second;
    }
    if (longest == 0)
        return 0;
    return static_cast<int>((longest + 7) / 8 + 1);
}

} // namespace vorta
