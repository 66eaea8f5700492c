// The save-slot scan of a pack over arbitrary card contents on the simulated
// card. Byte 0 picks the chip and the layout of the rest:
//   bits 0..1  chip (4M, 16M, 64M; 3 is 4M again)
//   bit 2      0: the rest is laid as bytes 0x100..0x14F (the header) of one
//                 32 KiB unit after another, the rest of the flash erased;
//              1: the rest is laid from flash offset 0 as it is.
// The header layout lets small inputs describe chains of members across the
// whole chip, which is what the scan walks.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_input.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_discovery.h"
#include "saves/pack_scan.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"

namespace {

using namespace zorvex;

constexpr size_t kUnit = 0x8000;
constexpr size_t kHeaderStart = 0x100;
constexpr size_t kHeaderLength = 0x50;

// One simulated machine per chip, kept across inputs: building an 8 MiB chip
// for every input would be most of the run.
struct Machine {
    explicit Machine(uint8_t code) : cart(*sim::FindChip(code)) {
        port.SetCartridge(&cart);
        link = std::make_unique<CardLink>(port, ports, clock, warnings);
    }
    sim::Cartridge cart;
    sim::SimParallelPort port;
    ListPortSource ports{{0x378}};
    CountingClock clock;
    NullMessageSink warnings;
    std::unique_ptr<CardLink> link;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static Machine* machines[3] = {new Machine(4), new Machine(16), new Machine(64)};
    const int chip = data[0] & 3;
    Machine& m = *machines[chip == 3 ? 0 : chip];
    m.cart.PowerOn();
    auto flash = m.cart.chip().contents();
    std::fill(flash.begin(), flash.end(), uint8_t{0xFF});
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    if (data[0] & 4) {
        std::memcpy(flash.data(), rest, std::min(restSize, flash.size()));
    } else {
        for (size_t unit = 0; unit * kHeaderLength < restSize; ++unit) {
            const size_t at = unit * kUnit + kHeaderStart;
            if (at + kHeaderLength > flash.size()) break;
            const size_t n = std::min(kHeaderLength, restSize - unit * kHeaderLength);
            std::memcpy(flash.data() + at, rest + unit * kHeaderLength, n);
        }
    }

    const PackScan scan = ScanPack(*m.link);
    fuzz::Check(scan.names.size() <= kSramImageSize / kSramBankSize,
                "a name per save slot at most");
    for (const auto& name : scan.names)
        fuzz::Check(name.size() <= 16 && name.find('\0') == std::string::npos,
                    "names of at most 16 bytes, without NUL");
    if (!scan.ok) fuzz::Check(!scan.text.empty(), "a failure says why");
    m.link->ReleaseCard();
    return 0;
}
