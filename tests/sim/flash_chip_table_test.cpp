// The simulator's chip table. It is an independent model of the hardware on
// purpose: the driver has its own table (link/flash_chips.h) and neither reads
// the other, so identification and send tests against the simulator check the
// driver's facts instead of repeating them.
#include <gtest/gtest.h>

#include <set>

#include "sim/flash_chip.h"

namespace zorvex::sim {
namespace {

TEST(SimulatedChipTable, CodesSizesIdsAndSaveBanksAgree) {
    std::set<uint8_t> codes, manufacturers;
    for (const ChipInfo& chip : kSimulatedChips) {
        EXPECT_TRUE(codes.insert(chip.code).second);
        EXPECT_TRUE(manufacturers.insert(chip.manufacturer).second);
        // The code is the size in Mbit.
        EXPECT_EQ(chip.capacity, uint32_t{chip.code} * 1024 * 1024 / 8) << chip.name;
        EXPECT_EQ(chip.capacity & (chip.capacity - 1), 0u) << "power of two";
        EXPECT_EQ(chip.saveBanks, chip.code == 4 ? 4 : 16) << chip.name;
        EXPECT_EQ(FindChip(chip.code), &chip);
        EXPECT_EQ(FindChipByName(chip.name), &chip);
        auto made = MakeFlashChip(chip.code);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(&made->info(), &chip);
        EXPECT_EQ(made->size(), chip.capacity);
        EXPECT_EQ(made->Read(0), 0xFF);
        EXPECT_EQ(made->Read(chip.capacity - 1), 0xFF);
    }
    EXPECT_EQ(FindChip(0), nullptr);
    EXPECT_EQ(FindChip(32), nullptr);
    EXPECT_EQ(MakeFlashChip(8), nullptr);
    EXPECT_EQ(FindChipByName("16m"), FindChip(16));
    EXPECT_EQ(FindChipByName("64"), FindChip(64));
    EXPECT_EQ(FindChipByName("none"), nullptr);
    EXPECT_EQ(FindChipByName(""), nullptr);
}

}  // namespace
}  // namespace zorvex::sim
