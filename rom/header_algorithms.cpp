#include <zlib.h>

#include <cstring>

#include "rom/byte_sum.h"
#include "rom/rom_image.h"

namespace zorvex {

const std::array<uint8_t, 48> kNintendoLogo = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};

uint32_t Crc32(const uint8_t* data, size_t length) {
    return static_cast<uint32_t>(crc32_z(0L, data, length));
}

bool HasNintendoLogo(const uint8_t* image) {
    return std::memcmp(image + 0x104, kNintendoLogo.data(), kNintendoLogo.size()) == 0;
}

uint8_t UsedSizeCode(const uint8_t* image, int32_t length) {
    const uint8_t fill = image[length - 1];
    int32_t p = length - 1;
    while (p > 0) {
        --p;
        if (image[p] != fill) break;
    }
    const int64_t used = static_cast<int64_t>(p) + 1;
    for (int n = 14; n >= 0; --n)
        if (used > (int64_t{0x8000} << n)) return static_cast<uint8_t>(n + 1);
    return 0;
}

uint8_t HeaderChecksum(const uint8_t* image) {
    uint8_t x = 0xD3;
    for (int i = 0x104; i <= 0x14C; ++i) x = static_cast<uint8_t>(x + image[i]);
    return static_cast<uint8_t>(256 - x);
}

uint16_t GlobalChecksum(const uint8_t* image, size_t length) {
    uint64_t sum = ByteSum(image, length);
    if (length > 0x14E) sum -= image[0x14E];
    if (length > 0x14F) sum -= image[0x14F];
    return static_cast<uint16_t>(sum);
}

}  // namespace zorvex
