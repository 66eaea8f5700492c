#pragma once

// The simulated machine every suite that drives a card uses:
//   CardLink -> PortTap -> FaultyPort -> SimParallelPort -> card registers
//            -> RecordingBus -> Cartridge
// The tap and the fault injector pass everything through until a test asks
// otherwise.

#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/fault_injector.h"
#include "sim/sim_parallel_port.h"
#include "tests/support/failure_text.h"
#include "tests/support/recording_ui.h"
#include "tests/support/xorshift_bytes.h"

namespace zorvex::test {

// One cartridge-bus cycle as the card issued it.
struct BusCycle {
    enum Kind : uint8_t { Read, Write, Flash };
    Kind kind;
    uint16_t address;
    uint8_t value;
    bool operator==(const BusCycle&) const = default;
};

// Passes every cycle on to the cartridge; remembers them while recording, and
// tells onWrite of each mapper or save-RAM write so a test can act in the
// middle of a job.
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
        if (onWrite) onWrite(address, value);
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
    std::function<void(uint16_t, uint8_t)> onWrite;

  private:
    sim::CartridgeBus& inner_;
};

// Counts the link's port accesses and calls onAccess(n) before the n-th.
class PortTap final : public PortIo {
  public:
    explicit PortTap(PortIo& inner) : inner_(inner) {}
    void Out(uint16_t address, uint8_t value) override {
        Tick();
        inner_.Out(address, value);
    }
    uint8_t In(uint16_t address) override {
        Tick();
        return inner_.In(address);
    }
    std::function<void(uint64_t)> onAccess;
    uint64_t count = 0;

  private:
    void Tick() {
        ++count;
        if (onAccess) onAccess(count);
    }
    PortIo& inner_;
};

struct RigSetup {
    std::vector<uint16_t> bases{0x378};  // LPT1, LPT2, ...
    int cardPort = 1;                    // LPT number holding the card; 0 = none
    bool epp = true;                     // the ports answer EPP cycles
    uint8_t mode = TransferAuto;         // the link's transferMode
    bool engage = false;                 // select LPT1 and engage the card at once
};

// Ready for single card commands: LPT1 selected and engaged, the mode fixed.
inline RigSetup Engaged(uint8_t mode = TransferEpp) {
    RigSetup setup;
    setup.mode = mode;
    setup.engage = true;
    return setup;
}

// A card with the chip `chip` (4, 16, 64; 0 leaves the slot empty) and the
// link to it.
class SimCardRig {
  public:
    explicit SimCardRig(uint8_t chip, const RigSetup& setup = {})
        : cart(*sim::FindChip(chip ? chip : 4)),
          bus(cart),
          port(sim::SimPortSetup{setup.bases, setup.cardPort, setup.epp}),
          faulty(port),
          tap(faulty),
          ports(setup.bases) {
        port.SetCartridge(chip ? &bus : nullptr);
        link = std::make_unique<CardLink>(tap, ports, clock, warnings);
        link->SetTransferMode(setup.mode);
        if (setup.engage) {
            link->ChoosePort(1);
            link->bus().EngageCard();
        }
    }
    SimCardRig(const SimCardRig&) = delete;
    SimCardRig& operator=(const SimCardRig&) = delete;

    // Identifies the chip the way detection does.
    int Identify() { return link->DetectCard().result == 0 ? 0 : 1; }
    void Record() {
        bus.cycles.clear();
        bus.recording = true;
    }
    std::span<uint8_t> flash() { return cart.chip().contents(); }
    std::span<uint8_t> sram() { return cart.sram(); }
    // Lays images one after another from flash offset 0.
    void Lay(const std::vector<std::vector<uint8_t>>& images) {
        size_t at = 0;
        for (const auto& image : images) {
            std::memcpy(flash().data() + at, image.data(), image.size());
            at += image.size();
        }
    }
    // The send job as a front end starts it, watched through `monitor`.
    SendResult Send(const std::string& path, bool deepVerify = false, const SendNeeds& needs = {},
                    bool skipUnchanged = false) {
        return link->SendJob(LoadSendImage(path, needs), {deepVerify, skipUnchanged}, &monitor);
    }

    sim::Cartridge cart;
    RecordingBus bus;
    sim::SimParallelPort port;
    sim::FaultyPort faulty;
    PortTap tap;
    ListPortSource ports;
    CountingClock clock;
    RecordingMessageSink warnings;
    JobMonitor monitor;
    std::unique_ptr<CardLink> link;
};

// Non-repeating bytes of a 16 KiB bank (no byte equals its neighbour's page twin).
inline std::vector<uint8_t> BankPattern(int bank, size_t size = kRomBankSize) {
    return XorshiftBytes(size, 0x9E3779B9u ^ static_cast<uint32_t>(bank * 7919 + 1));
}

// Bytes that differ from those of any other seed.
inline std::vector<uint8_t> PatternBytes(size_t length, uint32_t seed) {
    std::vector<uint8_t> bytes(length);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return bytes;
}

}  // namespace zorvex::test
