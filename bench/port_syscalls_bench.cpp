// Kernel calls and modelled real time of whole-card operations over the two
// real-port backends, each on the emulated kernel parallel port in front of
// the simulated card (an EPP chip the kernel drives directly).
//
// On real hardware a transfer takes as long as its bus accesses plus the
// calls into the kernel around them; the simulator's own speed says nothing
// about that. So every operation runs once per backend, and the counters are:
//
//   ppdev_calls/byte   calls into the kernel inside the operation, per byte
//   floor/byte         the fewest calls the operation's wire allows: one per
//                      change of a register (control, data, direction), one
//                      per status read, one per run of EPP cycles of one kind
//                      (at most a kernel buffer long); per byte
//   ratio              ppdev_calls / floor
//   mode_switches/byte PPSETMODE calls between EPP address and data runs:
//                      the ppdev interface has no other way to reach them
//   ratio_with_modes   ppdev_calls / (floor + mode switches)
//   direct_calls       calls inside the operation with direct port I/O (0)
//   <backend>_s        modelled time: bus accesses x 1 us + every call x the
//                      measured cost of one ioctl + the protocol's sleeps
//   ppdev_own_accesses_s  ppdev_s without the kernel's status read after
//                      each EPP cycle
//   ppdev_fast_s       ppdev_s with every EPP read run in the kernel's fast
//                      mode (PP_FASTREAD: one status read per run), as the
//                      bus reads once it takes the fast runs; the card always
//                      answers, so no run is read twice
//   ppdev_fast_calls/byte  the calls inside the operation with fast reads
//   accesses_ratio     bus accesses under ppdev / under direct I/O
//   ioctl_ns           the cost of one ioctl(FIONREAD) on a pipe, this run
//                      (the fastest of 20 batches of 10,000)
//
// Args: chip code, 1 = SPP / 0 = EPP, operation (0 write+verify of the whole
// chip, 1 dump of the whole card, 2 save RAM read, 3 save RAM write).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "common/message_sink.h"
#include "link/card_link.h"
#include "link/link_clock.h"
#include "link/port_discovery.h"
#include "ports/direct_port_io.h"
#include "ports/ppdev_port_io.h"
#include "ports/system_calls.h"
#include "sim/cartridge.h"
#include "sim/sim_parallel_port.h"
#include "tests/doubles/kernel_parport.h"
#include "tests/support/kernel_port_rig.h"
#include "tests/support/xorshift_bytes.h"

namespace {

using namespace zorvex;

constexpr uint16_t kBase = 0x378;
constexpr double kSecondsPerAccess = 1e-6;  // one ISA I/O cycle
constexpr uint64_t kKernelBuffer = 1024;    // the most one ppdev read/write moves

enum Op { WriteVerify, Dump, SramRead, SramWrite };

// The cost of one ppdev-sized ioctl on this machine: FIONREAD on a pipe is a
// real character-device ioctl that touches no hardware. The fastest of a
// few batches: on a shared machine the others are mostly time spent waiting
// for a core, which a kernel call on an idle machine does not pay.
double IoctlSeconds() {
    static const double seconds = [] {
        int fds[2];
        if (pipe(fds) != 0) return 0.0;
        constexpr int kBatches = 20;
        constexpr int kCalls = 10000;
        int pending = 0;
        double best = 1.0;
        for (int b = 0; b < kBatches; ++b) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kCalls; ++i) ioctl(fds[0], FIONREAD, &pending);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count() / kCalls);
        }
        close(fds[0]);
        close(fds[1]);
        return best;
    }();
    return seconds;
}

// Counts, from the wire, the kernel calls no ppdev program could do without.
class Floor final : public sim::WireObserver {
  public:
    void LinesChanged(uint16_t, const sim::WireLevels&) override {
        ++calls;
        inRun_ = false;
    }
    void Cycle(uint16_t, sim::EppCycle cycle, uint8_t, bool) override {
        ++cycles;
        if (!inRun_ || cycle != kind_ || length_ == kKernelBuffer) {
            ++calls;
            length_ = 0;
        }
        inRun_ = true;
        kind_ = cycle;
        ++length_;
    }
    void StatusRead() {
        ++calls;
        inRun_ = false;
    }
    uint64_t calls = 0;
    uint64_t cycles = 0;  // EPP cycles

  private:
    bool inRun_ = false;
    sim::EppCycle kind_ = sim::EppCycle::AddressWrite;
    uint64_t length_ = 0;
};

// The instructions of direct port I/O on the simulated port; the program's
// status reads are calls under ppdev.
class Instructions final : public IoInstructions {
  public:
    Instructions(sim::SimParallelPort& port, Floor& floor) : port_(port), floor_(floor) {}
    void Out(uint16_t address, uint8_t value) override { port_.Out(address, value); }
    uint8_t In(uint16_t address) override {
        if (address == kBase + 1) floor_.StatusRead();
        return port_.In(address);
    }

  private:
    sim::SimParallelPort& port_;
    Floor& floor_;
};

// Counts PPSETMODE among the calls it passes on.
class ModeCounter final : public SystemCalls {
  public:
    explicit ModeCounter(SystemCalls& inner) : inner_(inner) {}
    int Open(const char* path, int flags) override { return inner_.Open(path, flags); }
    int Close(int fd) override { return inner_.Close(fd); }
    int Ioctl(int fd, unsigned long request, void* argument) override;
    ssize_t Read(int fd, void* buffer, size_t length) override {
        return inner_.Read(fd, buffer, length);
    }
    ssize_t Write(int fd, const void* buffer, size_t length) override {
        return inner_.Write(fd, buffer, length);
    }
    int Fcntl(int fd, int command, int argument) override {
        return inner_.Fcntl(fd, command, argument);
    }
    uint64_t modes = 0;

  private:
    SystemCalls& inner_;
};

int ModeCounter::Ioctl(int fd, unsigned long request, void* argument) {
    if (request == PPSETMODE) ++modes;
    return inner_.Ioctl(fd, request, argument);
}

struct Machine {
    Machine(uint8_t chip, bool spp, bool ppdev, bool fastReads = false)
        : cart(*sim::FindChip(chip)),
          kernel(port, {{"/dev/parport0", kBase, sim::KernelEpp::Hardware}}),
          modes(kernel),
          counted(modes),
          instructions(port, floor),
          source({kBase}) {
        port.SetCartridge(&cart);
        // Busy times in reads: both backends then poll alike, and the chips'
        // waits stay out of a comparison of call overheads.
        cart.chip().SetBusyReads({});
        port.Out(kBase + 2, 0x0C);  // the kernel's idle state at boot
        port.SetWireObserver(&floor);
        std::vector<KernelPort> ports{{1, kBase, "parport0", 0, false, true}};
        // The bus takes the kernel's fast reads; without them every read run
        // is byte by byte, as before.
        if (ppdev && fastReads)
            io = std::make_unique<test::ReadMode>(
                std::make_unique<PpdevPortIo>(ports, counted, "/dev"), true);
        else if (ppdev)
            io = std::make_unique<test::ReadMode>(
                std::make_unique<PpdevPortIo>(ports, counted, "/dev"), false);
        else
            io = std::make_unique<DirectPortIo>(ports, instructions, counted, "/dev");
        link = std::make_unique<CardLink>(*io, source, clock, sink);
        link->SetTransferMode(spp ? TransferSpp : TransferEpp);
        link->ChoosePort(1);
    }
    sim::SimParallelPort port;
    sim::Cartridge cart;
    sim::KernelParport kernel;
    ModeCounter modes;
    CountingSystemCalls counted;
    Floor floor;
    Instructions instructions;
    ListPortSource source;
    CountingClock clock;
    NullMessageSink sink;
    std::unique_ptr<PortCycles> io;
    std::unique_ptr<CardLink> link;
};

struct Result {
    uint64_t bytes = 0;
    uint64_t inside = 0;  // calls between taking the port and giving it back
    uint64_t total = 0;   // with the claim and release
    uint64_t accesses = 0;
    uint64_t floor = 0;
    uint64_t modeSwitches = 0;
    uint64_t eppCycles = 0;
    double sleepSeconds = 0;
    bool ok = false;
    double Seconds() const {
        return static_cast<double>(accesses) * kSecondsPerAccess +
               static_cast<double>(total) * IoctlSeconds() + sleepSeconds;
    }
};

Result RunOnce(uint8_t chip, bool spp, bool ppdev, Op op, const std::vector<uint8_t>& image,
               bool fastReads = false) {
    Machine m(chip, spp, ppdev, fastReads);
    CardLink& link = *m.link;
    if (op == Dump) std::copy(image.begin(), image.end(), m.cart.chip().contents().begin());
    Result r;
    const int capacity = static_cast<int>(m.cart.info().capacity);
    const int banks = capacity / kRomBankSize;
    std::vector<uint8_t> back(static_cast<size_t>(kRomBankSize));
    std::vector<uint8_t> sram(kSramImageSize);
    for (size_t i = 0; i < sram.size(); ++i) sram[i] = static_cast<uint8_t>(i * 31 + 7);
    const uint64_t sleptBefore = m.clock.totalMilliseconds;
    m.port.ResetCounts();
    m.counted.ResetCount();
    m.floor.calls = m.floor.cycles = 0;
    m.modes.modes = 0;
    bool ok = true;
    {
        CardOperation operation(link.bus());
        const uint64_t claimCalls = m.counted.count();
        ok = link.DetectCard().result == 0;
        switch (op) {
            case WriteVerify:
                r.bytes = static_cast<uint64_t>(capacity);
                if (ok && chip == 16) ok = link.EraseChip() == 0;
                for (int b = 0; ok && b < banks; ++b) {
                    const uint8_t* bank = image.data() + static_cast<size_t>(b) * kRomBankSize;
                    ok = link.WriteBank(b, bank) == 0;
                }
                for (int b = 0; ok && b < banks; ++b) {
                    const uint8_t* bank = image.data() + static_cast<size_t>(b) * kRomBankSize;
                    ok = link.VerifyBank(b, bank) == 0;
                }
                break;
            case Dump:
                r.bytes = static_cast<uint64_t>(capacity);
                for (int b = 0; ok && b < banks; ++b) {
                    link.ReadRomPages(b, back.data(), kRomBankSize / 256);
                    ok = std::equal(back.begin(), back.end(),
                                    image.begin() + static_cast<long>(b) * kRomBankSize);
                }
                break;
            case SramRead:
            case SramWrite:
                r.bytes = kSramImageSize;
                for (int b = 0; ok && b < kSramImageSize / kSramBankSize; ++b) {
                    if (op == SramRead)
                        link.ReadSramBank(b, sram.data() + b * kSramBankSize);
                    else
                        link.WriteSramBank(b, sram.data() + b * kSramBankSize);
                }
                break;
        }
        link.ReleaseCard();
        r.inside = m.counted.count() - claimCalls;
    }
    r.total = m.counted.count();
    r.accesses = m.port.accessCount();
    r.floor = m.floor.calls;
    r.eppCycles = m.floor.cycles;
    r.modeSwitches = m.modes.modes;
    r.sleepSeconds = static_cast<double>(m.clock.totalMilliseconds - sleptBefore) * 1e-3;
    // A fast run read twice would be no measurement of the bus's reads.
    if (auto* fast = dynamic_cast<test::ReadMode*>(m.io.get()))
        r.ok = ok && fast->untrusted == 0;
    else
        r.ok = ok;
    return r;
}

void BM_PortCalls(benchmark::State& state) {
    const auto chip = static_cast<uint8_t>(state.range(0));
    const bool spp = state.range(1) != 0;
    const auto op = static_cast<Op>(state.range(2));
    const auto image = zorvex::test::XorshiftBytes(sim::FindChip(chip)->capacity, 0x5EED + chip);
    Result ppdev, fast, direct;
    for (auto _ : state) {
        direct = RunOnce(chip, spp, false, op, image);
        ppdev = RunOnce(chip, spp, true, op, image);
        fast = RunOnce(chip, spp, true, op, image, true);
    }
    if (!ppdev.ok || !fast.ok || !direct.ok) {
        state.SkipWithError("the operation failed");
        return;
    }
    const auto perByte = [&](uint64_t n) {
        return static_cast<double>(n) / static_cast<double>(ppdev.bytes);
    };
    state.counters["ppdev_calls/byte"] = perByte(ppdev.inside);
    state.counters["floor/byte"] = perByte(direct.floor);
    state.counters["ratio"] = static_cast<double>(ppdev.inside) /
                              static_cast<double>(std::max<uint64_t>(direct.floor, 1));
    state.counters["mode_switches/byte"] = perByte(ppdev.modeSwitches);
    state.counters["ratio_with_modes"] =
        static_cast<double>(ppdev.inside) /
        static_cast<double>(std::max<uint64_t>(direct.floor + ppdev.modeSwitches, 1));
    state.counters["direct_calls"] = static_cast<double>(direct.inside);
    state.counters["ppdev_s"] = ppdev.Seconds();
    state.counters["direct_s"] = direct.Seconds();
    // The same with only the program's own bus accesses: the kernel's EPP
    // loop reads the status register after every cycle, which costs bus
    // time that no number of calls can save.
    Result own = ppdev;
    own.accesses = ppdev.accesses - ppdev.eppCycles;
    state.counters["ppdev_own_accesses_s"] = own.Seconds();
    state.counters["accesses_ratio"] =
        static_cast<double>(ppdev.accesses) / static_cast<double>(direct.accesses);
    state.counters["ppdev_fast_s"] = fast.Seconds();
    state.counters["ppdev_fast_calls/byte"] = perByte(fast.inside);
    state.counters["ioctl_ns"] = IoctlSeconds() * 1e9;
}

}  // namespace

// One iteration each: a whole 8 MiB chip written and verified is tens of
// millions of simulated accesses per backend.
BENCHMARK(BM_PortCalls)
    ->ArgNames({"chip", "spp", "op"})
    ->ArgsProduct({{4, 16, 64}, {1, 0}, {0, 1, 2, 3}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
