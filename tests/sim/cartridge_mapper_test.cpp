// The simulated cartridge's mapper and save RAM as the bus sees them.
#include <gtest/gtest.h>

#include "sim/cartridge.h"

namespace zorvex::sim {
namespace {

TEST(CartridgeMapper, Bank0IsFixedAndTheWindowFollowsBothBankRegisters) {
    Cartridge cart(*FindChip(64));
    auto flash = cart.chip().contents();
    flash[0x0010] = 0x10;
    flash[0x4010] = 0x11;                 // bank 1
    flash[0x1F8 * 0x4000 + 0x10] = 0x12;  // bank 0x1F8
    EXPECT_EQ(cart.romBank(), 1u);        // power-on bank
    EXPECT_EQ(cart.Read(0x4010), 0x11);
    cart.Write(0x3000, 0x01);
    cart.Write(0x2000, 0xF8);
    EXPECT_EQ(cart.Read(0x0010), 0x10);
    EXPECT_EQ(cart.Read(0x4010), 0x12);
    cart.Write(0x3000, 0x00);
    cart.Write(0x2000, 0x00);
    EXPECT_EQ(cart.Read(0x4010), 0x10);  // bank 0 in the window too
    // Plain bus writes never reach the flash.
    cart.Write(0x4010, 0x00);
    cart.Write(0x0010, 0x00);
    EXPECT_EQ(flash[0x0010], 0x10);
    EXPECT_EQ(cart.Read(0x8000), 0xFF);
}

TEST(CartridgeMapper, FlashWritesGoToTheMappedAddress) {
    Cartridge cart(*FindChip(64));
    cart.Write(0x2000, 0x05);
    cart.FlashWrite(0x4123, 0x20);  // block erase at bank 5
    cart.FlashWrite(0x4123, 0xD0);
    while ((cart.Read(0) & 0x80) == 0) {
    }
    EXPECT_EQ(cart.chip().stats().erasedBlocks, (std::vector<uint32_t>{0}));
    cart.Write(0x2000, 0x09);
    cart.FlashWrite(0x4000, 0x20);
    cart.FlashWrite(0x4000, 0xD0);
    EXPECT_EQ(cart.chip().stats().erasedBlocks, (std::vector<uint32_t>{0, 0x20000}));
}

TEST(CartridgeSaveRam, EnableBankSelectAndIgnoredWritesWhileDisabled) {
    Cartridge cart(*FindChip(16));
    EXPECT_FALSE(cart.ramEnabled());
    cart.Write(0xA000, 0x55);  // disabled: dropped
    EXPECT_EQ(cart.Read(0xA000), 0xFF);
    cart.Write(0x0000, 0x0A);
    EXPECT_TRUE(cart.ramEnabled());
    EXPECT_EQ(cart.Read(0xA000), 0x00);
    cart.Write(0x4000, 15);
    cart.Write(0xBFFF, 0x77);
    EXPECT_EQ(cart.sram()[15 * 0x2000 + 0x1FFF], 0x77);
    cart.Write(0x4000, 0);
    EXPECT_EQ(cart.Read(0xBFFF), 0x00);
    cart.Write(0x0000, 0xC0);  // anything but 0x?A disables
    EXPECT_FALSE(cart.ramEnabled());
    cart.Write(0xBFFF, 0x99);
    EXPECT_EQ(cart.sram()[0x1FFF], 0x00);
}

TEST(CartridgeSaveRam, The4MCardHasFourBanks) {
    Cartridge cart(*FindChip(4));
    EXPECT_EQ(cart.sram().size(), 0x8000u);
    cart.Write(0x0000, 0x0A);
    cart.Write(0x4000, 5);  // the bank number wraps to the banks present
    cart.Write(0xA000, 0x42);
    EXPECT_EQ(cart.sram()[1 * 0x2000], 0x42);
}

}  // namespace
}  // namespace zorvex::sim
