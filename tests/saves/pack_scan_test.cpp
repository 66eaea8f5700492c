#include "saves/pack_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/saves/sim_card.h"
#include "tests/support/rom_builder.h"

namespace zorvex::test {
namespace {

std::vector<uint8_t> Game(const std::string& title, uint8_t ramCode, uint8_t romCode = 0) {
    return RomBuilder(size_t{0x8000} << romCode)
        .Title(title)
        .RomSizeCode(romCode)
        .RamSizeCode(ramCode)
        .CartType(0x1B)
        .Build();
}

// The pack menu. Its own RAM code is set so that a walk wrongly reading the
// menu again (a wrapped bank beyond the card) would show up as an entry.
std::vector<uint8_t> Menu() {
    return Game("DIZAVO MENU", 2);
}

std::vector<std::string> Names(const CardLink& link) {
    std::vector<std::string> names;
    for (int i = 0; i < link.slotNameCount; ++i) names.emplace_back(link.slotNames[i].data());
    return names;
}

using Strings = std::vector<std::string>;

TEST(PackScanSingleGame, ThirtyTwoKilobyteSaveFillsFourEntriesEvenOnFourSlotCard) {
    SimCard card(4);
    card.Lay({Game("BIGSAVE", 3)});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"BIGSAVE", "BIGSAVE", "BIGSAVE", "BIGSAVE"}));
}

TEST(PackScanSingleGame, GameWithoutSaveRamLeavesTableEmptyAndClearsOldEntries) {
    SimCard card(16);
    card.link().slotNameCount = 2;
    card.link().slotNames[0][0] = 'X';
    card.link().slotNames[5][3] = 'Y';
    card.Lay({Game("NOSAVE", 0)});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(card.link().slotNameCount, 0);
    for (const auto& name : card.link().slotNames)
        for (char c : name) EXPECT_EQ(c, '\0');
}

TEST(PackScanSingleGame, TitleLosesTheColourBitOfItsSixteenthByte) {
    SimCard card(16);
    auto color = RomBuilder().Title("ABCDEFGHIJKLMNO").Set(0x143, 0xC0).RamSizeCode(2).Build();
    card.Lay({color});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"ABCDEFGHIJKLMNO@"}));
    EXPECT_EQ(card.link().slotNames[0][16], '\0');

    auto cgbOnly = RomBuilder().Title("ABCDEFGHIJKLMNO").Set(0x143, 0x80).RamSizeCode(2).Build();
    card.Lay({cgbOnly});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"ABCDEFGHIJKLMNO"}));
}

TEST(PackScanFailures, CardWithoutLogoOrWithoutCardFails) {
    SimCard blank(16);  // erased flash: no logo
    EXPECT_FALSE(ScanPack(blank.link()));
    EXPECT_EQ(blank.link().messageText, "No valid GameboyRom !!");

    SimCard absent(16, false);
    EXPECT_FALSE(ScanPack(absent.link()));
    EXPECT_EQ(absent.link().messageText, "Could not detect Ombra Card on Port 1");
}

TEST(PackScanPack, RamCodesTwoZeroThreeOnSixteenSlotCard) {
    SimCard card(16);
    card.Lay({Menu(), Game("ONE", 2), Game("TWO", 0, 1), Game("THREE", 3)});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"ONE", "THREE", "THREE", "THREE", "THREE"}));
}

TEST(PackScanPack, RamCodesTwoZeroThreeOnFourSlotCardFailsAtTheThirdGame) {
    SimCard card(4);
    card.Lay({Menu(), Game("ONE", 2), Game("TWO", 0, 1), Game("THREE", 3)});
    EXPECT_FALSE(ScanPack(card.link()));
    EXPECT_EQ(card.link().messageText, "Too many Savegames for this Cart !!");
    // What was added before the failing check stays.
    EXPECT_EQ(Names(card.link()), (Strings{"ONE", "THREE"}));
}

TEST(PackScanPack, FourOneSlotGamesFitAFourSlotCardAndAFifthDoesNot) {
    SimCard card(4);
    card.Lay({Menu(), Game("G1", 2), Game("G2", 2), Game("G3", 2), Game("G4", 2)});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"G1", "G2", "G3", "G4"}));

    card.Lay({Menu(), Game("G1", 2), Game("G2", 2), Game("G3", 2), Game("G4", 2), Game("G5", 1)});
    EXPECT_FALSE(ScanPack(card.link()));
    EXPECT_EQ(card.link().messageText, "Too many Savegames for this Cart !!");
    EXPECT_EQ(card.link().slotNameCount, 4);
}

TEST(PackScanPack, WalkJumpsByMemberSizeAndStopsAtAMemberWithoutLogo) {
    SimCard card(16);
    // 32 KiB menu, a 256 KiB member (code 3), then a 32 KiB one; after it erased flash.
    card.Lay({Menu(), Game("LARGE", 1, 3), Game("SMALL", 5)});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"LARGE", "SMALL"}));
}

TEST(PackScanPack, PackFillingTheCardEndsAtCapacityWithoutWrappingToTheMenu) {
    SimCard card(4);  // 512 KiB: banks 0..31
    // Menu (banks 0-1), then 32+64+128+256 KiB members: banks 2, 4, 8, 16; the
    // last one ends exactly at bank 32, which on this chip would wrap to bank 0.
    card.Lay({Menu(), Game("A", 2, 0), Game("B", 0, 1), Game("C", 0, 2), Game("D", 2, 3)});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"A", "D"}));
}

TEST(PackScanPack, CorruptSizeCodeEndsTheWalk) {
    SimCard card(64);
    auto broken = Game("BROKEN", 2);
    broken[0x148] = 0x1F;  // 2 << 31 banks: far beyond any card
    card.Lay({Menu(), broken, Game("NEVER", 2)});
    ASSERT_TRUE(ScanPack(card.link()));
    EXPECT_EQ(Names(card.link()), (Strings{"BROKEN"}));
}

}  // namespace
}  // namespace zorvex::test
