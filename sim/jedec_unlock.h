#pragma once

#include <cstdint>

namespace zorvex::sim {

// What one write cycle means to a JEDEC-style chip, after the unlock decoder.
enum class UnlockStep : uint8_t {
    Waiting,  // part of a sequence, a broken sequence, or a stray cycle
    Reset,    // the read-array reset, which needs no unlock
    Command,  // the cycle is the unlocked command, at the first address
};

// The command decoder the 4M and 16M chips share: Unlock1 at the first
// address, Unlock2 at the second, then the command at the first address again.
// The erase setup command is the first half of a two-command sequence, so the
// decoder remembers it until the next command or a broken sequence. The caller
// passes the address the chip compares (the 4M chip's linear address, the 16M
// chip's word address).
class JedecUnlock {
  public:
    UnlockStep Take(uint32_t address, uint8_t value);
    // Whether the command just taken came right after an erase setup.
    bool afterEraseSetup() const { return afterEraseSetup_; }
    void Clear() {
        step_ = 0;
        eraseSetup_ = false;
    }

  private:
    int step_ = 0;             // 0, 1 (saw AA at 5555), 2 (then 55 at 2AAA)
    bool eraseSetup_ = false;  // 80 was the last unlocked command
    bool afterEraseSetup_ = false;
};

}  // namespace zorvex::sim
