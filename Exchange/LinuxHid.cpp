#include "LinuxHid.h"

#include "HidDescriptor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>

namespace vorta {

namespace {

bool readFile(const std::string &path, std::string &content, size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    content.clear();
    char chunk[4096];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        content.append(chunk, static_cast<size_t>(in.gcount()));
        if (content.size() > limit)
            return false;
    }
    return true;
}

// HID_ID=0003:00003412:00001001 (bus, vendor, product).
bool parseHidId(const std::string &uevent, uint16_t &vendorId, uint16_t &productId)
{
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, 7, "HID_ID=") != 0)
            continue;
        unsigned bus = 0;
        unsigned long vendor = 0;
        unsigned long product = 0;
        char tail = 0;
        if (std::sscanf(line.c_str() + 7, "%x:%lx:%lx%c", &bus, &vendor, &product, &tail) != 3)
            return false;
        if (vendor > 0xFFFF || product > 0xFFFF)
            return false;
        vendorId = static_cast<uint16_t>(vendor);
        productId = static_cast<uint16_t>(product);
        return true;
    }
    return false;
}

bool isHidrawName(const std::string &name)
{
    if (name.compare(0, 6, "hidraw") != 0 || name.size() == 6)
        return false;
    return std::all_of(name.begin() + 6, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool readHidrawEntry(const std::string &sysfsRoot, const std::string &devRoot, const std::string &name,
                     HidrawEntry &entry)
{
    if (!isHidrawName(name))
        return false;
    const std::string device = sysfsRoot + "/class/hidraw/" + name + "/device/";
    std::string uevent;
    if (!readFile(device + "uevent", uevent, 65536))
        return false;
    entry = HidrawEntry();
    if (!parseHidId(uevent, entry.vendorId, entry.productId))
        return false;
    std::string descriptor;
    if (readFile(device + "report_descriptor", descriptor, 65536))
        entry.featureLength =
            featureReportLength(reinterpret_cast<const uint8_t *>(descriptor.data()), descriptor.size());
    entry.node = devRoot + "/" + name;
    return true;
}

std::vector<HidrawEntry> scanHidraw(const std::string &sysfsRoot, const std::string &devRoot)
{
    std::vector<std::string> names;
    if (DIR *dir = opendir((sysfsRoot + "/class/hidraw").c_str())) {
        while (dirent *e = readdir(dir)) {
            if (isHidrawName(e->d_name))
                names.push_back(e->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return std::strtoul(a.c_str() + 6, nullptr, 10) < std::strtoul(b.c_str() + 6, nullptr, 10);
    });
    std::vector<HidrawEntry> entries;
    for (const std::string &name : names) {
        HidrawEntry entry;
        if (readHidrawEntry(sysfsRoot, devRoot, name, entry))
            entries.push_back(entry);
    }
    return entries;
}

} // namespace vorta
