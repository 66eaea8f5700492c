// Save-RAM banks between the simulated card and the caller's bytes.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

class SramTransfer : public ::testing::TestWithParam<TransferMode> {};

TEST_P(SramTransfer, WriteThenReadReturnsTheSameBankAndTouchesNoOther) {
    SimCardRig rig(16, Engaged(GetParam()));
    for (int bank : {0, 15}) {
        const auto data = BankPattern(bank, kSramBankSize);
        rig.link->WriteSramBank(bank, data.data());
        EXPECT_TRUE(
            std::equal(data.begin(), data.end(), rig.cart.sram().begin() + bank * kSramBankSize))
            << bank;
    }
    std::vector<uint8_t> image(kSramImageSize, 0x5A);
    rig.link->ReadSramBank(0, image.data());
    rig.link->ReadSramBank(15, image.data() + 0x1E000);
    const auto first = BankPattern(0, kSramBankSize);
    const auto last = BankPattern(15, kSramBankSize);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), image.begin()));
    EXPECT_TRUE(std::equal(last.begin(), last.end(), image.begin() + 0x1E000));
    EXPECT_TRUE(std::all_of(image.begin() + 0x2000, image.begin() + 0x1E000,
                            [](uint8_t b) { return b == 0x5A; }));
    EXPECT_EQ(rig.port.card().mode(), 0x80);
}

INSTANTIATE_TEST_SUITE_P(Transports, SramTransfer, ::testing::Values(TransferSpp, TransferEpp),
                         [](const auto& info) {
                             return info.param == TransferSpp ? "Spp" : "Epp";
                         });

TEST(SramTransfer, SelectsTheBankFirstAndReadsTheWholeWindowInOrder) {
    SimCardRig rig(16, Engaged());
    rig.Record();
    std::vector<uint8_t> bytes(kSramBankSize);
    rig.link->ReadSramBank(6, bytes.data());
    const auto writes = rig.bus.Of(BusCycle::Write);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back(), (BusCycle{BusCycle::Write, 0x4000, 6}));
    const auto reads = rig.bus.Of(BusCycle::Read);
    ASSERT_EQ(reads.size(), size_t{kSramBankSize});
    for (size_t i = 0; i < reads.size(); ++i) ASSERT_EQ(reads[i].address, 0xA000 + i);
    EXPECT_EQ(reads.back().address, 0xBFFF);  // block 31 ends the window
    EXPECT_EQ(rig.cart.ramBank(), 6);
}

TEST(SramTransfer, TheEnableSequenceLeavesTheSaveRamAlone) {
    // EnableSram writes 0xA0 at 0xA000 and 0xC0 at 0xA100 while RAM is
    // switched off; a save must survive any number of reads.
    SimCardRig rig(4, Engaged(TransferSpp));
    auto sram = rig.cart.sram();
    std::fill(sram.begin(), sram.end(), uint8_t{0x11});
    std::vector<uint8_t> image(4 * kSramBankSize);
    for (int bank = 0; bank < 4; ++bank)
        rig.link->ReadSramBank(bank, image.data() + bank * kSramBankSize);
    EXPECT_TRUE(std::all_of(sram.begin(), sram.end(), [](uint8_t b) { return b == 0x11; }));
    EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](uint8_t b) { return b == 0x11; }));
    EXPECT_TRUE(rig.cart.ramEnabled());
}

}  // namespace
}  // namespace zorvex::test
