#pragma once

#include <cstdint>

// The JEDEC-style command bytes that the simulated 4M and 16M chips decode.
// The driver names the same bytes on its own side; the model keeps its own
// names so that a wrong byte in either shows up as a failing test instead of
// being shared by both.
namespace zorvex::sim::jedec {

// Unlock cycles: Unlock1 at the first address, Unlock2 at the second, then the
// command at the first address again.
inline constexpr uint32_t kFirstAddress = 0x5555;
inline constexpr uint32_t kSecondAddress = 0x2AAA;

enum Command : uint8_t {
    Unlock1 = 0xAA,
    Unlock2 = 0x55,
    EraseSetup = 0x80,  // unlocked again, then ChipErase (or the 4M id entry)
    ChipErase = 0x10,
    Program = 0xA0,         // a page load follows
    ProductIdEntry = 0x60,  // 4M, after EraseSetup
    IdEntry = 0x90,         // 16M
    Reset = 0xF0,           // read array; accepted without unlock too
};

}  // namespace zorvex::sim::jedec
