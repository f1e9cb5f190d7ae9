#pragma once

// The hidraw devices as sysfs describes them.

#include <cstdint>
#include <string>
#include <vector>

namespace vorta {

struct HidrawEntry
{
    std::string node;       // the device file, such as /dev/hidraw0
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    int featureLength = -1; // -1 when the report descriptor could not be read
};

// One hidraw device by its name (hidraw0) under sysfsRoot/class/hidraw.
bool readHidrawEntry(const std::string &sysfsRoot, const std::string &devRoot, const std::string &name,
                     HidrawEntry &entry);
// Every hidraw device, in the order of its number.
std::vector<HidrawEntry> scanHidraw(const std::string &sysfsRoot, const std::string &devRoot);

} // namespace vorta
