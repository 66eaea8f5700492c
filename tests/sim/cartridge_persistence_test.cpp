// A simulated card kept in a directory between runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/message_sink.h"
#include "link/card_link.h"
#include "ports/link_factory.h"
#include "sim/card_config.h"
#include "sim/cartridge.h"
#include "tests/support/rom_builder.h"

namespace zorvex::sim {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(CartridgePersistence, MissingFilesAreCreatedErasedAndZeroed) {
    TempDir dir;
    const std::string cardDir = dir / "card";
    {
        auto cart = Cartridge::Open(*FindChip(16), cardDir);
        ASSERT_NE(cart, nullptr);
    }
    const auto flash = ReadFile(cardDir + "/flash.bin");
    const auto sram = ReadFile(cardDir + "/sram.bin");
    ASSERT_EQ(flash.size(), 0x200000u);
    ASSERT_EQ(sram.size(), 0x20000u);
    EXPECT_EQ(std::count(flash.begin(), flash.end(), 0xFF), 0x200000);
    EXPECT_EQ(std::count(sram.begin(), sram.end(), 0x00), 0x20000);
}

TEST(CartridgePersistence, ContentsSurviveAndShortFilesArePadded) {
    TempDir dir;
    WriteFile(dir / "flash.bin", {0x01, 0x02, 0x03});
    {
        auto cart = Cartridge::Open(*FindChip(4), dir.path());
        ASSERT_NE(cart, nullptr);
        EXPECT_EQ(cart->Read(0x0001), 0x02);
        EXPECT_EQ(cart->Read(0x0003), 0xFF);
        cart->Write(0x0000, 0x0A);
        cart->Write(0xA005, 0x66);
        // A page programmed through the bus.
        cart->FlashWrite(0x5555, 0xAA);
        cart->FlashWrite(0x2AAA, 0x55);
        cart->FlashWrite(0x5555, 0xA0);
        cart->FlashWrite(0x0100, 0x44);
        cart->Read(0);
    }
    auto again = Cartridge::Open(*FindChip(4), dir.path());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->chip().contents()[0x0001], 0x02);
    EXPECT_EQ(again->chip().contents()[0x0100], 0x44);
    EXPECT_EQ(again->sram()[5], 0x66);
    EXPECT_EQ(ReadFile(dir / "flash.bin").size(), 0x80000u);
}

TEST(CartridgePersistence, AFinishedJobIsOnDiskWhileTheProgramStillRuns) {
    // A program that is killed after a job must not lose what the card holds.
    TempDir dir;
    CardConfig config;
    config.chip = 16;
    WriteFile(dir / "card.ini", [&] {
        const std::string text = FormatCardConfig(config);
        return std::vector<uint8_t>(text.begin(), text.end());
    }());
    const auto rom = test::RomBuilder(0x10000).Title("KEPT").Build();
    WriteFile(dir / "kept.gb", rom);
    NullMessageSink warnings;
    auto runtime = CreateSimulatedLinkRuntime(dir.path(), warnings);
    ASSERT_NE(runtime, nullptr);
    ASSERT_NE(runtime->link, nullptr) << runtime->messageText;
    const SendResult sent = runtime->link->SendJob(LoadSendImage(dir / "kept.gb"), {});
    ASSERT_EQ(sent.result, 0) << sent.text;
    const auto flash = ReadFile(dir / "flash.bin");
    ASSERT_EQ(flash.size(), 0x200000u);
    EXPECT_TRUE(std::equal(rom.begin(), rom.end(), flash.begin()));
}

TEST(CartridgePersistence, AnUnusableDirectoryIsReported) {
    TempDir dir;
    WriteFile(dir / "file", {0});
    std::string error;
    EXPECT_EQ(Cartridge::Open(*FindChip(16), dir / "file", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace zorvex::sim
