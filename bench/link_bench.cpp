// Port accesses of WriteBank and VerifyBank on the simulated card, next to the
// counts the card's cycle sequences imply, and the simulator's speed.
//
//   accesses/bank   measured port accesses per 16 KiB bank
//   expected/bank   the same, computed below from the cycle sequences
//   extra           measured minus expected over the whole run (must be 0)
//   accesses/byte   measured accesses per ROM byte
//   accesses/s      simulator throughput
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "link/card_link.h"
#include "link/port_discovery.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/support/xorshift_bytes.h"

namespace {

using zorvex::CardLink;
using zorvex::CountingClock;
using zorvex::kRomBankSize;
using zorvex::NullMessageSink;
using zorvex::PortSource;

// Port accesses of the register primitives and of the cycles built on them,
// exactly as the protocol documents them.
struct Costs {
    uint64_t wr, wd, rd, sel, ctl;

    static Costs For(bool spp) { return spp ? Costs{7, 3, 6, 5, 1} : Costs{4, 1, 1, 3, 1}; }

    uint64_t SetBusAddress() const { return 2 * wr + sel + ctl; }
    uint64_t BusWrite() const { return 4 * wr + ctl; }
    uint64_t ReadHere() const { return sel + ctl + rd; }
    uint64_t FlashWriteCycle() const { return wr + sel + ctl + wd + wr + sel; }
    uint64_t BankedCommand() const {
        return SetBusAddress() + ctl + wd + 2 * wr + FlashWriteCycle();
    }
    uint64_t DoubledCommand() const { return wr + BankedCommand(); }
    uint64_t LinearCommand() const {
        return wr + 2 * (SetBusAddress() + ctl + wd) + 2 * wr + FlashWriteCycle();
    }
    uint64_t ReadStatus64M() const { return LinearCommand() + ReadHere(); }
    uint64_t Reset16M() const { return 3 * DoubledCommand(); }
    // Address setup and block read of `bytes` bytes (registers 1, 0, mode 0x81).
    uint64_t BlockRead(uint64_t bytes) const { return 3 * wr + sel + ctl + bytes * rd; }
    uint64_t VerifyBank() const { return 2 * BusWrite() + 64 * BlockRead(256); }
};

// The reads a poll takes, given the chip's busy time in reads (see the chips).
uint64_t TogglePollReads(uint32_t busyReads, uint8_t lastByte) {
    // Busy reads show DQ6 = 1, 0, 1, ... ; then the array byte, which ends the
    // poll at once when its DQ6 equals the last toggle, else one read later.
    if (busyReads == 0) return 2;
    const uint8_t lastToggle = (busyReads % 2) ? 0x40 : 0x00;
    return busyReads + ((lastByte & 0x40) == lastToggle ? 1 : 2);
}

uint64_t ExpectedWriteBank(uint8_t chip, const Costs& c, const zorvex::sim::BusyReads& busy,
                           int bank, const uint8_t* data) {
    uint64_t n = 0;
    switch (chip) {
        case 4:
            for (int p = 0; p < 64; ++p) {
                n += 3 * c.BankedCommand() + c.BusWrite() + 3 * c.wr + c.sel + 256 * c.wd;
                n += 2 * c.wr + TogglePollReads(busy.program, data[p * 256 + 255]) * c.ReadHere();
                n += c.wr + c.wr + c.sel + c.ctl + 256 * c.rd;  // register 0, mode 0x81, read back
            }
            return n;
        case 16:
            for (int page = 0; page < 128; ++page) {
                n += 3 * c.DoubledCommand() + c.BusWrite() + 3 * c.wr + c.sel + 128 * c.wd;
                n += c.wr + c.ReadHere() + busy.program * c.rd;  // status poll
                n += c.Reset16M() + c.BusWrite() + 2 * c.wr + c.wr + c.sel + c.ctl + 128 * c.rd;
            }
            return n + c.Reset16M();
        default: {
            if (bank % 8 == 0) {
                n += (1 + (busy.blockErase + 1) + 1) * c.ReadStatus64M() + 2 * c.LinearCommand();
            }
            for (int b = 0; b < 512; ++b) {
                // The first buffer finds the chip idle; every later one waits
                // out the previous buffer's program through the extended status.
                const uint64_t waits = b == 0 ? 0 : busy.program;
                n += c.LinearCommand() + c.wr + c.sel + c.ctl + c.rd;
                n += waits * (c.ctl + c.wd + c.ctl + c.rd);
                n += c.ctl + c.wd + c.wr + c.sel + 32 * c.wd + c.wd;
            }
            n += (busy.program + 1) * c.ReadStatus64M() + c.ReadStatus64M();
            n += c.LinearCommand() + c.ctl;
            return n + c.VerifyBank();
        }
    }
}

// The simulated machine, without recording or fault decorators.
struct Rig {
    Rig(uint8_t chip, bool spp) : cart(*zorvex::sim::FindChip(chip)) {
        // Busy times in reads, so that the expected counts below can follow
        // every poll (the datasheet times depend on the port's speed).
        cart.chip().SetBusyReads({1, 3, 8});
        port.SetCartridge(&cart);
        link = std::make_unique<CardLink>(port, ports, clock, sink);
        link->SetTransferMode(spp ? zorvex::TransferSpp : zorvex::TransferEpp);
        link->ChoosePort(1);
        if (link->DetectCard().card.chip != chip) std::abort();
        if (chip == 16 && link->EraseChip() != 0) std::abort();
    }
    zorvex::sim::Cartridge cart;
    zorvex::sim::SimParallelPort port;
    zorvex::ListPortSource ports{{0x378}};
    CountingClock clock;
    NullMessageSink sink;
    std::unique_ptr<CardLink> link;
};

void Report(benchmark::State& state, uint64_t measured, uint64_t expected, uint64_t banks) {
    state.counters["accesses/bank"] = static_cast<double>(measured) / static_cast<double>(banks);
    state.counters["expected/bank"] = static_cast<double>(expected) / static_cast<double>(banks);
    state.counters["extra"] = static_cast<double>(measured) - static_cast<double>(expected);
    state.counters["accesses/byte"] =
        static_cast<double>(measured) / static_cast<double>(banks * kRomBankSize);
    state.counters["accesses/s"] =
        benchmark::Counter(static_cast<double>(measured), benchmark::Counter::kIsRate);
}

// Args: chip code, 1 = SPP / 0 = EPP.
void BM_WriteBank(benchmark::State& state) {
    const auto chip = static_cast<uint8_t>(state.range(0));
    const bool spp = state.range(1) != 0;
    Rig rig(chip, spp);
    const Costs costs = Costs::For(spp);
    const int bankCount = static_cast<int>(rig.cart.info().capacity / kRomBankSize);
    std::vector<std::vector<uint8_t>> data;
    for (int b = 0; b < 16; ++b)
        data.push_back(zorvex::test::XorshiftBytes(kRomBankSize, (0x1234u + b) | 1));
    uint64_t expected = 0, banks = 0;
    rig.port.ResetCounts();
    for (auto _ : state) {
        // Banks 0..15 in turn: on the 64M chip every eighth bank erases a block.
        const int bank = static_cast<int>(banks % 16) % bankCount;
        const uint8_t* source = data[static_cast<size_t>(bank)].data();
        if (rig.link->WriteBank(bank, source) != 0) {
            state.SkipWithError("WriteBank failed");
            break;
        }
        expected += ExpectedWriteBank(chip, costs, rig.cart.chip().busyReads(), bank, source);
        ++banks;
    }
    if (banks) Report(state, rig.port.accessCount(), expected, banks);
}

void BM_VerifyBank(benchmark::State& state) {
    const auto chip = static_cast<uint8_t>(state.range(0));
    const bool spp = state.range(1) != 0;
    Rig rig(chip, spp);
    const Costs costs = Costs::For(spp);
    const auto data = zorvex::test::XorshiftBytes(kRomBankSize, 77);
    std::copy(data.begin(), data.end(), rig.cart.chip().contents().begin() + 3 * kRomBankSize);
    rig.port.ResetCounts();
    uint64_t banks = 0;
    for (auto _ : state) {
        if (rig.link->VerifyBank(3, data.data()) != 0) {
            state.SkipWithError("VerifyBank failed");
            break;
        }
        ++banks;
    }
    if (banks) Report(state, rig.port.accessCount(), banks * costs.VerifyBank(), banks);
}

// A whole 8 MiB image written and verified on the 64M chip.
void BM_Write8MiB64M(benchmark::State& state) {
    const bool spp = state.range(0) != 0;
    const auto image = zorvex::test::XorshiftBytes(0x800000, 99);
    uint64_t measured = 0, expected = 0, banks = 0;
    const Costs costs = Costs::For(spp);
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<Rig>(64, spp);
        rig->port.ResetCounts();
        state.ResumeTiming();
        for (int bank = 0; bank < 512; ++bank) {
            const uint8_t* source = image.data() + bank * kRomBankSize;
            if (rig->link->WriteBank(bank, source) != 0 ||
                rig->link->VerifyBank(bank, source) != 0) {
                state.SkipWithError("8 MiB image failed");
                return;
            }
            expected += ExpectedWriteBank(64, costs, rig->cart.chip().busyReads(), bank, source) +
                        costs.VerifyBank();
        }
        state.PauseTiming();
        measured += rig->port.accessCount();
        banks += 512;
        rig.reset();
        state.ResumeTiming();
    }
    if (banks) Report(state, measured, expected, banks);
}

}  // namespace

BENCHMARK(BM_WriteBank)
    ->ArgNames({"chip", "spp"})
    ->ArgsProduct({{4, 16, 64}, {1, 0}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VerifyBank)
    ->ArgNames({"chip", "spp"})
    ->ArgsProduct({{4, 16, 64}, {1, 0}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write8MiB64M)
    ->ArgName("spp")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
