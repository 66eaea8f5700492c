// The driver's chip table: the facts detection, OpenCard and the programming
// methods read must fit together and fit the card's units.
#include <gtest/gtest.h>

#include <set>

#include "link/card_link.h"

namespace zorvex {
namespace {

TEST(FlashChipTable, EachChipIsFoundByItsCodeAndItsFiguresFitTheCard) {
    std::set<int> types;
    std::set<std::pair<int, int>> ids;
    int32_t largest = 0;
    for (const FlashChipSpec& chip : kFlashChips) {
        SCOPED_TRACE(static_cast<int>(chip.type));
        EXPECT_TRUE(types.insert(chip.type).second);
        EXPECT_TRUE(ids.insert({chip.manufacturerId, chip.deviceId}).second);
        EXPECT_EQ(FindFlashChip(chip.type), &chip);
        EXPECT_EQ(&ChipSpec(chip.type), &chip);
        // The code is the size in Mbit, and an image fills whole banks of it.
        EXPECT_EQ(chip.capacity, int32_t{chip.type} * 1024 * 1024 / 8);
        EXPECT_EQ(chip.capacity % kRomBankSize, 0);
        // A bank is written in whole pages or buffers, and an erase block holds
        // whole banks of a chip that erases by blocks.
        ASSERT_GT(chip.programUnit, 0);
        EXPECT_EQ(kRomBankSize % chip.programUnit, 0);
        EXPECT_GE(chip.programAttempts, 1);
        if (chip.eraseBlock != 0) {
            EXPECT_EQ(chip.eraseBlock % kRomBankSize, 0);
            EXPECT_EQ(chip.capacity % chip.eraseBlock, 0);
        }
        // The save banks OpenCard reports must fit the save-RAM image.
        EXPECT_GE(chip.saveBanks, 1);
        EXPECT_LE(chip.saveBanks * kSramBankSize, kSramImageSize);
        if (chip.capacity > largest) largest = chip.capacity;
    }
    EXPECT_EQ(FindFlashChip(FlashNone), nullptr);
    EXPECT_EQ(FindFlashChip(8), nullptr);
    // Until a card is detected the driver assumes the largest card.
    EXPECT_EQ(CardInfo{}.capacity(), largest);
}

}  // namespace
}  // namespace zorvex
