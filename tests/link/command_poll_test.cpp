// Status polling, erase and their bounds, with chips that fail or never answer.
#include <gtest/gtest.h>

#include "sim/flash_16m.h"
#include "sim/flash_64m.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

using Texts = std::vector<std::string>;

TEST(StatusPoll16M, ChipEraseSucceedsAndResetsTheChip) {
    SimCardRig rig(16, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    rig.cart.chip().contents()[0x1234] = 0x00;
    EXPECT_EQ(rig.link->EraseChip(), 0);
    EXPECT_EQ(rig.cart.chip().contents()[0x1234], 0xFF);
    EXPECT_EQ(rig.cart.chip().stats().chipErases, 1u);
    EXPECT_TRUE(rig.cart.chip().inArrayMode());
    EXPECT_TRUE(rig.warnings.messages.empty());
}

TEST(StatusPoll16M, EraseFailureShowsBothBoxesInOrderAndStillResets) {
    SimCardRig rig(16, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.FailErases(1);
    EXPECT_EQ(rig.link->EraseChip(), 0xFF);
    EXPECT_EQ(rig.warnings.Texts(), (Texts{"Fail in erase!!!\a\n", "erase error!!!\a\n"}));
    for (const auto& m : rig.warnings.messages) EXPECT_EQ(m.second, "Warning");
    EXPECT_FALSE(static_cast<sim::Flash16MChip&>(rig.cart.chip()).inStatusMode());
}

TEST(StatusPoll16M, AnUnpluggedCardEndsAtTheBoundInsteadOfHanging) {
    // Lines floating low read as "busy, no error" for ever.
    SimCardRig rig(16, Engaged(TransferSpp));
    ASSERT_EQ(rig.Identify(), 0);
    rig.faulty.UnplugAfter(200, 0x00);
    EXPECT_EQ(rig.link->EraseChip(), 0xFF);
    EXPECT_EQ(rig.warnings.Texts(),
              (Texts{"Flash chip not responding!!!\a\n", "erase error!!!\a\n"}));
    // The bound is set in waited time: ten times the chip's typical 20.8 s
    // chip erase, a few minutes at most.
    EXPECT_GE(rig.clock.totalMilliseconds, 208000u);
    EXPECT_LT(rig.clock.totalMilliseconds, 300000u);
}

TEST(StatusPoll16M, ASlowChipEraseIsNotCutShort) {
    // Longer than the back-to-back phase of the poll: the waits begin and the
    // erase still completes.
    SimCardRig rig(16, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    rig.cart.chip().SetBusyReads({1, 3, 70000});
    EXPECT_EQ(rig.link->EraseChip(), 0);
    EXPECT_GT(rig.clock.totalMilliseconds, 1000u);
    EXPECT_TRUE(rig.warnings.messages.empty());
}

TEST(EraseBlock64M, NeverExactly0x80MeansNoEraseCommandAtAll) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.StuckStatus(0x90);  // ready, but an old program error never cleared
    rig.cart.chip().ResetStats();
    rig.Record();
    EXPECT_EQ(EraseBlock64M(rig.link->bus(), 0x20000), 0xFF);
    EXPECT_EQ(rig.cart.chip().stats().statusReads, 0x8000u);
    for (const auto& c : rig.bus.Of(BusCycle::Flash)) EXPECT_EQ(c.value, 0x70) << c.address;
    EXPECT_EQ(rig.cart.chip().stats().blockErases, 0u);
}

TEST(EraseBlock64M, EraseFailureClearsStatusAndReturnsToReadArray) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.FailErases(1);
    EXPECT_EQ(EraseBlock64M(rig.link->bus(), 0x40000), 0xFF);
    auto& chip = static_cast<sim::Flash64MChip&>(rig.cart.chip());
    EXPECT_EQ(chip.errorBits(), 0);
    EXPECT_TRUE(chip.inArrayReadMode());
    EXPECT_TRUE(rig.warnings.messages.empty());  // the block erase itself shows nothing
}

TEST(EraseBlock64M, AChipThatNeverFinishesGetsItsStatusCleared) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.NeverReady();
    rig.cart.chip().contents()[0x60000] = 0x00;
    rig.Record();
    EXPECT_EQ(EraseBlock64M(rig.link->bus(), 0x60000), 0xFF);
    const auto flash = rig.bus.Of(BusCycle::Flash);
    ASSERT_FALSE(flash.empty());
    EXPECT_EQ(flash.back().value, 0x50);
    // The block's erase ran (contents cleared) but never reported completion.
    EXPECT_EQ(rig.cart.chip().stats().blockErases, 1u);
}

TEST(EraseChip, The64MChipIsErasedBlockByBlockAndStopsAtTheFirstFailure) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    EXPECT_EQ(rig.link->EraseChip(), 0);
    EXPECT_EQ(rig.cart.chip().stats().blockErases, 64u);

    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.FailErases(1);
    rig.cart.chip().ResetStats();
    EXPECT_EQ(rig.link->EraseChip(), 0xFF);
    EXPECT_EQ(rig.cart.chip().stats().blockErases, 1u);
    EXPECT_EQ(rig.warnings.Texts(), (Texts{"intel erase failed"}));
}

TEST(EraseChip, The4MChipErasesAndAnUnknownChipIsRefused) {
    SimCardRig rig(4, Engaged(TransferSpp));
    ASSERT_EQ(rig.Identify(), 0);
    rig.cart.chip().contents()[0x7FFFF] = 0x12;
    EXPECT_EQ(rig.link->EraseChip(), 0);
    EXPECT_EQ(rig.cart.chip().contents()[0x7FFFF], 0xFF);
    EXPECT_GE(rig.clock.totalMilliseconds, 20u);

    rig.port.SetCartridge(nullptr);  // a detection that found no chip
    ASSERT_EQ(rig.Identify(), 1);
    rig.port.ResetCounts();
    EXPECT_EQ(rig.link->EraseChip(), 0xFF);
    EXPECT_EQ(rig.port.accessCount(), 0u);
    EXPECT_EQ(rig.warnings.Texts(), (Texts{"eeprom type error!\a\n"}));
}

TEST(WaitReady64M, GivesUpAfter32768StatusReadsAndClearsStatus) {
    SimCardRig rig(64, Engaged());
    ASSERT_EQ(rig.Identify(), 0);
    sim::FaultInjector faults;
    rig.cart.SetHooks(&faults);
    faults.StuckStatus(0x00);
    rig.cart.chip().ResetStats();
    rig.Record();
    EXPECT_EQ(WaitReady64M(rig.link->bus()), 0xFF);
    EXPECT_EQ(rig.cart.chip().stats().statusReads, 0x8000u);
    EXPECT_EQ(rig.bus.Of(BusCycle::Flash).back().value, 0x50);
}

}  // namespace
}  // namespace zorvex::test
