#include <gtest/gtest.h>

#include "tests/support/sim_card_rig.h"

namespace zorvex {
namespace {

using test::SimCardRig;

TEST(DetectCard, ScanSelectsTheOnlyPortThatAnswersAndNamesItLater) {
    SimCardRig rig(16, {.bases = {0x378, 0x278, 0x3BC}, .cardPort = 3});
    CardLink& link = *rig.link;
    link.progressPercent = 77;
    link.cancelRequested = true;
    ASSERT_EQ(link.DetectCard(), 0) << link.messageText;
    EXPECT_EQ(link.currentPortIndex, 3);
    EXPECT_EQ(link.currentPortBase, 0x3BC);
    EXPECT_EQ(link.flashType, Flash16M);
    EXPECT_EQ(link.capacity, 0x200000);
    EXPECT_EQ(link.progressPercent, 0);
    EXPECT_FALSE(link.cancelRequested);
    EXPECT_EQ(rig.port.card().mode(), 0x80);  // left engaged for the caller

    // The same machine with nothing in the card's slot names port 3.
    SimCardRig empty(0, {.bases = {0x378, 0x278, 0x3BC}, .cardPort = 3});
    EXPECT_EQ(empty.link->DetectCard(), -1);
    EXPECT_EQ(empty.link->messageText, "Flash memory not present on Ombra Card on Port 3");
    EXPECT_EQ(empty.port.card().mode(), 0x00);
}

TEST(DetectCard, FailuresNameThePortOrAllPorts) {
    SimCardRig none(4, {.bases = {0x378, 0x278, 0x3BC}, .cardPort = 0});
    EXPECT_EQ(none.link->DetectCard(), -1);
    EXPECT_EQ(none.link->messageText, "Could not detect Ombra Card on any Port");

    // One port: no scan, and the message carries that port's number.
    SimCardRig single(4, {.bases = {0x278}, .cardPort = 0});
    EXPECT_EQ(single.link->DetectCard(), -1);
    EXPECT_EQ(single.link->messageText, "Could not detect Ombra Card on Port 1");

    // A chosen port without the card, while another port has it.
    SimCardRig chosen(4, {.bases = {0x378, 0x278}});
    chosen.link->scanAllPorts = false;
    chosen.link->SelectPort(2);
    EXPECT_EQ(chosen.link->DetectCard(), -1);
    EXPECT_EQ(chosen.link->messageText, "Could not detect Ombra Card on Port 2");
    chosen.link->SelectPort(1);
    EXPECT_EQ(chosen.link->DetectCard(), 0) << chosen.link->messageText;
}

TEST(DetectCard, PortsWithoutABaseAddressAreNeverAccessed) {
    SimCardRig nothing(4, {.bases = {}, .cardPort = 0});
    nothing.port.ResetCounts();
    EXPECT_EQ(nothing.link->DetectCard(), -1);
    EXPECT_EQ(nothing.link->messageText, "Could not detect Ombra Card: no parallel port found");
    EXPECT_EQ(nothing.port.accessCount(), 0u);

    // LPT2 missing between LPT1 and LPT3: the scan steps over it.
    SimCardRig gap(64, {.bases = {0x378, 0, 0x278}, .cardPort = 3});
    gap.port.StartRecording();
    ASSERT_EQ(gap.link->DetectCard(), 0) << gap.link->messageText;
    EXPECT_EQ(gap.link->currentPortIndex, 3);
    for (const auto& access : gap.port.trace()) ASSERT_GE(access.address, 0x278);
}

TEST(OpenCard, ReturnsTheSaveBanksOfTheChip) {
    const struct {
        uint8_t chip;
        int banks;
        int32_t capacity;
    } cases[] = {{4, 4, 0x80000}, {16, 16, 0x200000}, {64, 16, 0x800000}};
    for (const auto& c : cases) {
        SimCardRig rig(c.chip);
        EXPECT_EQ(rig.link->OpenCard(), c.banks) << int(c.chip);
        EXPECT_EQ(rig.link->capacity, c.capacity);
        EXPECT_EQ(rig.port.card().mode(), 0x80);
    }
    SimCardRig absent(16, {.cardPort = 0});
    EXPECT_EQ(absent.link->OpenCard(), -1);
    EXPECT_EQ(absent.link->messageText, "Could not detect Ombra Card on Port 1");
}

}  // namespace
}  // namespace zorvex
