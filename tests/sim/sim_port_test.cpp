// The simulated parallel port: cycle decoding from raw accesses and the card's registers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/sim_parallel_port.h"

namespace zorvex::sim {
namespace {

// One bus cycle as text: "R8192", "W8192=3". Printed rather than built with
// "R" + std::to_string(a), which GCC 12 at -O3 wrongly warns about
// (-Wrestrict, GCC bugs 105329 and 105651).
std::string Cycle(char kind, uint16_t a) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%u", kind, a);
    return text;
}
std::string Cycle(char kind, uint16_t a, uint8_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%u=%u", kind, a, v);
    return text;
}

// Logs every bus cycle as text.
class LoggingBus final : public CartridgeBus {
  public:
    uint8_t Read(uint16_t a) override {
        log.push_back(Cycle('R', a));
        return static_cast<uint8_t>(a * 7);
    }
    void Write(uint16_t a, uint8_t v) override { log.push_back(Cycle('W', a, v)); }
    void FlashWrite(uint16_t a, uint8_t v) override { log.push_back(Cycle('F', a, v)); }
    std::vector<std::string> log;
};

// Raw SPP cycles as the program issues them, on the port at `b`.
void SppAddress(PortIo& io, uint16_t b, uint8_t r) {
    io.Out(b + 2, 0x01);
    io.Out(b, r);
    io.Out(b + 2, 0x09);
    io.Out(b + 2, 0x01);
}
void SppWrite(PortIo& io, uint16_t b, uint8_t v) {
    io.Out(b, v);
    io.Out(b + 2, 0x03);
    io.Out(b + 2, 0x01);
}
uint8_t SppRead(PortIo& io, uint16_t b, uint8_t* rawLow = nullptr) {
    io.Out(b + 2, 0x00);
    io.Out(b + 2, 0x02);
    const uint8_t lo = io.In(b + 1);
    io.Out(b + 2, 0x06);
    const uint8_t hi = io.In(b + 1);
    io.Out(b + 2, 0x00);
    if (rawLow) *rawLow = lo;
    return static_cast<uint8_t>(((hi >> 3) & 0x0F) << 4 | ((lo >> 3) & 0x0F));
}

TEST(SimPortRegisters, ModesDecideTheBusCycle) {
    LoggingBus bus;
    CardRegisters card(&bus);
    card.Select(0);
    card.Write(0x34);
    card.Select(1);
    card.Write(0x12);
    EXPECT_EQ(card.Read(), 0x12);  // address registers read back
    card.Select(0);
    EXPECT_EQ(card.Read(), 0x34);

    card.Select(3);
    card.Write(1);  // mode 0: released, no cycle
    EXPECT_EQ(card.Read(), 0xFF);
    EXPECT_TRUE(bus.log.empty());

    const uint16_t a = 0x1234;
    for (uint8_t mode : {0x80, 0x82}) {
        card.Select(2);
        card.Write(mode);
        EXPECT_EQ(card.Read(), mode);
        card.Select(3);
        card.Write(9);
        EXPECT_EQ(card.Read(), static_cast<uint8_t>(a * 7));
    }
    EXPECT_EQ(bus.log, (std::vector<std::string>{"W4660=9", "R4660", "F4660=9", "R4660"}));
    EXPECT_EQ(card.address(), a);  // single-cycle modes keep the address
    card.Select(7);                // only the low two bits select
    EXPECT_EQ(card.selected(), 3);
}

TEST(SimPortRegisters, BlockModesAdvanceTheLowByteAfterEveryDataCycle) {
    LoggingBus bus;
    CardRegisters card(&bus);
    card.Select(0);
    card.Write(0xFE);
    card.Select(1);
    card.Write(0xFF);
    card.Select(2);
    card.Write(0x81);
    card.Select(3);
    card.Write(1);
    card.Read();
    card.Select(2);
    card.Write(0x83);
    card.Select(3);
    card.Write(2);
    // The low byte wraps within its 256-byte page; register 1 keeps the page.
    EXPECT_EQ(bus.log, (std::vector<std::string>{"W65534=1", "R65535", "F65280=2"}));
    EXPECT_EQ(card.address(), 0xFF01);
    EXPECT_EQ(card.reg(0), 1);
    EXPECT_EQ(card.reg(1), 0xFF);
    EXPECT_EQ(card.busWrites(), 1u);
    EXPECT_EQ(card.busReads(), 1u);
    EXPECT_EQ(card.flashWrites(), 1u);
}

TEST(SimPortDecoding, SppCyclesReachTheCardOnlyOnTheirStrobeEdges) {
    SimParallelPort port({{0x378}, 1, true});
    LoggingBus bus;
    port.SetCartridge(&bus);
    SppAddress(port, 0x378, 2);
    SppWrite(port, 0x378, 0x80);
    EXPECT_EQ(port.card().mode(), 0x80);
    SppAddress(port, 0x378, 3);
    port.Out(0x378, 0x11);
    port.Out(0x37A, 0x03);
    port.Out(0x37A, 0x03);  // still the same strobe: no second write
    port.Out(0x37A, 0x01);
    port.Out(0x378, 0x22);  // the data register alone starts nothing
    EXPECT_EQ(bus.log, (std::vector<std::string>{"W0=17"}));
    bus.log.clear();
    // One read cycle per strobe, whichever nibble is looked at first.
    uint8_t rawLow = 0;
    SppRead(port, 0x378, &rawLow);
    EXPECT_EQ(bus.log.size(), 1u);
    // Busy and bits 1..2 are driven with values that are not data; bit 0 is
    // the EPP time-out flag, clear while no EPP cycle went unanswered.
    EXPECT_EQ(rawLow & 0x87, 0x86);
    // Moving to the high nibble does not start a new cycle; going back to the
    // low one is no step of the protocol.
    port.violations().ExpectViolations();
    port.Out(0x37A, 0x02);
    port.Out(0x37A, 0x06);
    port.Out(0x37A, 0x02);
    EXPECT_EQ(bus.log.size(), 2u);
    EXPECT_EQ(port.violations().entries(), (std::vector<std::string>{"control 0x02 after 0x06"}));
}

TEST(SimPortDecoding, StepsOutOfTheProtocolAreRecordedAndMisbehave) {
    SimParallelPort port({{0x378}, 1, true});
    LoggingBus bus;
    port.SetCartridge(&bus);
    port.violations().ExpectViolations();
    // EPP: a read while nWrite is asserted is a write of the floating bus.
    port.Out(0x37A, 0x01);
    port.Out(0x37B, 0);
    port.Out(0x37C, 0x42);
    EXPECT_EQ(port.In(0x37C), 0xFF);
    EXPECT_EQ(port.card().reg(0), 0xFF);
    // The EPP hardware drives nWrite itself for its write cycles (the
    // kernel's ECP path leaves control 0x04 around them).
    port.Out(0x37A, 0x00);
    port.Out(0x37C, 0x42);
    EXPECT_EQ(port.card().reg(0), 0x42);
    // SPP: a data strobe not set up from the write state latches nothing, and
    // a status read outside a nibble read floats high.
    port.Out(0x378, 0x33);
    port.Out(0x37A, 0x03);
    port.Out(0x37A, 0x01);
    EXPECT_EQ(port.card().reg(0), 0x42);
    EXPECT_EQ(port.In(0x379) & 0x78, 0x78);
    // A mode value the card does not know leaves it released.
    SppAddress(port, 0x378, 2);
    SppWrite(port, 0x378, 0x84);
    SppAddress(port, 0x378, 3);
    SppWrite(port, 0x378, 0x55);
    EXPECT_FALSE(port.card().engaged());
    EXPECT_TRUE(bus.log.empty());
    EXPECT_EQ(port.violations().entries(),
              (std::vector<std::string>{"EPP data read with nWrite asserted (control 0x01)",
                                        "control 0x03 after 0x00",
                                        "mode register 0x84 is no mode of the card"}));
}

TEST(SimPortDecoding, SppAndEppShareTheCardRegisters) {
    SimParallelPort port({{0x278}, 1, true});
    SppAddress(port, 0x278, 1);
    SppWrite(port, 0x278, 0xA5);
    port.Out(0x27B, 0);     // EPP address cycle
    port.Out(0x27C, 0x5A);  // EPP data write
    port.Out(0x27B, 1);
    port.Out(0x27A, 0x00);  // nWrite released for the read
    EXPECT_EQ(port.In(0x27C), 0xA5);
    SppAddress(port, 0x278, 0);
    EXPECT_EQ(SppRead(port, 0x278), 0x5A);
    EXPECT_EQ(port.card().selected(), 0);
}

TEST(SimPortDecoding, PortsWithoutTheCardOrWithoutEppStayDeaf) {
    SimParallelPort port({{0x378, 0x278}, 2, /*epp=*/false});
    EXPECT_EQ(port.cardBase(), 0x278);
    // The card-less port: open bus, and nothing reaches the card.
    SppAddress(port, 0x378, 1);
    SppWrite(port, 0x378, 0x42);
    EXPECT_EQ(port.card().reg(1), 0);
    for (uint16_t a = 0x378; a < 0x37D; ++a) EXPECT_EQ(port.In(a), 0xFF) << a;
    // The card port without EPP ignores EPP cycles.
    port.Out(0x27B, 1);
    port.Out(0x27C, 0x42);
    EXPECT_EQ(port.card().reg(1), 0);
    EXPECT_EQ(port.card().reg(0), 0);
    EXPECT_EQ(port.In(0x27C), 0xFF);
    // No card at all.
    SimParallelPort empty({{0x378}, 0, true});
    EXPECT_EQ(empty.cardBase(), 0);
    empty.Out(0x37B, 2);
    empty.Out(0x37C, 0x80);
    EXPECT_EQ(empty.card().mode(), 0);
    EXPECT_EQ(empty.In(0x37C), 0xFF);
}

TEST(SimPortRecording, TraceIsOptInAndCountsAreAlwaysOn) {
    SimParallelPort port({{0x378}, 1, true});
    port.Out(0x37A, 1);
    port.In(0x378);
    EXPECT_TRUE(port.trace().empty());
    EXPECT_EQ(port.writeCount(), 1u);
    EXPECT_EQ(port.readCount(), 1u);
    port.StartRecording();
    port.Out(0x37B, 1);
    port.Out(0x37C, 0x66);
    port.Out(0x37A, 0);
    const uint8_t v = port.In(0x37C);
    port.In(0x500);  // no port there
    port.StopRecording();
    port.Out(0x37A, 4);
    EXPECT_EQ(v, 0x66);
    EXPECT_EQ(port.trace(), (std::vector<PortAccess>{{0x37B, 1, true},
                                                     {0x37C, 0x66, true},
                                                     {0x37A, 0, true},
                                                     {0x37C, 0x66, false},
                                                     {0x500, 0xFF, false}}));
    EXPECT_EQ(port.accessCount(), 8u);
    port.ResetCounts();
    port.ClearTrace();
    EXPECT_EQ(port.accessCount(), 0u);
    EXPECT_TRUE(port.trace().empty());
}

}  // namespace
}  // namespace zorvex::sim
