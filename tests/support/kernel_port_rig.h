#pragma once

// A CardLink on a real-port backend (ppdev, or direct port I/O) whose kernel
// is the emulated kernel parallel port, in front of the simulated port and
// card. The port's wire record shows what each operation put on the lines.

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
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
#include "tests/support/failure_text.h"

namespace zorvex::test {

// PpdevByteByByte: ppdev with every read run byte by byte, as before the
// bus took the kernel's fast reads.
enum class Backend { Ppdev, PpdevByteByByte, Direct };

// A port's read runs with or without its fast mode, as the bus sees them.
// Without it every run is read byte by byte; with it, a run the backend
// reports as untrusted is noted.
class ReadMode final : public PortCycles {
  public:
    ReadMode(PortCycles& inner, bool fast) : inner_(inner), fast_(fast) {}
    ReadMode(std::unique_ptr<PortCycles> owned, bool fast) : ReadMode(*owned, fast) {
        owned_ = std::move(owned);
    }
    void Write(uint16_t base, PortRegister reg, uint8_t value) override {
        inner_.Write(base, reg, value);
    }
    uint8_t Read(uint16_t base, PortRegister reg) override { return inner_.Read(base, reg); }
    void WriteEppData(uint16_t base, const uint8_t* values, size_t count) override {
        inner_.WriteEppData(base, values, count);
    }
    void ReadEppData(uint16_t base, uint8_t* values, size_t count) override {
        inner_.ReadEppData(base, values, count);
    }
    size_t ReadEppDataFirstDifference(uint16_t base, const uint8_t* expected,
                                      size_t count) override {
        return inner_.ReadEppDataFirstDifference(base, expected, count);
    }
    bool ReadEppDataFast(uint16_t base, uint8_t* values, size_t count) override {
        if (!fast_) return PortCycles::ReadEppDataFast(base, values, count);
        return Noted(inner_.ReadEppDataFast(base, values, count));
    }
    bool ReadEppDataFirstDifferenceFast(uint16_t base, const uint8_t* expected, size_t count,
                                        size_t& at) override {
        if (!fast_) return PortCycles::ReadEppDataFirstDifferenceFast(base, expected, count, at);
        return Noted(inner_.ReadEppDataFirstDifferenceFast(base, expected, count, at));
    }
    bool BeginOperation(uint16_t base) override { return inner_.BeginOperation(base); }
    void EndOperation(uint16_t base) override { inner_.EndOperation(base); }
    std::string AccessProblem(uint16_t base) const override { return inner_.AccessProblem(base); }
    uint64_t untrusted = 0;

  private:
    bool Noted(bool trusted) {
        untrusted += trusted ? 0 : 1;
        return trusted;
    }
    PortCycles& inner_;
    bool fast_;
    std::unique_ptr<PortCycles> owned_;
};

// One entry of the wire record: a change of the lines or an EPP cycle.
struct WireEvent {
    bool cycle = false;
    sim::WireLevels levels;  // the lines after a change
    sim::EppCycle kind = sim::EppCycle::AddressWrite;
    uint8_t value = 0;
    bool operator==(const WireEvent&) const = default;
};

inline std::string Describe(const WireEvent& e) {
    static const char* kKinds[] = {"addr-write", "data-write", "data-read", "addr-read"};
    char text[64];
    if (e.cycle)
        std::snprintf(text, sizeof text, "EPP %s %02X", kKinds[static_cast<int>(e.kind)], e.value);
    else
        std::snprintf(text, sizeof text, "lines ctl=%X data=%s%02X", e.levels.control,
                      e.levels.dataDriven ? "" : "(undriven)", e.levels.data);
    return text;
}

class WireRecorder final : public sim::WireObserver {
  public:
    void LinesChanged(uint16_t, const sim::WireLevels& levels) override {
        events.push_back({false, levels});
    }
    void Cycle(uint16_t, sim::EppCycle cycle, uint8_t value, bool) override {
        events.push_back({true, {}, cycle, value});
    }
    std::vector<WireEvent> Take() { return std::exchange(events, {}); }
    std::vector<WireEvent> events;
};

// The two instructions of direct port I/O, executed on a simulated port (or
// on whatever stands between the program and it).
class SimInstructions final : public IoInstructions {
  public:
    explicit SimInstructions(PortIo& port) : port_(port) {}
    void Out(uint16_t address, uint8_t value) override { port_.Out(address, value); }
    uint8_t In(uint16_t address) override { return port_.In(address); }

  private:
    PortIo& port_;
};

struct KernelPortRig {
    static constexpr uint16_t kBase = 0x378;

    // `cardTakesEpp` false: the card does not answer EPP on the port's EPP chip.
    KernelPortRig(uint8_t chip, Backend backend, sim::KernelEpp epp, bool cardTakesEpp = true,
                  sim::KernelDevice device = {})
        : port(sim::SimPortSetup{{kBase},
                                 1,
                                 epp != sim::KernelEpp::Software && cardTakesEpp,
                                 epp == sim::KernelEpp::EcpEpp}),
          cart(*sim::FindChip(chip)),
          kernel(port, {Device(device, epp)}),
          counted(kernel),
          instructions(port),
          source({kBase}) {
        port.SetCartridge(&cart);
        // The backends spend different numbers of accesses around the same
        // cycles (the kernel's own status reads), so busy times counted in
        // simulated time would make their polls differ; counted in reads,
        // the wires stay comparable.
        cart.chip().SetBusyReads({});
        // The kernel's own idle state at boot: nSelectIn asserted, nInit high.
        port.Out(kBase + 2, 0x0C);
        port.SetWireObserver(&wire);
        std::vector<KernelPort> ports{{1, kBase, "parport0", static_cast<uint16_t>(kBase + 0x400),
                                       epp == sim::KernelEpp::EcpEpp,
                                       epp != sim::KernelEpp::Software}};
        if (backend == Backend::Ppdev)
            io = std::make_unique<PpdevPortIo>(ports, counted, "/dev");
        else if (backend == Backend::PpdevByteByByte)
            io = std::make_unique<ReadMode>(std::make_unique<PpdevPortIo>(ports, counted, "/dev"),
                                            false);
        else
            io = std::make_unique<DirectPortIo>(ports, instructions, counted, "/dev");
        link = std::make_unique<CardLink>(*io, source, clock, warnings);
    }

    static sim::KernelDevice Device(sim::KernelDevice device, sim::KernelEpp epp) {
        device.path = "/dev/parport0";
        device.base = kBase;
        device.epp = epp;
        return device;
    }

    sim::SimParallelPort port;
    sim::Cartridge cart;
    sim::KernelParport kernel;
    CountingSystemCalls counted;
    SimInstructions instructions;
    ListPortSource source;
    CountingClock clock;
    NullMessageSink warnings;
    WireRecorder wire;
    std::unique_ptr<PortCycles> io;
    std::unique_ptr<CardLink> link;
};

}  // namespace zorvex::test
