#include <gtest/gtest.h>

#include "tests/support/sim_card_rig.h"

namespace zorvex {
namespace {

using test::FailureText;
using test::SimCardRig;

TEST(DetectCard, ScanSelectsTheOnlyPortThatAnswersAndNamesItLater) {
    SimCardRig rig(16, {.bases = {0x378, 0x278, 0x3BC}, .cardPort = 3});
    rig.monitor.percent = 77;
    rig.monitor.cancel = true;
    const Detection found = rig.link->DetectCard(&rig.monitor);
    ASSERT_EQ(found.result, 0) << found.text;
    EXPECT_EQ(found.card.port, 3);
    EXPECT_EQ(found.card.base, 0x3BC);
    EXPECT_EQ(found.card.chip, Flash16M);
    EXPECT_EQ(found.card.capacity(), 0x200000);
    EXPECT_EQ(rig.monitor.percent, 0);
    EXPECT_FALSE(rig.monitor.cancel);
    EXPECT_EQ(rig.port.card().mode(), 0x80);  // left engaged for the caller

    // The same machine with nothing in the card's slot names port 3.
    SimCardRig empty(0, {.bases = {0x378, 0x278, 0x3BC}, .cardPort = 3});
    EXPECT_EQ(FailureText(empty.link->DetectCard()),
              "Flash memory not present on Ombra Card on Port 3");
    EXPECT_EQ(empty.port.card().mode(), 0x00);
}

TEST(DetectCard, FailuresNameThePortOrAllPorts) {
    SimCardRig none(4, {.bases = {0x378, 0x278, 0x3BC}, .cardPort = 0});
    EXPECT_EQ(FailureText(none.link->DetectCard()), "Could not detect Ombra Card on any Port");

    // One port: no scan, and the message carries that port's number.
    SimCardRig single(4, {.bases = {0x278}, .cardPort = 0});
    EXPECT_EQ(FailureText(single.link->DetectCard()), "Could not detect Ombra Card on Port 1");

    // A chosen port without the card, while another port has it.
    SimCardRig chosen(4, {.bases = {0x378, 0x278}});
    chosen.link->ChoosePort(2);
    EXPECT_EQ(FailureText(chosen.link->DetectCard()), "Could not detect Ombra Card on Port 2");
    chosen.link->ChoosePort(1);
    EXPECT_EQ(chosen.link->DetectCard().result, 0);
}

TEST(DetectCard, PortsWithoutABaseAddressAreNeverAccessed) {
    SimCardRig nothing(4, {.bases = {}, .cardPort = 0});
    nothing.port.ResetCounts();
    EXPECT_EQ(FailureText(nothing.link->DetectCard()),
              "Could not detect Ombra Card: no parallel port found");
    EXPECT_EQ(nothing.port.accessCount(), 0u);

    // LPT2 missing between LPT1 and LPT3: the scan steps over it.
    SimCardRig gap(64, {.bases = {0x378, 0, 0x278}, .cardPort = 3});
    gap.port.StartRecording();
    EXPECT_EQ(gap.link->DetectCard().card.port, 3);
    for (const auto& access : gap.port.trace()) ASSERT_GE(access.address, 0x278);
}

TEST(OpenCard, FindsTheSaveBanksOfTheChip) {
    const struct {
        uint8_t chip;
        int banks;
        int32_t capacity;
    } cases[] = {{4, 4, 0x80000}, {16, 16, 0x200000}, {64, 16, 0x800000}};
    for (const auto& c : cases) {
        SimCardRig rig(c.chip);
        const CardInfo card = rig.link->OpenCard().card;
        EXPECT_EQ(card.saveBanks(), c.banks) << int(c.chip);
        EXPECT_EQ(card.capacity(), c.capacity);
        EXPECT_EQ(rig.port.card().mode(), 0x80);
    }
    SimCardRig absent(16, {.cardPort = 0});
    EXPECT_EQ(FailureText(absent.link->OpenCard()), "Could not detect Ombra Card on Port 1");
}

}  // namespace
}  // namespace zorvex
