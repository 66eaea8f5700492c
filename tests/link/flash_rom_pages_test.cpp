// ReadRomPages: the first pages of a ROM bank of the card.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

TEST(ReadRomPages, ReadsTheStartOfTheBankAndNoMore) {
    SimCardRig rig(64, Engaged(TransferSpp));
    auto flash = rig.cart.chip().contents();
    const auto bank0 = BankPattern(0);
    const auto bank300 = BankPattern(300);
    std::copy(bank0.begin(), bank0.end(), flash.begin());
    std::copy(bank300.begin(), bank300.end(), flash.begin() + 300 * kRomBankSize);

    std::vector<uint8_t> buffer(3 * 256, 0xEE);
    rig.link->ReadRomPages(300, buffer.data(), 2);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 512, bank300.begin()));
    EXPECT_TRUE(
        std::all_of(buffer.begin() + 512, buffer.end(), [](uint8_t b) { return b == 0xEE; }));

    rig.link->ReadRomPages(0, buffer.data(), 2);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 512, bank0.begin()));
    EXPECT_EQ(rig.port.card().mode(), 0x81);
}

TEST(ReadRomPages, MoreThan64PagesReadsOneWholeBank) {
    SimCardRig rig(16, Engaged());
    auto flash = rig.cart.chip().contents();
    const auto bank1 = BankPattern(1);
    std::copy(bank1.begin(), bank1.end(), flash.begin() + kRomBankSize);
    std::vector<uint8_t> buffer(kRomBankSize + 256, 0xEE);
    rig.link->ReadRomPages(1, buffer.data(), 100);
    EXPECT_TRUE(std::equal(bank1.begin(), bank1.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + kRomBankSize, buffer.end(),
                            [](uint8_t b) { return b == 0xEE; }));
}

}  // namespace
}  // namespace zorvex::test
