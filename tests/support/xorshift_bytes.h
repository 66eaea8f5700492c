#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zorvex::test {

// Bytes without runs or repeats (xorshift), so that no transfer benefits from
// a chip's erased state or from equal neighbours. A state of zero would give
// only zeros.
inline std::vector<uint8_t> XorshiftBytes(size_t size, uint32_t state) {
    std::vector<uint8_t> out(size);
    for (auto& b : out) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<uint8_t>(state);
    }
    return out;
}

}  // namespace zorvex::test
