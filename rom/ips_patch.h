#pragma once

#include <cstddef>
#include <cstdint>

namespace zorvex {

// What applying an IPS patch came to.
enum class IpsOutcome {
    Applied,     // the "EOF" marker was reached; every record lay inside the image
    Error,       // a record is cut off, or the patch ends without "EOF"
    OutOfRange,  // a record reaches past the end of the image
};

// True when the data starts with the "PATCH" magic.
bool IsIpsPatch(const uint8_t* patch, size_t patchLength);

// Applies the records that follow the 5-byte magic (which is not checked here)
// to the image. The patch never grows the image. The outcome is decided by the
// first record that fails; the image is changed only when the outcome is
// Applied, so a caller that keeps it after a failure keeps the original bytes.
IpsOutcome ApplyIpsPatch(const uint8_t* patch, size_t patchLength, uint8_t* image,
                         size_t imageLength);

}  // namespace zorvex
