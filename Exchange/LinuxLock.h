#pragma once

#include <string>

namespace vorta {

// Where the lock files live, and the file of one port or serial name.
std::string lockFolder();
std::string lockFileName(const std::string &name);

} // namespace vorta
