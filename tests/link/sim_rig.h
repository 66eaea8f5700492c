#pragma once

// A CardLink wired to the simulated card: link -> fault decorator -> simulated
// parallel port -> card registers -> recording bus -> cartridge.

#include <memory>
#include <vector>

#include "link/card_link.h"
#include "sim/cartridge.h"
#include "sim/fault_injector.h"
#include "sim/sim_parallel_port.h"
#include "tests/support/recording_ui.h"

namespace zorvex::test {

// One port, LPT1 at 0x378.
class OnePort final : public PortSource {
  public:
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override {
        table[1] = 0x378;
        count = 1;
    }
};

// One cartridge-bus cycle as the card issued it.
struct BusCycle {
    enum Kind : uint8_t { Read, Write, Flash };
    Kind kind;
    uint16_t address;
    uint8_t value;
    bool operator==(const BusCycle&) const = default;
};

// Passes every cycle on to the cartridge; remembers them while recording.
class RecordingBus final : public sim::CartridgeBus {
  public:
    explicit RecordingBus(sim::CartridgeBus& inner) : inner_(inner) {}
    uint8_t Read(uint16_t address) override {
        const uint8_t v = inner_.Read(address);
        if (recording) cycles.push_back({BusCycle::Read, address, v});
        return v;
    }
    void Write(uint16_t address, uint8_t value) override {
        if (recording) cycles.push_back({BusCycle::Write, address, value});
        inner_.Write(address, value);
    }
    void FlashWrite(uint16_t address, uint8_t value) override {
        if (recording) cycles.push_back({BusCycle::Flash, address, value});
        inner_.FlashWrite(address, value);
    }
    std::vector<BusCycle> Of(BusCycle::Kind kind) const {
        std::vector<BusCycle> out;
        for (const auto& c : cycles)
            if (c.kind == kind) out.push_back(c);
        return out;
    }
    bool recording = false;
    std::vector<BusCycle> cycles;

  private:
    sim::CartridgeBus& inner_;
};

enum class Mode { Spp, Epp };

struct SimRig {
    explicit SimRig(uint8_t chip, Mode mode = Mode::Epp)
        : cart(*sim::FindChip(chip)), bus(cart), faulty(port) {
        port.SetCartridge(&bus);
        link = std::make_unique<CardLink>(faulty, ports, clock, warnings);
        link->transferMode = mode == Mode::Spp ? TransferSpp : TransferEpp;
        link->SelectPort(1);
        link->EngageCard();
    }
    // Identifies the chip the way detection does.
    int Identify() {
        link->EngageCard();
        return link->IdentifyFlash();
    }
    void Record() {
        bus.cycles.clear();
        bus.recording = true;
    }

    sim::Cartridge cart;
    RecordingBus bus;
    sim::SimParallelPort port;
    sim::FaultyPort faulty;
    OnePort ports;
    CountingClock clock;
    RecordingMessageSink warnings;
    std::unique_ptr<CardLink> link;
};

// Non-repeating bytes of a 16 KiB bank (no byte equals its neighbour's page twin).
inline std::vector<uint8_t> BankPattern(int bank, size_t size = kRomBankSize) {
    std::vector<uint8_t> out(size);
    uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(bank * 7919 + 1);
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return out;
}

}  // namespace zorvex::test
