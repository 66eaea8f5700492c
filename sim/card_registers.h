#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/cartridge_bus.h"
#include "sim/violation_log.h"

namespace zorvex::sim {

// The card's register file as its parallel-port side sees it, independent of
// whether the cycles arrived over SPP or EPP:
//   0 bus address bits 0..7, 1 bus address bits 8..15 (both read back),
//   2 mode register, 3 bus data (a cartridge-bus cycle at the address in 0/1).
// The modes 0x80..0x83 drive the bus; mode bit 1 turns register-3 writes into
// flash writes; bit 0 advances the low address byte (register 0, wrapping
// within its 256-byte page) after each register-3 data cycle. Mode 0x00 is the
// released card, and so is any value the card does not know: register 3 starts
// no bus cycle and reads float high.
//
// Save RAM answers only after the whole enable sequence, right after the card
// was engaged (mode 0x00, then a bus mode): single writes 0x0A and 0xC0 at
// 0x0000, 0xA0 at 0xA000, 0xC0 at 0xA100, 0x0A at 0x0000. Anything else on the
// way leaves it disabled until the next engage, and so does a later write at
// 0x0000-0x1FFF: then 0xA000-0xBFFF read open bus and take no writes.
class CardRegisters {
  public:
    CardRegisters() = default;
    explicit CardRegisters(CartridgeBus* bus) { SetBus(bus); }
    CardRegisters(const CardRegisters&) = delete;
    CardRegisters& operator=(const CardRegisters&) = delete;

    // nullptr plugs in the built-in empty slot. The bus is not owned.
    void SetBus(CartridgeBus* bus) { bus_ = bus ? bus : &empty_; }
    CartridgeBus& bus() { return *bus_; }

    // One address cycle: only the low two bits select a register.
    void Select(uint8_t reg) { selected_ = static_cast<uint8_t>(reg & 3); }
    // One data cycle on the selected register.
    void Write(uint8_t value);
    uint8_t Read();

    uint8_t selected() const { return selected_; }
    bool engaged() const { return engaged_; }
    ViolationLog& violations() { return violations_; }
    uint8_t reg(int index) const { return regs_[static_cast<size_t>(index & 3)]; }
    uint8_t mode() const { return regs_[2]; }
    uint16_t address() const { return static_cast<uint16_t>(regs_[1] << 8 | regs_[0]); }
    // Bus cycles started through register 3, for tests and benchmarks.
    uint64_t busReads() const { return busReads_; }
    uint64_t busWrites() const { return busWrites_; }
    uint64_t flashWrites() const { return flashWrites_; }
    // Power-on state: all registers 0, register 0 selected. The bus stays plugged in.
    void Reset();

  private:
    static constexpr int kSramLocked = -1;
    static constexpr int kSramEnabled = 5;
    void AdvanceAddress();
    void WriteMode(uint8_t value);
    void TrackSramSequence(uint16_t address, uint8_t value);
    bool SramBlocked(uint16_t address);

    EmptyBus empty_;
    CartridgeBus* bus_ = &empty_;
    std::array<uint8_t, 4> regs_{};
    uint8_t selected_ = 0;
    bool engaged_ = false;
    int sramStep_ = kSramLocked;  // next step of the enable sequence, or locked / enabled
    ViolationLog violations_;
    uint64_t busReads_ = 0;
    uint64_t busWrites_ = 0;
    uint64_t flashWrites_ = 0;
};

}  // namespace zorvex::sim
