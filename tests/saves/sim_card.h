#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_source.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/support/recording_ui.h"

namespace zorvex::test {

class OnePortSource final : public PortSource {
  public:
    void Discover(std::array<uint16_t, 9>& table, int32_t& count) const override {
        table[1] = 0x378;
        count = 1;
    }
};

// An Ombra Card carrying the chip `code` (4, 16, 64) on LPT1, and the link on it.
class SimCard {
  public:
    explicit SimCard(uint8_t code) : cartridge_(*sim::FindChip(code)) {
        port_.SetCartridge(&cartridge_);
        link_ = std::make_unique<CardLink>(port_, ports_, clock_, warnings_);
    }
    CardLink& link() { return *link_; }
    sim::Cartridge& cartridge() { return cartridge_; }
    std::span<uint8_t> sram() { return cartridge_.sram(); }
    // Lays images one after another from flash offset 0.
    void Lay(const std::vector<std::vector<uint8_t>>& images) {
        size_t at = 0;
        for (const auto& image : images) {
            std::memcpy(cartridge_.chip().contents().data() + at, image.data(), image.size());
            at += image.size();
        }
    }

  private:
    sim::Cartridge cartridge_;
    sim::SimParallelPort port_;
    OnePortSource ports_;
    CountingClock clock_;
    RecordingMessageSink warnings_;
    std::unique_ptr<CardLink> link_;
};

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
