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

// The names of a scan that succeeded; a failure gives its text instead.
Strings Names(SimCardRig& card) {
    const PackScan scan = ScanPack(*card.link);
    return scan.ok ? scan.names : Strings{"failed: " + scan.text};
}

TEST(PackScan, SingleGame) {
    SimCardRig card(4);
    card.Lay({Game("BIGSAVE", 3)});  // four slots even on a four-slot card
    EXPECT_EQ(Names(card), Strings(4, "BIGSAVE"));

    card.Lay({Game("NOSAVE", 0)});
    EXPECT_EQ(Names(card), Strings{});

    // Bit 7 of the 16th title byte is cleared: 0xC0 becomes '@', 0x80 ends the title.
    card.Lay({RomBuilder().Title("ABCDEFGHIJKLMNO").Set(0x143, 0xC0).RamSizeCode(2).Build()});
    EXPECT_EQ(Names(card), Strings{"ABCDEFGHIJKLMNO@"});
    card.Lay({RomBuilder().Title("ABCDEFGHIJKLMNO").Set(0x143, 0x80).RamSizeCode(2).Build()});
    EXPECT_EQ(Names(card), Strings{"ABCDEFGHIJKLMNO"});

    card.Lay({RomBuilder().Title("NOLOGO").NoLogo().RamSizeCode(2).Build()});
    EXPECT_EQ(Names(card), Strings{"failed: No valid GameboyRom !!"});
}

TEST(PackScan, RamCodesTwoZeroThreeNeedASixteenSlotCard) {
    const std::vector<std::vector<uint8_t>> pack = {Menu(), Game("ONE", 2), Game("TWO", 0, 1),
                                                    Game("THREE", 3)};
    SimCardRig big(16);
    big.Lay(pack);
    EXPECT_EQ(Names(big), (Strings{"ONE", "THREE", "THREE", "THREE", "THREE"}));

    SimCardRig small(4);
    small.Lay(pack);
    const PackScan scan = ScanPack(*small.link);
    EXPECT_FALSE(scan.ok);
    EXPECT_EQ(scan.text, "Too many Savegames for this Cart !!");
    EXPECT_EQ(scan.names, (Strings{"ONE", "THREE"}));  // added before the check
}

TEST(PackScan, AFourSlotSaveExactlyFillsAFourSlotCard) {
    SimCardRig card(4);
    card.Lay({Menu(), Game("BIG", 3), Game("NOSAVE", 0)});
    EXPECT_EQ(Names(card), Strings(4, "BIG"));

    card.Lay({Menu(), Game("G1", 2), Game("BIG", 3)});  // one slot too many
    EXPECT_EQ(Names(card), Strings{"failed: Too many Savegames for this Cart !!"});
}

TEST(PackScan, FourOneSlotGamesFitAFourSlotCardAndAFifthDoesNot) {
    SimCardRig card(4);
    card.Lay({Menu(), Game("G1", 2), Game("G2", 2), Game("G3", 2), Game("G4", 2)});
    EXPECT_EQ(Names(card), (Strings{"G1", "G2", "G3", "G4"}));

    card.Lay({Menu(), Game("G1", 2), Game("G2", 2), Game("G3", 2), Game("G4", 2), Game("G5", 1)});
    EXPECT_EQ(Names(card), Strings{"failed: Too many Savegames for this Cart !!"});
}

TEST(PackScan, WalkEndsAtCapacityAtAMissingLogoAndAtAnOversizedCode) {
    SimCardRig card(4);  // banks 0..31; members at banks 2, 4, 8 and 16, the last ending at 32
    card.Lay({Menu(), Game("A", 2, 0), Game("B", 0, 1), Game("C", 0, 2), Game("D", 2, 3)});
    EXPECT_EQ(Names(card), (Strings{"A", "D"}));

    SimCardRig big(64);
    auto broken = Game("BROKEN", 2);
    broken[0x148] = 0x1F;  // 2 << 31 banks
    big.Lay({Menu(), Game("LARGE", 1, 3), broken, Game("NEVER", 2)});
    EXPECT_EQ(Names(big), (Strings{"LARGE", "BROKEN"}));
}

}  // namespace
}  // namespace zorvex::test
