// The fault injector's link-level decorator and its repeatability.
#include <gtest/gtest.h>

#include "sim/cartridge.h"
#include "sim/fault_injector.h"

namespace zorvex::sim {
namespace {

class CountingPort final : public PortIo {
  public:
    void Out(uint16_t, uint8_t) override { ++outs; }
    uint8_t In(uint16_t) override { return 0x5A; }
    int outs = 0;
};

TEST(FaultyPort, UnpluggedAfterNAccessesReadsTheFloatingValue) {
    CountingPort inner;
    FaultyPort port(inner);
    port.UnplugAfter(3, 0x00);
    port.Out(0x378, 1);
    EXPECT_EQ(port.In(0x379), 0x5A);
    port.Out(0x378, 1);
    EXPECT_TRUE(port.unplugged());
    port.Out(0x378, 1);
    EXPECT_EQ(port.In(0x379), 0x00);
    EXPECT_EQ(inner.outs, 2);
    port.Replug();
    EXPECT_EQ(port.In(0x379), 0x5A);
}

TEST(FaultInjector, SeededDropsRepeatAndDroppedWritesLoseData) {
    auto run = [](uint32_t seed) {
        Cartridge cart(*FindChip(64));
        FaultInjector faults(seed);
        cart.SetHooks(&faults);
        faults.DropFlashWrites(0.3);
        for (int i = 0; i < 200; ++i) cart.FlashWrite(0, 0x70);
        return faults.droppedWrites();
    };
    EXPECT_EQ(run(11), run(11));
    EXPECT_GT(run(11), 20u);
    EXPECT_LT(run(11), 120u);

    CountingPort innerA, innerB;
    FaultyPort a(innerA, 5), b(innerB, 5);
    a.DropOutputs(0.5);
    b.DropOutputs(0.5);
    for (int i = 0; i < 100; ++i) {
        a.Out(0, 0);
        b.Out(0, 0);
    }
    EXPECT_EQ(innerA.outs, innerB.outs);
    EXPECT_GT(innerA.outs, 20);
    EXPECT_LT(innerA.outs, 80);
}

TEST(FaultInjector, CorruptReadsWearOffAfterTheGivenCount) {
    Cartridge cart(*FindChip(16));
    cart.chip().contents()[0x10] = 0x3C;
    FaultInjector faults(2);
    cart.SetHooks(&faults);
    faults.CorruptReads(0x10, 2);
    EXPECT_NE(cart.Read(0x10), 0x3C);
    EXPECT_EQ(cart.Read(0x11), 0xFF);
    EXPECT_NE(cart.Read(0x10), 0x3C);
    EXPECT_EQ(cart.Read(0x10), 0x3C);
    cart.SetHooks(nullptr);
    EXPECT_EQ(cart.Read(0x10), 0x3C);
}

}  // namespace
}  // namespace zorvex::sim
