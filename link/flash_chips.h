#pragma once

#include <cstdint>

// The flash chips the driver can find on an Ombra Card, as data. Detection,
// the card's capacity, the save-bank count OpenCard reports and the
// programmer that writes each chip all come from here.
namespace zorvex {

class ChipProgrammer;

// The identified chip; the code is the chip size in Mbit.
enum FlashType : uint8_t { FlashNone = 0, Flash4M = 4, Flash16M = 16, Flash64M = 64 };

struct FlashChipSpec {
    FlashType type;
    // What identification must read back: the product-id bytes (4M), the id
    // words 0 and 1 (16M), or the first two words of the CFI query (64M).
    uint8_t manufacturerId;
    uint8_t deviceId;
    int32_t capacity;  // bytes of flash, and so the largest image the card takes
    int saveBanks;     // 8 KiB save-RAM banks of a card with this chip
    int programUnit;   // bytes loaded per program operation: a page or a write buffer
    // Writes of one page before the bank fails. The 64M chip is not retried:
    // each bank is verified once, right after it is written.
    int programAttempts;
    int32_t eraseBlock;  // bytes per erase block; 0 = the chip erases as a whole
    // A send starts with a whole-chip erase when this is not 0: its typical
    // time, for the progress display. The 16M chip: 16 sectors of 1.3 s
    // typical each (see its status poll's bound). The others erase as they
    // program (4M) or block by block (64M).
    uint32_t typicalChipEraseMs;
    // Identifies, erases and programs this chip.
    const ChipProgrammer& (*programmer)();
};

const ChipProgrammer& Jedec4MProgrammer();
const ChipProgrammer& Jedec16MProgrammer();
const ChipProgrammer& Intel64MProgrammer();

// Identification tries the rows in this order.
inline constexpr FlashChipSpec kFlashChips[] = {
    {Flash4M, 0xDA, 0x46, 0x80000, 4, 256, 16, 0, 0, &Jedec4MProgrammer},
    {Flash16M, 0xC2, 0xF1, 0x200000, 16, 128, 3, 0, 20800, &Jedec16MProgrammer},
    {Flash64M, 0x89, 0x15, 0x800000, 16, 32, 1, 0x20000, 0, &Intel64MProgrammer},
};

// The entry of a chip code; nullptr for FlashNone and unknown codes.
constexpr const FlashChipSpec* FindFlashChip(uint8_t type) {
    for (const FlashChipSpec& chip : kFlashChips) {
        if (chip.type == type) return &chip;
    }
    return nullptr;
}

// The entry of one of the three chips, for code that names the chip it handles.
constexpr const FlashChipSpec& ChipSpec(FlashType type) {
    return *FindFlashChip(type);
}

}  // namespace zorvex
