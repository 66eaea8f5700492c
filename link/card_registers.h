#pragma once

#include <cstdint>

// The card's four registers, the mode values written to register 2 and the
// page addressing of a bank, shared by every command sequence so each reads in
// the card's own terms.
namespace zorvex::card_registers {

constexpr uint8_t kRegAddressLow = 0;
constexpr uint8_t kRegAddressHigh = 1;
constexpr uint8_t kRegMode = 2;
constexpr uint8_t kRegData = 3;

// Mode values. Bit 0 makes the card advance the address after each data
// access; bit 1 turns data writes into flash write cycles.
constexpr uint8_t kModeReleased = 0x00;
constexpr uint8_t kModeSingle = 0x80;
constexpr uint8_t kModeBlock = 0x81;
constexpr uint8_t kModeFlashWrite = 0x82;
constexpr uint8_t kModeBlockFlashWrite = 0x83;

// Control port values around data-register accesses.
constexpr uint8_t kControlRead = 0x00;
constexpr uint8_t kControlWrite = 0x01;

// High address byte of a 256-byte page of a bank: bank 0 is reached at
// 0x0000-0x3FFF, every other bank through the window at 0x4000.
constexpr uint8_t PageHigh(int bank, int page) {
    return static_cast<uint8_t>(bank != 0 ? page | 0x40 : page);
}

}  // namespace zorvex::card_registers
