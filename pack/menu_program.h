#pragma once

#include <cstdint>
#include <vector>

namespace zorvex {

inline constexpr int kMenuProgramSize = 0x8000;

// A minimal stand-in for the pack menu program "dizavo.gb": a valid 32 KiB
// Game Boy image (logo, a title beginning with "DIZAVO", correct checksums)
// whose code waits for the vertical blank, sets the palette and idles while
// the boot logo stays on screen. It lets demos and tests build packs; real
// cards come with their own menu program.
std::vector<uint8_t> MakeMenuProgram();

}  // namespace zorvex
