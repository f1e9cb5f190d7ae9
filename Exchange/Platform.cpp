#include "Platform.h"

namespace vorta {

namespace {
Platform *current = nullptr;
}

Platform &platform()
{
    return current ? *current : nativePlatform();
}

void setPlatform(Platform *replacement)
{
    current = replacement;
}

} // namespace vorta
