#pragma once

#include <cstdint>
#include <map>
#include <random>

#include "link/port_io.h"
#include "sim/flash_chip.h"

namespace zorvex::sim {

// Chip-level faults for tests, driven by a seed so every run is repeatable.
// Attach it to a chip or cartridge with SetHooks(&injector).
class FaultInjector final : public ChipHooks {
  public:
    explicit FaultInjector(uint32_t seed = 1);

    // The next `times` reads of flash byte `linear` in read-array mode return a
    // wrong value (a seeded nonzero XOR), then the stored one again.
    void CorruptReads(uint32_t linear, int times);
    // The next `count` program (page or buffer) / erase (chip or block)
    // operations report failure in the status and change nothing.
    void FailPrograms(int count) { failPrograms_ = count; }
    void FailErases(int count) { failErases_ = count; }
    // A busy chip stays busy for ever.
    void NeverReady(bool on = true) { neverReady_ = on; }
    // Every status (or toggle) read returns `value`; negative switches it off.
    void StuckStatus(int value) { stuckStatus_ = value; }
    // Each flash write cycle is lost with this probability (seeded).
    void DropFlashWrites(double probability) { dropProbability_ = probability; }

    uint64_t droppedWrites() const { return droppedWrites_; }
    uint64_t corruptedReads() const { return corruptedReads_; }

    uint8_t OnArrayRead(uint32_t linear, uint8_t value) override;
    bool OnFlashWrite(uint32_t linear, uint8_t value) override;
    bool FailProgram(uint32_t linear) override;
    bool FailErase(uint32_t linear) override;
    bool HoldBusy() override { return neverReady_; }
    int StatusOverride() override { return stuckStatus_; }

  private:
    std::mt19937 rng_;
    std::map<uint32_t, int> corrupt_;
    int failPrograms_ = 0;
    int failErases_ = 0;
    bool neverReady_ = false;
    int stuckStatus_ = -1;
    double dropProbability_ = 0.0;
    uint64_t droppedWrites_ = 0;
    uint64_t corruptedReads_ = 0;
};

// A PortIo decorator for link-level faults: the card pulled out after a number
// of port accesses, and output bytes lost on the cable.
class FaultyPort final : public PortIo {
  public:
    FaultyPort(PortIo& inner, uint32_t seed = 1);

    // After `accesses` more accesses every output is lost and every input reads
    // `floating` (0xFF for lines pulled high; 0x00 models lines that float low,
    // which a status poll cannot tell from a busy chip).
    void UnplugAfter(uint64_t accesses, uint8_t floating = 0xFF);
    void Replug() { unplugAt_ = UINT64_MAX; }
    // Each output is lost with this probability (seeded).
    void DropOutputs(double probability) { dropProbability_ = probability; }

    bool unplugged() const { return accesses_ >= unplugAt_; }
    uint64_t accesses() const { return accesses_; }

    void Out(uint16_t address, uint8_t value) override;
    uint8_t In(uint16_t address) override;

  private:
    PortIo& inner_;
    std::mt19937 rng_;
    uint64_t accesses_ = 0;
    uint64_t unplugAt_ = UINT64_MAX;
    uint8_t floating_ = 0xFF;
    double dropProbability_ = 0.0;
};

}  // namespace zorvex::sim
