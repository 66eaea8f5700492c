// The port access layer of CardLink against the simulated parallel port.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <vector>

#include "link/card_link.h"
#include "link/port_discovery.h"
#include "sim/sim_parallel_port.h"

namespace zorvex {
namespace {

using sim::PortAccess;
using sim::SimParallelPort;
using sim::SimPortSetup;

// A cartridge that remembers the bytes written to each bus address.
class MemoryBus final : public sim::CartridgeBus {
  public:
    uint8_t Read(uint16_t address) override {
        reads.push_back(address);
        auto it = memory.find(address);
        return it == memory.end() ? 0xFF : it->second;
    }
    void Write(uint16_t address, uint8_t value) override { memory[address] = value; }
    void FlashWrite(uint16_t address, uint8_t value) override { flash[address] = value; }
    std::map<uint16_t, uint8_t> memory, flash;
    std::vector<uint16_t> reads;
};

std::vector<PortAccess> Writes(const std::vector<PortAccess>& trace) {
    std::vector<PortAccess> out;
    for (const auto& a : trace)
        if (a.write) out.push_back(a);
    return out;
}

bool Touches(const std::vector<PortAccess>& trace, uint16_t address) {
    for (const auto& a : trace)
        if (a.address == address) return true;
    return false;
}

TEST(PortAccess, ConstructionWithoutPortsPerformsNoIo) {
    SimParallelPort port({{0x378}, 1, true});  // a port exists, the system lists none
    port.StartRecording();
    ListPortSource none({});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(port, none, clock, sink);
    EXPECT_EQ(port.accessCount(), 0u);
    EXPECT_TRUE(port.trace().empty());
    EXPECT_EQ(link.PortCount(), 0);
    EXPECT_EQ(link.bus().base(), 0);
    EXPECT_EQ(link.card().capacity(), 0x800000);
    EXPECT_EQ(link.ChosenPort(), 0);  // all ports
    EXPECT_EQ(link.TransferMode(), TransferAuto);
}

TEST(PortAccess, ConstructionSelectsAndProbesTheFirstPort) {
    SimParallelPort port({{0x378, 0x278}, 1, true});
    ListPortSource source({0x378, 0x278});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(port, source, clock, sink);
    EXPECT_EQ(link.PortCount(), 2);
    EXPECT_EQ(link.bus().base(), 0x378);
    EXPECT_FALSE(link.bus().spp());       // both work, EPP preferred
    EXPECT_EQ(port.card().mode(), 0x00);  // released after the probe
    EXPECT_EQ(port.card().reg(0), 0x34);  // the echo values went through
    EXPECT_EQ(port.card().reg(1), 0x12);
    EXPECT_GT(port.accessCount(), 0u);
}

TEST(PortAccess, ChoosingAllPortsKeepsThePortAndANumberPastTheLastMeansPort1) {
    SimParallelPort port({{0x378, 0x278}, 1, true});
    ListPortSource source({0x378, 0x278});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(port, source, clock, sink);
    port.StartRecording();
    const bool spp = link.bus().spp();
    link.ChoosePort(0);
    EXPECT_EQ(link.ChosenPort(), 0);
    EXPECT_EQ(link.bus().base(), 0x378);
    EXPECT_EQ(link.bus().spp(), spp);
    EXPECT_TRUE(port.trace().empty());

    link.ChoosePort(2);  // no card there: selected anyway, probe fails
    EXPECT_EQ(link.ChosenPort(), 2);
    EXPECT_EQ(link.bus().base(), 0x278);
    EXPECT_FALSE(port.trace().empty());
    EXPECT_FALSE(Touches(port.trace(), 0x378));
    for (int n : {3, 9, 256, -1}) {
        link.ChoosePort(n);
        EXPECT_EQ(link.ChosenPort(), 1) << n;
        EXPECT_EQ(link.bus().base(), 0x378) << n;
    }
}

TEST(PortAccess, LptGapsKeepEveryPortReachableAndBaseZeroUntouched) {
    // Only LPT2 exists: entry 1 stays empty and is never accessed.
    SimParallelPort port({{0x378, 0x278}, 2, true});
    port.StartRecording();
    ListPortSource source({0, 0x278});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(port, source, clock, sink);
    EXPECT_EQ(link.PortBase(1), 0);
    EXPECT_EQ(link.PortBase(2), 0x278);
    EXPECT_EQ(link.PortCount(), 2);
    EXPECT_TRUE(port.trace().empty());  // selecting LPT1 hit a base of 0
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferAuto), 1);
    EXPECT_TRUE(port.trace().empty());
    link.ChoosePort(2);
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferAuto), 0);
    for (const auto& a : port.trace()) EXPECT_GE(a.address, 0x278) << a.address;
}

TEST(PortAccess, PortAt3BCIsNeverTriedInEpp) {
    for (int card : {1, 0}) {
        SimParallelPort port({{0x3BC}, card, true});
        port.StartRecording();
        ListPortSource source({0x3BC});
        CountingClock clock;
        NullMessageSink sink;
        CardLink link(port, source, clock, sink);
        EXPECT_TRUE(link.bus().spp()) << card;  // even when the SPP probe failed
        EXPECT_FALSE(Touches(port.trace(), 0x3BF)) << card;
        EXPECT_FALSE(Touches(port.trace(), 0x3C0)) << card;
        EXPECT_EQ(link.bus().ChooseTransferMode(TransferAuto), card ? 0 : 1);
    }
}

TEST(PortAccess, SppOnlyCardEndsInSppAndIsReleasedOverSpp) {
    SimParallelPort port({{0x378}, 1, /*epp=*/false});
    ListPortSource source({0x378});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(port, source, clock, sink);
    port.StartRecording();
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferAuto), 0);
    EXPECT_TRUE(link.bus().spp());
    EXPECT_EQ(port.card().mode(), 0x00);
    // The final release: WriteRegister(2, 0x00) over SPP, then control 0x04.
    const std::vector<PortAccess> release = {
        {0x37A, 0x01, true}, {0x378, 0x02, true}, {0x37A, 0x09, true}, {0x37A, 0x01, true},
        {0x378, 0x00, true}, {0x37A, 0x03, true}, {0x37A, 0x01, true}, {0x37A, 0x04, true}};
    const auto writes = Writes(port.trace());
    ASSERT_GE(writes.size(), release.size());
    EXPECT_EQ(
        std::vector<PortAccess>(writes.end() - static_cast<long>(release.size()), writes.end()),
        release);
}

TEST(PortAccess, ForcedModesProbeOnlyTheirTransport) {
    SimParallelPort port({{0x378}, 1, /*epp=*/false});
    ListPortSource source({0x378});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(port, source, clock, sink);
    port.StartRecording();
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferEpp), 1);
    EXPECT_FALSE(link.bus().spp());
    for (const auto& a : port.trace())  // no SPP data-register traffic at all
        EXPECT_NE(a.address, 0x378);
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferSpp), 0);
    EXPECT_TRUE(link.bus().spp());
}

// Passes everything through but sticks status bit 3 low, so SPP read-backs
// lose bit 0 of their low nibble.
class StuckStatusBit final : public PortIo {
  public:
    explicit StuckStatusBit(PortIo& inner, uint16_t status) : inner_(inner), status_(status) {}
    void Out(uint16_t a, uint8_t v) override { inner_.Out(a, v); }
    uint8_t In(uint16_t a) override {
        const uint8_t v = inner_.In(a);
        return a == status_ ? static_cast<uint8_t>(v & ~0x08) : v;
    }

  private:
    PortIo& inner_;
    uint16_t status_;
};

TEST(PortAccess, FailedProbeReturnsAtOnceWithTheCardEngaged) {
    SimParallelPort port({{0x378}, 1, false});
    StuckStatusBit faulty(port, 0x379);  // 0x12 reads back as 0x02
    ListPortSource source({0x378});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(faulty, source, clock, sink);
    link.bus().SetSpp(true);
    port.StartRecording();
    port.ResetCounts();
    EXPECT_EQ(link.bus().ProbeLink(), 1);
    EXPECT_EQ(port.card().mode(), 0x80);  // still engaged
    // Engage 1+7+7, two echo writes 7+7, select 5, idle 1, one read 4 writes + 2 reads;
    // nothing after the first failed read-back.
    EXPECT_EQ(port.writeCount(), 39u);
    EXPECT_EQ(port.readCount(), 2u);
    for (const auto& a : port.trace()) EXPECT_FALSE(a.address == 0x37A && a.value == 0x04);
    EXPECT_EQ(link.bus().ChooseTransferMode(TransferSpp), 1);
    EXPECT_TRUE(link.bus().spp());
}

// Raw cycle builders, written out by hand from the card's cycle sequences
// (docs/ARCHITECTURE.md), not taken from the driver.
struct Trace {
    std::vector<PortAccess> a;
    void Out(uint16_t address, uint8_t v) { a.push_back({address, v, true}); }
    void In(uint16_t address, uint8_t v) { a.push_back({address, v, false}); }
};

TEST(PortAccess, ProbeLinkIsTheDocumentedCycleSequenceInBothTransports) {
    for (bool spp : {false, true}) {
        SimParallelPort port({{0x378}, 1, true});
        ListPortSource source({0x378});
        CountingClock clock;
        NullMessageSink sink;
        CardLink link(port, source, clock, sink);
        link.bus().SetSpp(spp);
        port.StartRecording();
        EXPECT_EQ(link.bus().ProbeLink(), 0);

        Trace t;
        const auto address = [&](uint8_t r) {  // SPP or EPP address write
            t.Out(0x37A, 0x01);
            if (spp) {
                t.Out(0x378, r);
                t.Out(0x37A, 0x09);
                t.Out(0x37A, 0x01);
            } else {
                t.Out(0x37B, r);
            }
        };
        const auto data = [&](uint8_t v) {
            if (spp) {
                t.Out(0x378, v);
                t.Out(0x37A, 0x03);
                t.Out(0x37A, 0x01);
            } else {
                t.Out(0x37C, v);
            }
        };
        const auto writeRegister = [&](uint8_t r, uint8_t v) {
            address(r);
            if (!spp) t.Out(0x37A, 0x01);
            data(v);
        };
        const auto readBack = [&](uint8_t r, uint8_t v) {
            t.Out(0x37A, 0x01);  // SelectRegister
            address(r);
            t.Out(0x37A, 0x00);  // idle before the read
            if (spp) {
                t.Out(0x37A, 0x00);
                t.Out(0x37A, 0x02);
                t.In(0x379, static_cast<uint8_t>(0x86 | (v & 0x0F) << 3));
                t.Out(0x37A, 0x06);
                t.In(0x379, static_cast<uint8_t>(0x86 | (v >> 4) << 3));
                t.Out(0x37A, 0x00);
            } else {
                t.In(0x37C, v);
            }
        };
        t.Out(0x379, 0x01);  // EngageCard
        writeRegister(2, 0x00);
        writeRegister(2, 0x80);
        writeRegister(1, 0x12);  // both echo values before either read-back
        writeRegister(0, 0x34);
        readBack(1, 0x12);
        readBack(0, 0x34);
        writeRegister(2, 0x00);  // ReleaseCard
        t.Out(0x37A, 0x04);
        EXPECT_EQ(port.trace(), t.a) << (spp ? "SPP" : "EPP");
    }
}

TEST(PortAccess, PrimitiveCostsInPortAccesses) {
    struct Case {
        bool spp;
        uint64_t registerWrites, dataWrites, readWrites, readReads;
    };
    for (const Case c : {Case{true, 7, 3, 4, 2}, Case{false, 4, 1, 0, 1}}) {
        SimParallelPort port({{0x378}, 1, true});
        ListPortSource source({0x378});
        CountingClock clock;
        NullMessageSink sink;
        CardLink link(port, source, clock, sink);
        link.bus().SetSpp(c.spp);
        port.ResetCounts();
        link.bus().WriteRegister(0, 0x55);
        EXPECT_EQ(port.writeCount(), c.registerWrites) << c.spp;
        EXPECT_EQ(port.readCount(), 0u) << c.spp;
        port.ResetCounts();
        link.bus().WriteData(0x66);
        EXPECT_EQ(port.writeCount(), c.dataWrites) << c.spp;
        EXPECT_EQ(port.readCount(), 0u) << c.spp;
        link.bus().SetControl(0x00);  // reads follow the idle state, as callers set it
        port.ResetCounts();
        EXPECT_EQ(link.bus().ReadData(), 0x66) << c.spp;
        EXPECT_EQ(port.writeCount(), c.readWrites) << c.spp;
        EXPECT_EQ(port.readCount(), c.readReads) << c.spp;
    }
}

// Answers status reads from a script; everything else reads 0xFF.
class ScriptedStatus final : public PortIo {
  public:
    void Out(uint16_t, uint8_t) override {}
    uint8_t In(uint16_t address) override {
        if (address != 0x379 || script.empty()) return 0xFF;
        const uint8_t v = script.front();
        script.pop_front();
        return v;
    }
    std::deque<uint8_t> script;
};

TEST(PortAccess, SppReadAssemblesStatusNibbles) {
    ScriptedStatus port;
    ListPortSource source({0x378});
    CountingClock clock;
    NullMessageSink sink;
    CardLink link(port, source, clock, sink);
    link.bus().SetSpp(true);
    struct Case {
        uint8_t low, high, expected;
    };
    for (const Case c : {Case{0x78, 0x00, 0x0F}, Case{0x00, 0x78, 0xF0}, Case{0x87, 0x87, 0x00},
                         Case{0x08 | 0x80, 0x40 | 0x07, 0x81}, Case{0x50, 0x28, 0x5A}}) {
        port.script = {c.low, c.high};
        EXPECT_EQ(link.bus().ReadData(), c.expected) << int(c.low) << "/" << int(c.high);
        EXPECT_TRUE(port.script.empty());
    }
}

TEST(PortAccess, RegisterCyclesReachTheCartridgeBusInBothTransports) {
    for (bool spp : {true, false}) {
        SimParallelPort port({{0x278}, 1, true});
        MemoryBus bus;
        port.SetCartridge(&bus);
        ListPortSource source({0x278});
        CountingClock clock;
        NullMessageSink sink;
        CardLink link(port, source, clock, sink);
        link.bus().SetSpp(spp);
        link.bus().EngageCard();
        EXPECT_EQ(port.card().mode(), 0x80);
        link.bus().WriteRegister(0, 0x00);
        link.bus().WriteRegister(1, 0x90);  // not save RAM, which needs its enable sequence
        link.bus().WriteRegister(3, 0x5A);  // single bus write at 0x9000
        link.bus().WriteRegister(2, 0x81);  // block mode: the address advances
        link.bus().WriteRegister(0, 0x10);
        link.bus().SelectRegister(3);
        link.bus().SetControl(0x01);
        for (uint8_t v : {0x11, 0x22, 0x33}) link.bus().WriteData(v);
        link.bus().WriteRegister(0, 0x10);
        link.bus().SelectRegister(3);
        link.bus().SetControl(0x00);
        EXPECT_EQ(link.bus().ReadData(), 0x11) << spp;
        EXPECT_EQ(link.bus().ReadData(), 0x22) << spp;
        EXPECT_EQ(link.bus().ReadData(), 0x33) << spp;
        EXPECT_EQ(bus.memory[0x9000], 0x5A) << spp;
        EXPECT_EQ(bus.memory.size(), 4u) << spp;
        EXPECT_EQ(port.card().address(), 0x9013) << spp;
        link.ReleaseCard();
        EXPECT_EQ(port.card().mode(), 0x00);
        EXPECT_EQ(port.card().address(), 0x9013);
    }
}

}  // namespace
}  // namespace zorvex
