// Flash identification against the three simulated chips and against chips
// that answer only part of a test.
#include <gtest/gtest.h>

#include <string>

#include "sim/flash_16m.h"
#include "sim/flash_4m.h"
#include "sim/flash_64m.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

struct IdentifyCase {
    uint8_t chip;
    TransferMode mode;
};

class IdentifyEachChip : public ::testing::TestWithParam<IdentifyCase> {};

TEST_P(IdentifyEachChip, FindsTheChipAndLeavesItReadingItsArray) {
    SimCardRig rig(GetParam().chip, Engaged(GetParam().mode));
    rig.cart.chip().contents()[0] = 0x31;
    rig.cart.chip().contents()[2] = 0x32;
    EXPECT_EQ(rig.Identify(), 0);
    EXPECT_EQ(rig.link->card().chip, GetParam().chip);
    // The id, status or query mode has been left: the array shows again.
    CardBus& bus = rig.link->bus();
    bus.SetBusAddress(0x0000);
    EXPECT_EQ(bus.ReadHere(), 0x31);
    bus.SetBusAddress(0x0002);
    EXPECT_EQ(bus.ReadHere(), 0x32);
    EXPECT_TRUE(rig.warnings.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Chips, IdentifyEachChip,
    ::testing::Values(IdentifyCase{4, TransferSpp}, IdentifyCase{4, TransferEpp},
                      IdentifyCase{16, TransferSpp}, IdentifyCase{16, TransferEpp},
                      IdentifyCase{64, TransferSpp}, IdentifyCase{64, TransferEpp}),
    [](const ::testing::TestParamInfo<IdentifyCase>& info) {
        return std::to_string(info.param.chip) + "M_" +
               (info.param.mode == TransferSpp ? "Spp" : "Epp");
    });

TEST(Identify, ArrayBytesThatLookLikeThe4MIdsFallThroughToTheNextTest) {
    // Chips that ignore the 4M product-id entry show their array instead:
    // 0xDA at byte 0 but not 0x46 at byte 1 must not stop the search.
    for (uint8_t chip : {uint8_t{16}, uint8_t{64}}) {
        SimCardRig rig(chip, Engaged());
        rig.cart.chip().contents()[0] = 0xDA;
        rig.cart.chip().contents()[1] = 0x00;
        rig.Record();
        EXPECT_EQ(rig.Identify(), 0) << int(chip);
        EXPECT_EQ(rig.link->card().chip, chip);
        // The 4M test got its 0xDA and went on without sending the 4M exit.
        bool sawIdRead = false;
        for (const auto& c : rig.bus.cycles) {
            if (c.kind == BusCycle::Read && c.address == 0x0000 && c.value == 0xDA)
                sawIdRead = true;
        }
        EXPECT_TRUE(sawIdRead);
    }
}

TEST(Identify, A16MLookalikeWithoutTheDeviceIdFallsThroughToTheQuery) {
    // Array bytes 0xC2 at 0 and anything but 0xF1 at 2 on a 64M chip: its id
    // mode answers 0x89, so only the array could fool the 16M test, and the
    // 64M chip is still found by its query table.
    SimCardRig rig(64, Engaged());
    rig.cart.chip().contents()[0] = 0xC2;
    const Detection found = rig.link->DetectCard();
    EXPECT_EQ(found.card.chip, Flash64M);
    EXPECT_EQ(found.idReads[2].bytes[0x10], 'Q');
    EXPECT_EQ(found.idReads[2].bytes[0x27], 0x17);  // 2^23 bytes
}

TEST(Identify, AQueryWithoutQRYIsNotAccepted) {
    SimCardRig rig(64, Engaged());
    auto& chip = static_cast<sim::Flash64MChip&>(rig.cart.chip());
    chip.cfiTable()[0x11] = 'X';
    const Detection found = rig.link->DetectCard();
    EXPECT_EQ(found.result, -1);
    EXPECT_EQ(found.card.chip, FlashNone);
    EXPECT_EQ(found.idReads[2].bytes[0], 0x89);
    EXPECT_EQ(found.idReads[2].bytes[1], 0x15);
}

TEST(Identify, NothingAnswersOnAnEmptySlotOrAReleasedCard) {
    SimCardRig rig(16, Engaged());
    rig.port.SetCartridge(nullptr);  // open bus: 0xFF everywhere
    EXPECT_EQ(rig.Identify(), 1);
    EXPECT_EQ(rig.link->card().chip, FlashNone);
}

TEST(Identify, FallsThroughIn4M16M64MOrderWithoutLeavingThe4MIdMode) {
    // On the 64M card every test runs: the 4M product-id entry (no exit after
    // it fails), the 16M id entry, the 16M reset, then the query and read array.
    SimCardRig rig(64, Engaged());
    rig.Record();
    ASSERT_EQ(rig.Identify(), 0);
    std::vector<BusCycle> writes;
    for (const auto& c : rig.bus.cycles)
        if (c.kind != BusCycle::Read) writes.push_back(c);
    using C = BusCycle;
    const std::vector<BusCycle> expected = {// bank 1, then the 4M product-id entry
                                            {C::Write, 0x2000, 0x01},
                                            {C::Flash, 0x5555, 0xAA},
                                            {C::Flash, 0x2AAA, 0x55},
                                            {C::Flash, 0x5555, 0x80},
                                            {C::Flash, 0x5555, 0xAA},
                                            {C::Flash, 0x2AAA, 0x55},
                                            {C::Flash, 0x5555, 0x60},
                                            // 16M id entry at doubled addresses
                                            {C::Write, 0x2000, 0x02},
                                            {C::Flash, 0x6AAA, 0xAA},
                                            {C::Write, 0x2000, 0x01},
                                            {C::Flash, 0x5554, 0x55},
                                            {C::Write, 0x2000, 0x02},
                                            {C::Flash, 0x6AAA, 0x90},
                                            // 16M reset
                                            {C::Write, 0x2000, 0x02},
                                            {C::Flash, 0x6AAA, 0xAA},
                                            {C::Write, 0x2000, 0x01},
                                            {C::Flash, 0x5554, 0x55},
                                            {C::Write, 0x2000, 0x02},
                                            {C::Flash, 0x6AAA, 0xF0},
                                            // CFI query, then read array
                                            {C::Write, 0x3000, 0x00},
                                            {C::Write, 0x2000, 0x00},
                                            {C::Flash, 0x0000, 0x98},
                                            {C::Write, 0x3000, 0x00},
                                            {C::Write, 0x2000, 0x00},
                                            {C::Flash, 0x0000, 0xFF}};
    EXPECT_EQ(writes, expected);
    // The query reads every even byte address 0x00..0x7E once.
    std::vector<uint16_t> queryReads;
    bool afterQuery = false;
    for (const auto& c : rig.bus.cycles) {
        if (c.kind == C::Flash && c.value == 0x98) afterQuery = true;
        if (afterQuery && c.kind == C::Read) queryReads.push_back(c.address);
    }
    ASSERT_EQ(queryReads.size(), 64u);
    for (uint16_t j = 0; j < 64; ++j) EXPECT_EQ(queryReads[j], 2 * j);
}

TEST(Identify, The4MChipIsFoundWhateverBankAnEarlierReadLeftInTheMapper) {
    // The product-id entry goes to bus 0x5555 without a bank write, so after a
    // header scan (bank 0) or a read of an even bank the 4M card must still
    // answer, as it does at power-on with bank 1.
    for (int bank : {0, 1, 2, 30}) {
        SimCardRig rig(4, Engaged());
        std::vector<uint8_t> pages(512);
        rig.link->ReadRomPages(bank, pages.data(), 2);
        ASSERT_EQ(rig.cart.romBank(), static_cast<uint32_t>(bank));
        EXPECT_EQ(rig.link->OpenCard().card.saveBanks(), 4) << "after bank " << bank;
        EXPECT_TRUE(rig.warnings.messages.empty());
    }
}

}  // namespace
}  // namespace zorvex::test
