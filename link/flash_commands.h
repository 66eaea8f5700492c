#pragma once

#include <cstdint>

// The command bytes the driver writes to the flash chips and the status bits it
// reads back. The 4M and 16M chips take JEDEC-style unlocked commands, the 64M
// chip the Intel command set. The simulator models the chips on its own and
// keeps its own names for the same bytes.
namespace zorvex::flash_commands {

// JEDEC unlock cycles and the commands that follow them at kJedecCommandAddress.
constexpr uint16_t kJedecUnlockAddress1 = 0x5555;
constexpr uint16_t kJedecUnlockAddress2 = 0x2AAA;
constexpr uint16_t kJedecCommandAddress = 0x5555;
constexpr uint8_t kJedecUnlock1 = 0xAA;
constexpr uint8_t kJedecUnlock2 = 0x55;
constexpr uint8_t kJedecEraseSetup = 0x80;  // unlocked again, then the erase or id command
constexpr uint8_t kJedecChipErase = 0x10;
constexpr uint8_t kJedecProgram = 0xA0;         // page load follows
constexpr uint8_t kJedecProductIdEntry = 0x60;  // 4M, after the erase setup
constexpr uint8_t kJedecIdEntry = 0x90;         // 16M
constexpr uint8_t kJedecReset = 0xF0;           // leaves id mode, back to the array

// 16M status: ready, and the two failure bits (bits 2..6 clear when done well).
constexpr uint8_t kJedecStatusReady = 0x80;
constexpr uint8_t kJedecStatusEraseFailed = 0x20;
constexpr uint8_t kJedecStatusProgramFailed = 0x10;
constexpr uint8_t kJedecStatusDoneMask = 0xFC;
// 4M: DQ6 toggles on every read while an operation runs.
constexpr uint8_t kJedecToggleBit = 0x40;

// Intel command set (64M).
constexpr uint8_t kIntelReadArray = 0xFF;
constexpr uint8_t kIntelReadStatus = 0x70;
constexpr uint8_t kIntelClearStatus = 0x50;
constexpr uint8_t kIntelCfiQuery = 0x98;
constexpr uint8_t kIntelWriteToBuffer = 0xE8;
constexpr uint8_t kIntelBlockErase = 0x20;
constexpr uint8_t kIntelConfirm = 0xD0;  // ends a block erase or a buffer load
// Status register: bit 7 ready; exactly this value means ready without errors.
// In the extended status read after kIntelWriteToBuffer, bit 7 means the
// buffer is free.
constexpr uint8_t kIntelStatusReady = 0x80;

// The CFI query answers "QRY" at words 0x10..0x12.
constexpr uint32_t kCfiSignatureWord = 0x10;
constexpr char kCfiSignature[] = "QRY";

}  // namespace zorvex::flash_commands
