#pragma once

#include <array>

#include "sim/flash_chip.h"
#include "sim/jedec_unlock.h"

namespace zorvex::sim {

// The 4 Mbit chip (ids 0xDA/0x46): JEDEC unlock cycles at 0x5555/0x2AAA (the
// chip compares the whole address, so they reach it only through their bank),
// product-id mode, 256-byte page writes that erase the page before programming
// it, DQ6 toggling while busy, chip erase.
class Flash4MChip final : public FlashChip {
  public:
    Flash4MChip();
    void PowerOn() override;

    bool inProductIdMode() const { return mode_ == Mode::ProductId; }

  protected:
    uint8_t ReadSlow(uint32_t linear) override;
    void WriteCycle(uint32_t linear, uint8_t value) override;

  private:
    enum class Mode : uint8_t { Array, ProductId, PageLoad, Busy };
    void Unlocked(uint8_t command);
    void StartPageProgram();

    Mode mode_ = Mode::Array;
    Mode afterBusy_ = Mode::Array;
    JedecUnlock unlock_;
    uint32_t pageBase_ = 0;
    bool pageStarted_ = false;
    std::array<uint8_t, 256> page_{};
    std::array<bool, 256> loaded_{};
    uint8_t lastLoaded_ = 0xFF;
    uint8_t toggle_ = 0;
};

}  // namespace zorvex::sim
