#pragma once

#include <cstdint>

namespace zorvex::sim {

// What one write cycle did to the unlock sequence of a JEDEC-style chip.
enum class UnlockStep : uint8_t {
    Waiting,  // an unlock cycle was taken, or a stray cycle changed nothing
    Broken,   // the sequence broke off before its command
    Reset,    // the read-array reset, which needs no unlock
    Command,  // the cycle is the unlocked command, at the first address
};

// The unlock decoder the 4M and 16M chips share: Unlock1 at the first address,
// Unlock2 at the second, then the command at the first address again. The
// caller passes the address the chip compares (the 4M chip's linear address,
// the 16M chip's word address).
class JedecUnlock {
  public:
    UnlockStep Take(uint32_t address, uint8_t value);
    void Clear() { step_ = 0; }

  private:
    int step_ = 0;  // 0, 1 (saw AA at 5555), 2 (then 55 at 2AAA)
};

}  // namespace zorvex::sim
