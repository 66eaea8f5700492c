#include <gtest/gtest.h>

#include <clocale>
#include <initializer_list>
#include <string>
#include <utility>

#include "common/file_io.h"
#include "pack/pack_status.h"

namespace zorvex {
namespace {

// A pack row as the library stores it: only the Attributes bytes 4 (used size
// code) and 5 (RAM size code) matter here.
void AddRow(RomListModel& pack, int sizeCode, int ramCode) {
    int row = pack.InsertRow(Format("GAME%d", pack.Count()));
    ASSERT_GE(row, 0);
    ASSERT_TRUE(pack.SetField(row, FieldAttributes,
                              Format("0102030c%02x%02x000000000000", sizeCode, ramCode)));
}

RomListModel PackOf(std::initializer_list<std::pair<int, int>> rows) {
    RomListModel pack;
    for (auto [size, ram] : rows) AddRow(pack, size, ram);
    return pack;
}

TEST(PackStatus, EmptyPackDisablesEveryCommand) {
    RomListModel pack;
    PackStatus status = UpdatePackStatus(pack);
    EXPECT_EQ(status.caption, "DIZavo RomList (empty)");
    EXPECT_EQ(status.verdict, PackVerdict::Empty);
    EXPECT_FALSE(status.sendEnabled);
    EXPECT_FALSE(status.clearEnabled);
    EXPECT_FALSE(status.saveEnabled);
}

TEST(PackStatus, CaptionFormsForOneAndSeveralRoms) {
    PackStatus one = UpdatePackStatus(PackOf({{0, 0}}));
    EXPECT_EQ(one.caption, "DIZavo (1 Rom / 64 kB / 0 Banks) (512 kB Card needed)");
    EXPECT_EQ(one.packKiB, 64);
    EXPECT_TRUE(one.sendEnabled);
    EXPECT_TRUE(one.clearEnabled);
    EXPECT_TRUE(one.saveEnabled);

    // 1 MiB game with 32 KiB of save RAM: 1056 kB does not fit the small card.
    PackStatus big = UpdatePackStatus(PackOf({{5, 3}}));
    EXPECT_EQ(big.caption, "DIZavo (1 Rom / 1.03 MB / 4 Banks) (2 MB Card needed)");
    EXPECT_EQ(big.packKiB, 1056);
    EXPECT_EQ(big.packBanks, 4);
    EXPECT_EQ(big.verdict, PackVerdict::Card2M);

    EXPECT_EQ(UpdatePackStatus(PackOf({{0, 2}, {1, 0}})).caption,
              "DIZavo (2 Roms / 128 kB / 1 Bank) (512 kB Card needed)");
}

TEST(PackStatus, KiloBytesUpTo992ThenMegaBytes) {
    // 512 + 256 + 128 + 64 + menu 32 = 992
    EXPECT_EQ(UpdatePackStatus(PackOf({{4, 0}, {3, 0}, {2, 0}, {1, 0}})).caption,
              "DIZavo (4 Roms / 992 kB / 0 Banks) (2 MB Card needed)");
    EXPECT_EQ(UpdatePackStatus(PackOf({{4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}})).caption,
              "DIZavo (5 Roms / 1.00 MB / 0 Banks) (2 MB Card needed)");
}

TEST(PackStatus, BankCountDecidesBetweenSmallAndMediumCard) {
    // 480 KiB of games plus the menu: exactly 512 kB.
    PackStatus four = UpdatePackStatus(PackOf({{3, 3}, {2, 0}, {1, 0}, {0, 0}}));
    EXPECT_EQ(four.caption, "DIZavo (4 Roms / 512 kB / 4 Banks) (512 kB Card needed)");
    EXPECT_EQ(four.verdict, PackVerdict::Card512K);

    PackStatus five = UpdatePackStatus(PackOf({{3, 3}, {2, 1}, {1, 0}, {0, 0}}));
    EXPECT_EQ(five.caption, "DIZavo (4 Roms / 512 kB / 5 Banks) (2 MB Card needed)");
    EXPECT_EQ(five.verdict, PackVerdict::Card2M);

    // One 32 KiB game more is 544 kB: the size alone rules the small card out.
    EXPECT_EQ(UpdatePackStatus(PackOf({{3, 0}, {2, 0}, {1, 0}, {0, 0}, {0, 0}})).verdict,
              PackVerdict::Card2M);
}

TEST(PackStatus, SeventeenBanksCannotBeSentButCanBeSaved) {
    PackStatus status = UpdatePackStatus(PackOf({{0, 3}, {0, 3}, {0, 3}, {0, 3}, {0, 1}}));
    EXPECT_EQ(status.caption, "DIZavo (5 Roms / 192 kB / 17 Banks) (Too many Banks!)");
    EXPECT_EQ(status.verdict, PackVerdict::TooManyBanks);
    EXPECT_FALSE(status.sendEnabled);
    EXPECT_TRUE(status.saveEnabled);
    EXPECT_TRUE(status.clearEnabled);

    // Sixteen are still fine.
    EXPECT_EQ(UpdatePackStatus(PackOf({{0, 3}, {0, 3}, {0, 3}, {0, 3}})).verdict,
              PackVerdict::Card2M);
}

TEST(PackStatus, LargestCardHoldsExactly8192Kilobytes) {
    // 4096 + 2048 + ... + 32 = 8160, plus the menu: 8192.
    PackStatus full =
        UpdatePackStatus(PackOf({{7, 0}, {6, 0}, {5, 0}, {4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}}));
    EXPECT_EQ(full.caption, "DIZavo (8 Roms / 8.00 MB / 0 Banks) (8 MB Card needed)");
    EXPECT_TRUE(full.sendEnabled);

    PackStatus over = UpdatePackStatus(PackOf({{8, 0}}));
    EXPECT_EQ(over.packKiB, 8224);
    EXPECT_EQ(over.caption, "DIZavo (1 Rom / 8.03 MB / 0 Banks) (DIZavo is to big !!!)");
    EXPECT_EQ(over.verdict, PackVerdict::TooBig);
    EXPECT_FALSE(over.sendEnabled);
    EXPECT_TRUE(over.saveEnabled);
}

// The desktop program adopts the user's locale at start-up; the caption must
// still read "1.03 MB" where printf would write "1,03".
TEST(PackStatus, MegaBytesKeepTheDecimalPointInACommaLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                             "nl_NL.UTF-8", "it_IT.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) && Format("%3.2f", 1.5) == "1,50") {
            comma = name;
            break;
        }
    }
    if (!comma) {
        std::setlocale(LC_NUMERIC, previous.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    std::string caption = UpdatePackStatus(PackOf({{5, 3}})).caption;
    std::string full =
        UpdatePackStatus(PackOf({{7, 0}, {6, 0}, {5, 0}, {4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}}))
            .caption;
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(caption, "DIZavo (1 Rom / 1.03 MB / 4 Banks) (2 MB Card needed)") << comma;
    EXPECT_EQ(full, "DIZavo (8 Roms / 8.00 MB / 0 Banks) (8 MB Card needed)") << comma;
}

TEST(PackStatus, LargeRamCodesAddNoBank) {
    EXPECT_EQ(UpdatePackStatus(PackOf({{0, 4}, {0, 5}})).packBanks, 0);
    EXPECT_EQ(UpdatePackStatus(PackOf({{0, 4}, {0, 5}, {0, 2}, {0, 1}})).packBanks, 2);
}

TEST(PackStatus, DamagedAttributesStayWithinRange) {
    RomListModel pack;
    int row = pack.InsertRow("BROKEN");
    pack.SetField(row, FieldAttributes, "zz");  // missing pairs count as 0
    EXPECT_EQ(UpdatePackStatus(pack).packKiB, 64);

    // Only the low five bits of the size code are a shift; even the largest
    // shift must not overflow the sum.
    RomListModel huge;
    for (int i = 0; i < 3; ++i) AddRow(huge, 0xFF, 0);
    PackStatus status = UpdatePackStatus(huge);
    EXPECT_GT(status.packKiB, 8192);
    EXPECT_EQ(status.verdict, PackVerdict::TooBig);
    EXPECT_EQ(UpdatePackStatus(PackOf({{0x21, 0}})).packKiB, 96);
}

}  // namespace
}  // namespace zorvex
