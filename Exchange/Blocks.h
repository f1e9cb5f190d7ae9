#pragma once

#include <cstdint>

namespace vorta {

// Splits a memory job of count bytes at address into whole blocks of blockSize, then the
// remainder; block(at, offset, n) moves n bytes at device address at, offset bytes into the
// caller's buffer. The first failed block ends the job; an empty job fails. Address is the
// width of the transport's addresses, which wrap within it.
template <typename Address, typename Block>
bool runBlocks(Address address, unsigned count, unsigned blockSize, Block block)
{
    if (count == 0 || blockSize == 0)
        return false;
    const unsigned whole = count / blockSize;
    for (unsigned i = 0; i < whole; ++i) {
        if (!block(static_cast<Address>(address + i * blockSize), i * blockSize, blockSize))
            return false;
    }
    const unsigned rest = count % blockSize;
    if (rest != 0)
        return block(static_cast<Address>(address + count - rest), count - rest, rest);
    return true;
}

} // namespace vorta
