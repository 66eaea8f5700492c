// The three chip state machines driven directly with write cycles.
#include <gtest/gtest.h>

#include "sim/flash_4m.h"
#include "sim/flash_64m.h"

namespace zorvex::sim {
namespace {

void Unlock4M(FlashChip& chip, uint8_t command) {
    chip.Write(0x5555, 0xAA);
    chip.Write(0x2AAA, 0x55);
    chip.Write(0x5555, command);
}

TEST(Flash4M, PageProgramClearsThePageFirstAndToggles) {
    Flash4MChip chip;
    chip.Fill(0x00);
    Unlock4M(chip, 0xA0);
    chip.Write(0x10300, 0x12);
    chip.Write(0x103FF, 0xC4);
    // Busy: DQ6 toggles between consecutive reads, DQ7 is the complement of the
    // last byte's bit 7.
    chip.SetBusyReads({3, 3, 3});
    const uint8_t a = chip.Read(0x103FF);
    const uint8_t b = chip.Read(0x103FF);
    EXPECT_NE(a & 0x40, b & 0x40);
    EXPECT_EQ(a & 0x80, 0x00);
    chip.Read(0);
    EXPECT_EQ(chip.Read(0x10300), 0x12);
    EXPECT_EQ(chip.Read(0x10301), 0xFF);  // not loaded: erased with the page
    EXPECT_EQ(chip.Read(0x103FF), 0xC4);
    EXPECT_EQ(chip.Read(0x102FF), 0x00);  // neighbouring pages keep their bytes
    EXPECT_EQ(chip.Read(0x10400), 0x00);
}

TEST(Flash4M, CommandsNeedTheUnlockCyclesAtTheRightAddresses) {
    Flash4MChip chip;
    chip.Write(0x5555, 0xAA);
    chip.Write(0x2AAB, 0x55);  // wrong address: no command
    chip.Write(0x5555, 0xA0);
    chip.Write(0x100, 0x00);
    EXPECT_EQ(chip.Read(0x100), 0xFF);
    // Bank bits count too: the same bus addresses through another bank are
    // other chip addresses, and the command is lost.
    chip.Write(0x09555, 0xAA);
    chip.Write(0x02AAA, 0x55);
    chip.Write(0x45555, 0xA0);
    chip.Write(0x100, 0x00);
    EXPECT_EQ(chip.Read(0x100), 0xFF);
    chip.Write(0x15555, 0xAA);
    chip.Write(0x2AAA, 0x55);
    chip.Write(0x5555, 0xA0);
    chip.Write(0x100, 0x00);
    EXPECT_EQ(chip.Read(0x100), 0xFF);
}

TEST(Flash64M, WriteBufferProgramsAndReportsThroughStatus) {
    Flash64MChip chip;
    chip.SetBusyReads({1, 3, 8});  // each program busy for exactly one read
    chip.Write(0x40020, 0xE8);
    EXPECT_EQ(chip.Read(0x40020), 0x80);  // buffer available
    chip.Write(0x40020, 31);
    for (uint32_t i = 0; i < 32; ++i) chip.Write(0x40020 + i, static_cast<uint8_t>(0xA0 + i));
    chip.Write(0x40040, 0xD0);
    EXPECT_EQ(chip.Read(0), 0x00);  // busy
    EXPECT_EQ(chip.Read(0), 0x80);
    chip.Write(0x40040, 0xE8);
    EXPECT_EQ(chip.Read(0x40040), 0x80);
    chip.Write(0x40040, 0);  // one byte
    chip.Write(0x40040, 0x00);
    chip.Write(0x40040, 0xD0);
    // A request made while that buffer programs sees the buffer taken until
    // it asks again after the program ended.
    chip.Write(0, 0xE8);
    EXPECT_EQ(chip.Read(0), 0x00);
    chip.Write(0, 0xE8);
    EXPECT_EQ(chip.Read(0), 0x80);
    chip.Write(0, 0xFF);  // a count above 31: a sequence error
    chip.Write(0, 0x70);
    EXPECT_EQ(chip.Read(0), 0x80 | 0x30);
    chip.Write(0, 0x50);
    EXPECT_EQ(chip.Read(0), 0x80);
    chip.Write(0, 0xFF);
    EXPECT_EQ(chip.Read(0x40020), 0xA0);
    EXPECT_EQ(chip.Read(0x4003F), 0xBF);
    EXPECT_EQ(chip.Read(0x40040), 0x00);
    EXPECT_EQ(chip.Read(0x40041), 0xFF);
}

TEST(Flash64M, BlockEraseClearsExactlyOneBlock) {
    Flash64MChip chip;
    chip.Fill(0x00);
    chip.Write(0x23456, 0x20);
    chip.Write(0x23456, 0xD0);
    while ((chip.Read(0) & 0x80) == 0) {
    }
    EXPECT_EQ(chip.Read(0), 0x80);
    chip.Write(0, 0xFF);
    EXPECT_EQ(chip.Read(0x1FFFF), 0x00);
    EXPECT_EQ(chip.Read(0x20000), 0xFF);
    EXPECT_EQ(chip.Read(0x3FFFF), 0xFF);
    EXPECT_EQ(chip.Read(0x40000), 0x00);
    EXPECT_EQ(chip.stats().erasedBlocks, (std::vector<uint32_t>{0x20000}));

    chip.Write(0x40000, 0x20);
    chip.Write(0x40000, 0x70);  // not the confirm
    EXPECT_EQ(chip.Read(0), 0x80 | 0x30);
    EXPECT_EQ(chip.stats().blockErases, 1u);
}

}  // namespace
}  // namespace zorvex::sim
