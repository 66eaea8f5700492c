#pragma once

#include <cstdint>

// The card's four registers, the mode values written to register 2, the
// control-port values of the cycles, the mapper's bus addresses and the page
// addressing of a bank, shared by every command sequence so each reads in the
// card's own terms.
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

// The only values written to the control port. Bits 0, 1 and 3 are inverted at
// the connector, so a set bit asserts the line.
constexpr uint8_t kControlRead = 0x00;        // nothing asserted: idle, and set before reads
constexpr uint8_t kControlWrite = 0x01;       // nStrobe: write direction
constexpr uint8_t kControlAddrStrobe = 0x09;  // SPP: nStrobe + nSelectIn
constexpr uint8_t kControlDataStrobe = 0x03;  // SPP: nStrobe + nAutoFd
constexpr uint8_t kControlReadLow = 0x02;     // SPP: nAutoFd, nInit low: low nibble
constexpr uint8_t kControlReadHigh = 0x06;    // SPP: nAutoFd, nInit high: high nibble
constexpr uint8_t kControlReleased = 0x04;    // nothing asserted, nInit high
// Written to the status port on engaging: bit 0 there is the EPP time-out flag.
constexpr uint8_t kClearEppTimeout = 0x01;

// What the echo probe writes to the two address registers and expects back.
constexpr uint8_t kEchoHigh = 0x12;
constexpr uint8_t kEchoLow = 0x34;

// The monochrome adapter's port has no EPP: detection drives a card there only
// in SPP, and never tries the EPP echo.
constexpr uint16_t kSppOnlyBase = 0x3BC;

// Cartridge-bus addresses of the mapper, as a Game Boy program uses them.
constexpr uint16_t kBusRamEnable = 0x0000;    // also the start of bank 0
constexpr uint16_t kBusRomBankLow = 0x2000;   // ROM bank bits 0..7
constexpr uint16_t kBusRomBankHigh = 0x3000;  // ROM bank bits 8 and up
constexpr uint16_t kBusRamBank = 0x4000;      // save-RAM bank; also the banked ROM window
constexpr uint16_t kBusSaveRam = 0xA000;      // the selected 8 KiB save-RAM bank

// High address byte of a 256-byte page of a bank: bank 0 is reached at
// 0x0000-0x3FFF, every other bank through the window at 0x4000.
constexpr uint8_t PageHigh(int bank, int page) {
    return static_cast<uint8_t>(bank != 0 ? page | 0x40 : page);
}

// The 256-byte page of a linear flash address within its 16 KiB bank.
constexpr int PageOf(uint32_t linear) {
    return static_cast<int>((linear >> 8) & 0x3F);
}

}  // namespace zorvex::card_registers
