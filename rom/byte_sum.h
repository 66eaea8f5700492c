#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zorvex {

// The plain sum of a run of bytes, fast enough to ride along with the CRC over
// the same buffer.
inline uint64_t ByteSum(const uint8_t* data, size_t length) {
    uint64_t total = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = zero;  // two 64-bit sums
    for (; i + 16 <= length; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        lanes = _mm_add_epi64(lanes, _mm_sad_epu8(v, zero));
    }
    total = static_cast<uint64_t>(_mm_cvtsi128_si64(lanes)) +
            static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lanes, lanes)));
#else
    // Bytes pairwise into four 16-bit lanes of a word; 128 words per block keep
    // each lane below 128 * 2 * 255 < 65536.
    constexpr uint64_t kLow = 0x00FF00FF00FF00FFull;
    while (length - i >= 8) {
        size_t words = (length - i) / 8;
        if (words > 128) words = 128;
        uint64_t acc = 0;
        for (size_t w = 0; w < words; ++w, i += 8) {
            uint64_t v;
            std::memcpy(&v, data + i, 8);
            acc += (v & kLow) + ((v >> 8) & kLow);
        }
        acc = (acc & 0x0000FFFF0000FFFFull) + ((acc >> 16) & 0x0000FFFF0000FFFFull);
        total += (acc & 0xFFFFFFFFull) + (acc >> 32);
    }
#endif
    for (; i < length; ++i) total += data[i];
    return total;
}

}  // namespace zorvex
