#pragma once

// A simulated machine for the card entry points: any number of ports, the card
// on one of them, and a cartridge whose bus cycles a test can watch.

#include <functional>
#include <memory>
#include <vector>

#include "link/card_link.h"
#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/support/recording_ui.h"

namespace zorvex::test {

// Passes every cycle on to the cartridge and tells the test about the writes
// (mapper and save RAM), so it can act in the middle of a job.
class WatchedBus final : public sim::CartridgeBus {
  public:
    explicit WatchedBus(sim::CartridgeBus& inner) : inner_(inner) {}
    uint8_t Read(uint16_t address) override { return inner_.Read(address); }
    void Write(uint16_t address, uint8_t value) override {
        if (onWrite) onWrite(address, value);
        inner_.Write(address, value);
    }
    void FlashWrite(uint16_t address, uint8_t value) override { inner_.FlashWrite(address, value); }
    std::function<void(uint16_t, uint8_t)> onWrite;

  private:
    sim::CartridgeBus& inner_;
};

struct JobRig {
    // chip 0 leaves the card's cartridge slot empty.
    explicit JobRig(uint8_t chip, std::vector<uint16_t> bases = {0x378}, int cardPort = 1,
                    uint8_t mode = TransferAuto, bool epp = true)
        : cart(*sim::FindChip(chip ? chip : 4)),
          bus(cart),
          port(sim::SimPortSetup{bases, cardPort, epp}),
          ports(bases) {
        port.SetCartridge(chip ? &bus : nullptr);
        link = std::make_unique<CardLink>(port, ports, clock, warnings);
        link->transferMode = mode;
    }

    std::span<uint8_t> flash() { return cart.chip().contents(); }

    sim::Cartridge cart;
    WatchedBus bus;
    sim::SimParallelPort port;
    ListPortSource ports;
    CountingClock clock;
    RecordingMessageSink warnings;
    std::unique_ptr<CardLink> link;
};

}  // namespace zorvex::test
