#include <gtest/gtest.h>

#include <cstring>

#include "pack/menu_program.h"
#include "rom/rom_image.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RomBuilder;

TEST(MenuProgram, IsAValidCartridgeImageRecognisedAsAPack) {
    std::vector<uint8_t> image = MakeMenuProgram();
    ASSERT_EQ(image.size(), 0x8000u);
    EXPECT_EQ(std::memcmp(&image[0x104], RomBuilder::kLogo, 48), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[0x134]), 6), "DIZAVO");
    EXPECT_EQ(image[0x148], 0);
    EXPECT_EQ(image[0x14D], RomBuilder::HeaderChecksumOf(image));
    EXPECT_EQ(StoredGlobalChecksum(image.data()), RomBuilder::GlobalChecksumOf(image));
    // The entry point jumps over the header into the program.
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 0x100, image.begin() + 0x104),
              (std::vector<uint8_t>{0x00, 0xC3, 0x50, 0x01}));
    EXPECT_NE(image[0x150], 0x00);
    // Fits the 32 KiB slot a pack reserves for it.
    EXPECT_EQ(UsedSizeCode(image.data(), static_cast<int32_t>(image.size())), 0);
}

}  // namespace
}  // namespace zorvex
