#include "saves/pack_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/rom_builder.h"
#include "tests/support/sim_card_rig.h"

namespace zorvex::test {
namespace {

using Strings = std::vector<std::string>;

std::vector<uint8_t> Game(const std::string& title, uint8_t ramCode, uint8_t romCode = 0) {
    return RomBuilder(size_t{0x8000} << romCode)
        .Title(title)
        .RomSizeCode(romCode)
        .RamSizeCode(ramCode)
        .Build();
}
// The menu has a RAM code of its own, so that a walk reading it again (a bank
// beyond the card wraps to bank 0) would show up as an entry.
std::vector<uint8_t> Menu() {
    return Game("DIZAVO MENU", 2);
}

Strings Names(const CardLink& link) {
    Strings names;
    for (int i = 0; i < link.slotNameCount; ++i) names.emplace_back(link.slotNames[i].data());
    return names;
}

TEST(PackScan, SingleGame) {
    SimCardRig card(4);
    card.Lay({Game("BIGSAVE", 3)});  // four slots even on a four-slot card
    ASSERT_TRUE(ScanPack(*card.link));
    EXPECT_EQ(Names(*card.link), Strings(4, "BIGSAVE"));

    card.Lay({Game("NOSAVE", 0)});  // the table is cleared, and stays empty
    ASSERT_TRUE(ScanPack(*card.link));
    EXPECT_EQ(card.link->slotNameCount, 0);
    EXPECT_EQ(card.link->slotNames[3][0], '\0');

    // Bit 7 of the 16th title byte is cleared: 0xC0 becomes '@', 0x80 ends the title.
    card.Lay({RomBuilder().Title("ABCDEFGHIJKLMNO").Set(0x143, 0xC0).RamSizeCode(2).Build()});
    ASSERT_TRUE(ScanPack(*card.link));
    EXPECT_EQ(Names(*card.link), Strings{"ABCDEFGHIJKLMNO@"});
    card.Lay({RomBuilder().Title("ABCDEFGHIJKLMNO").Set(0x143, 0x80).RamSizeCode(2).Build()});
    ASSERT_TRUE(ScanPack(*card.link));
    EXPECT_EQ(Names(*card.link), Strings{"ABCDEFGHIJKLMNO"});

    card.Lay({RomBuilder().Title("NOLOGO").NoLogo().RamSizeCode(2).Build()});
    EXPECT_FALSE(ScanPack(*card.link));
    EXPECT_EQ(card.link->messageText, "No valid GameboyRom !!");
}

TEST(PackScan, RamCodesTwoZeroThreeNeedASixteenSlotCard) {
    const std::vector<std::vector<uint8_t>> pack = {Menu(), Game("ONE", 2), Game("TWO", 0, 1),
                                                    Game("THREE", 3)};
    SimCardRig big(16);
    big.Lay(pack);
    ASSERT_TRUE(ScanPack(*big.link));
    EXPECT_EQ(Names(*big.link), (Strings{"ONE", "THREE", "THREE", "THREE", "THREE"}));

    SimCardRig small(4);
    small.Lay(pack);
    EXPECT_FALSE(ScanPack(*small.link));
    EXPECT_EQ(small.link->messageText, "Too many Savegames for this Cart !!");
    EXPECT_EQ(Names(*small.link), (Strings{"ONE", "THREE"}));  // added before the check
}

TEST(PackScan, AFourSlotSaveExactlyFillsAFourSlotCard) {
    SimCardRig card(4);
    card.Lay({Menu(), Game("BIG", 3), Game("NOSAVE", 0)});
    ASSERT_TRUE(ScanPack(*card.link));
    EXPECT_EQ(Names(*card.link), Strings(4, "BIG"));

    card.Lay({Menu(), Game("G1", 2), Game("BIG", 3)});  // one slot too many
    EXPECT_FALSE(ScanPack(*card.link));
    EXPECT_EQ(card.link->messageText, "Too many Savegames for this Cart !!");
}

TEST(PackScan, FourOneSlotGamesFitAFourSlotCardAndAFifthDoesNot) {
    SimCardRig card(4);
    card.Lay({Menu(), Game("G1", 2), Game("G2", 2), Game("G3", 2), Game("G4", 2)});
    ASSERT_TRUE(ScanPack(*card.link));
    EXPECT_EQ(Names(*card.link), (Strings{"G1", "G2", "G3", "G4"}));

    card.Lay({Menu(), Game("G1", 2), Game("G2", 2), Game("G3", 2), Game("G4", 2), Game("G5", 1)});
    EXPECT_FALSE(ScanPack(*card.link));
    EXPECT_EQ(card.link->messageText, "Too many Savegames for this Cart !!");
}

TEST(PackScan, WalkEndsAtCapacityAtAMissingLogoAndAtAnOversizedCode) {
    SimCardRig card(4);  // banks 0..31; members at banks 2, 4, 8 and 16, the last ending at 32
    card.Lay({Menu(), Game("A", 2, 0), Game("B", 0, 1), Game("C", 0, 2), Game("D", 2, 3)});
    ASSERT_TRUE(ScanPack(*card.link));
    EXPECT_EQ(Names(*card.link), (Strings{"A", "D"}));

    SimCardRig big(64);
    auto broken = Game("BROKEN", 2);
    broken[0x148] = 0x1F;  // 2 << 31 banks
    big.Lay({Menu(), Game("LARGE", 1, 3), broken, Game("NEVER", 2)});
    ASSERT_TRUE(ScanPack(*big.link));
    EXPECT_EQ(Names(*big.link), (Strings{"LARGE", "BROKEN"}));
}

}  // namespace
}  // namespace zorvex::test
