#include <gtest/gtest.h>

#include "tests/link/send_job_rig.h"

namespace zorvex {
namespace {

using test::JobRig;

TEST(DetectCard, ScanSelectsTheOnlyPortThatAnswersAndNamesItLater) {
    JobRig rig(16, {0x378, 0x278, 0x3BC}, 3);
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
    JobRig empty(0, {0x378, 0x278, 0x3BC}, 3);
    EXPECT_EQ(empty.link->DetectCard(), -1);
    EXPECT_EQ(empty.link->messageText, "Flash memory not present on Ombra Card on Port 3");
    EXPECT_EQ(empty.port.card().mode(), 0x00);
}

TEST(DetectCard, FailuresNameThePortOrAllPorts) {
    JobRig none(4, {0x378, 0x278, 0x3BC}, 0);
    EXPECT_EQ(none.link->DetectCard(), -1);
    EXPECT_EQ(none.link->messageText, "Could not detect Ombra Card on any Port");

    // One port: no scan, and the message carries that port's number.
    JobRig single(4, {0x278}, 0);
    EXPECT_EQ(single.link->DetectCard(), -1);
    EXPECT_EQ(single.link->messageText, "Could not detect Ombra Card on Port 1");

    // A chosen port without the card, while another port has it.
    JobRig chosen(4, {0x378, 0x278}, 1);
    chosen.link->scanAllPorts = false;
    chosen.link->SelectPort(2);
    EXPECT_EQ(chosen.link->DetectCard(), -1);
    EXPECT_EQ(chosen.link->messageText, "Could not detect Ombra Card on Port 2");
    chosen.link->SelectPort(1);
    EXPECT_EQ(chosen.link->DetectCard(), 0) << chosen.link->messageText;
}

TEST(DetectCard, PortsWithoutABaseAddressAreNeverAccessed) {
    JobRig nothing(4, {}, 0);
    nothing.port.ResetCounts();
    EXPECT_EQ(nothing.link->DetectCard(), -1);
    EXPECT_EQ(nothing.link->messageText, "Could not detect Ombra Card on Port 0");
    EXPECT_EQ(nothing.port.accessCount(), 0u);

    // LPT2 missing between LPT1 and LPT3: the scan steps over it.
    JobRig gap(64, {0x378, 0, 0x278}, 3);
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
        JobRig rig(c.chip);
        EXPECT_EQ(rig.link->OpenCard(), c.banks) << int(c.chip);
        EXPECT_EQ(rig.link->capacity, c.capacity);
        EXPECT_EQ(rig.port.card().mode(), 0x80);
    }
    JobRig absent(16, {0x378}, 0);
    EXPECT_EQ(absent.link->OpenCard(), -1);
    EXPECT_EQ(absent.link->messageText, "Could not detect Ombra Card on Port 1");
}

}  // namespace
}  // namespace zorvex
