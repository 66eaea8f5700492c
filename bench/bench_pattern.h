#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes without runs or repeats (xorshift), so that no transfer benefits from
// a chip's erased state or from equal neighbours.
inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    uint32_t x = seed | 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return out;
}
