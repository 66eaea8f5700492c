#include "rom/ips_patch.h"

#include <cstring>

namespace zorvex {

namespace {

constexpr size_t kMagicLength = 5;

// Walks the records; writes to the image only when apply is set. All sums are
// taken in 64 bits, so a 24-bit offset plus a 16-bit size cannot wrap.
IpsOutcome Walk(const uint8_t* patch, uint64_t end, uint8_t* image, uint64_t imageLength,
                bool apply) {
    uint64_t p = kMagicLength;
    for (;;) {
        if (p + 3 > end) return IpsOutcome::Error;
        if (std::memcmp(patch + p, "EOF", 3) == 0) return IpsOutcome::Applied;
        uint64_t offset = uint64_t{patch[p]} << 16 | uint64_t{patch[p + 1]} << 8 | patch[p + 2];
        if (p + 5 > end) return IpsOutcome::Error;
        uint64_t size = uint64_t{patch[p + 3]} << 8 | patch[p + 4];
        if (size != 0) {
            if (p + 5 + size > end) return IpsOutcome::Error;
            if (offset + size > imageLength) return IpsOutcome::OutOfRange;
            if (apply) std::memcpy(image + offset, patch + p + 5, size);
            p += 5 + size;
        } else {
            if (p + 8 > end) return IpsOutcome::Error;
            uint64_t runLength = uint64_t{patch[p + 5]} << 8 | patch[p + 6];
            uint8_t value = patch[p + 7];
            if (offset + runLength > imageLength) return IpsOutcome::OutOfRange;
            if (apply && runLength != 0) std::memset(image + offset, value, runLength);
            p += 8;
        }
    }
}

}  // namespace

bool IsIpsPatch(const uint8_t* patch, size_t patchLength) {
    return patchLength >= kMagicLength && std::memcmp(patch, "PATCH", kMagicLength) == 0;
}

IpsOutcome ApplyIpsPatch(const uint8_t* patch, size_t patchLength, uint8_t* image,
                         size_t imageLength) {
    // Checking every record first leaves the image untouched on any failure.
    IpsOutcome outcome = Walk(patch, patchLength, image, imageLength, false);
    if (outcome == IpsOutcome::Applied) Walk(patch, patchLength, image, imageLength, true);
    return outcome;
}

}  // namespace zorvex
