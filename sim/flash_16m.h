#pragma once

#include <array>

#include "sim/flash_chip.h"
#include "sim/jedec_unlock.h"

namespace zorvex::sim {

// The 16 Mbit chip (ids 0xC2/0xF1): a word-wide part on a byte bus, so its
// command addresses 0x5555/0x2AAA are the byte addresses 0xAAAA/0x5554 and its
// ids sit at bytes 0 and 2. 128-byte page program (the page must be erased:
// a bit that would have to rise fails the program), chip erase, reset, and a
// status byte shown after every program or erase until reset:
// bit 7 ready, bit 5 erase failed, bit 4 program failed.
class Flash16MChip final : public FlashChip {
  public:
    Flash16MChip();
    void PowerOn() override;

    bool inStatusMode() const { return mode_ == Mode::Status; }

  protected:
    uint8_t ReadSlow(uint32_t linear) override;
    void WriteCycle(uint32_t linear, uint8_t value) override;

  private:
    enum class Mode : uint8_t { Array, Id, PageLoad, Status };
    void Unlocked(uint8_t command);
    void Reset();
    void StartPageProgram();

    Mode mode_ = Mode::Array;
    JedecUnlock unlock_;
    uint8_t status_ = 0x80;
    uint8_t pendingFail_ = 0;  // failure bits shown once the operation ends
    uint32_t pageBase_ = 0;
    bool pageStarted_ = false;
    std::array<uint8_t, 128> page_{};
    std::array<bool, 128> loaded_{};
};

}  // namespace zorvex::sim
