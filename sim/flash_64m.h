#pragma once

#include <array>

#include "sim/flash_chip.h"

namespace zorvex::sim {

// The 64 Mbit Intel-style chip (x16 part on a byte bus, so word j of the query
// and identifier tables appears at byte address 2 × j). Commands: 0xFF read
// array, 0x70 read status, 0x50 clear status, 0x90 identifier, 0x98 CFI query,
// 0xE8 write to buffer (count − 1, up to 32 data bytes, 0xD0 confirm; reads in
// between show the extended status, bit 7 = buffer available), 0x20/0xD0
// erase of the 128 KiB block. Status: bit 7 ready, bit 5 erase error, bit 4
// program error (both kept until 0x50). Unknown commands return to read array.
class Flash64MChip final : public FlashChip {
  public:
    static constexpr uint32_t kBlockSize = 0x20000;
    static constexpr uint32_t kBufferSize = 32;

    Flash64MChip();
    void PowerOn() override;

    // The query table (word j at byte 2 × j); tests may alter it.
    std::array<uint8_t, 64>& cfiTable() { return cfi_; }
    // Error bits 4 and 5 as the chip keeps them.
    uint8_t errorBits() const { return status_; }
    bool inArrayReadMode() const { return readMode_ == ReadMode::Array; }

  protected:
    uint8_t ReadSlow(uint32_t linear) override;
    void WriteCycle(uint32_t linear, uint8_t value) override;

  private:
    enum class ReadMode : uint8_t { Array, Status, ExtendedStatus, Identifier, Query };
    enum class Pending : uint8_t { None, EraseConfirm, BufferCount, BufferData, BufferConfirm };
    void SetReadMode(ReadMode mode);
    void Command(uint32_t linear, uint8_t value);
    void ProgramBuffer();
    void EraseBlock(uint32_t linear);

    std::array<uint8_t, 64> cfi_{};
    ReadMode readMode_ = ReadMode::Array;
    Pending pending_ = Pending::None;
    uint8_t status_ = 0;  // error bits only; bit 7 follows busy()
    uint32_t eraseAddress_ = 0;
    uint32_t bufferCount_ = 0;
    uint32_t bufferLoaded_ = 0;
    std::array<uint32_t, kBufferSize> bufferAddress_{};
    std::array<uint8_t, kBufferSize> bufferData_{};
};

}  // namespace zorvex::sim
