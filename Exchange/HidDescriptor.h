#pragma once

#include <cstddef>
#include <cstdint>

namespace vorta {

// The longest feature report a HID report descriptor declares, in bytes,
// with the report id byte in front (as the Windows capabilities count it);
// 0 when it declares none, -1 when the descriptor is malformed.
int featureReportLength(const uint8_t *descriptor, size_t size);

} // namespace vorta
