// The report descriptor parser on arbitrary bytes.

#include "HidDescriptor.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int length = vorta::featureReportLength(data, size);
    if (length < -1 || length > 65536 + 1)
        __builtin_trap();
    return 0;
}
