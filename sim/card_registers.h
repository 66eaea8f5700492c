#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/cartridge_bus.h"

namespace zorvex::sim {

// The card's register file as its parallel-port side sees it, independent of
// whether the cycles arrived over SPP or EPP:
//   0 bus address bits 0..7, 1 bus address bits 8..15 (both read back),
//   2 mode register, 3 bus data (a cartridge-bus cycle at the address in 0/1).
// Any nonzero mode drives the bus; mode bit 1 turns register-3 writes into flash writes;
// bit 0 advances the low address byte (register 0, wrapping within its
// 256-byte page) after each register-3 data cycle. Mode 0x00 is
// the released card: register 3 starts no bus cycle and reads float high.
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
    void AdvanceAddress();

    EmptyBus empty_;
    CartridgeBus* bus_ = &empty_;
    std::array<uint8_t, 4> regs_{};
    uint8_t selected_ = 0;
    uint64_t busReads_ = 0;
    uint64_t busWrites_ = 0;
    uint64_t flashWrites_ = 0;
};

}  // namespace zorvex::sim
