#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "pack/menu_program.h"
#include "rom/rom_image.h"
#include "tests/support/rom_builder.h"

namespace zorvex {
namespace {

using test::RomBuilder;

// Just enough of the Game Boy CPU to follow the menu program: the opcodes it
// uses, the stack pointer, A, the Z and C flags and the I/O registers, with LY
// advancing on every read as the display would.
struct MiniCpu {
    explicit MiniCpu(const std::vector<uint8_t>& rom) : rom(rom) {}

    uint8_t Fetch() { return rom.at(pc++); }

    // False on an opcode the program should not contain.
    bool Step() {
        uint8_t op = Fetch();
        switch (op) {
            case 0x00:  // nop
                return true;
            case 0xF3:  // di
                ime = false;
                return true;
            case 0xC3: {  // jp nn
                uint16_t lo = Fetch();
                pc = static_cast<uint16_t>(lo | Fetch() << 8);
                return true;
            }
            case 0x31: {  // ld sp,nn
                uint16_t lo = Fetch();
                sp = static_cast<uint16_t>(lo | Fetch() << 8);
                return true;
            }
            case 0xF0: {  // ldh a,[n]
                uint8_t n = Fetch();
                if (n == 0x44) {
                    a = ly;
                    ly = static_cast<uint8_t>((ly + 1) % 154);
                } else {
                    a = io[n];
                }
                return true;
            }
            case 0xE0: {  // ldh [n],a
                uint8_t n = Fetch();
                io[n] = a;
                if (n == 0x40) lcdcWrites.push_back({a, ly});
                return true;
            }
            case 0xFE: {  // cp n
                uint8_t n = Fetch();
                zero = a == n;
                carry = a < n;
                return true;
            }
            case 0xAF:  // xor a
                a = 0;
                zero = true;
                carry = false;
                return true;
            case 0x3E:  // ld a,n
                a = Fetch();
                return true;
            case 0x18:    // jr e
            case 0x20:    // jr nz,e
            case 0x38: {  // jr c,e
                int8_t e = static_cast<int8_t>(Fetch());
                bool take = op == 0x18 || (op == 0x20 && !zero) || (op == 0x38 && carry);
                if (take) pc = static_cast<uint16_t>(pc + e);
                return true;
            }
            default:
                return false;
        }
    }

    const std::vector<uint8_t>& rom;
    uint16_t pc = 0x100, sp = 0;
    uint8_t a = 0, ly = 0;
    bool zero = false, carry = false, ime = true;
    std::array<uint8_t, 256> io{};
    std::vector<std::pair<uint8_t, uint8_t>> lcdcWrites;  // value, LY at the write
};

TEST(MenuProgram, IsAValidCartridgeImageRecognisedAsAPack) {
    std::vector<uint8_t> image = MakeMenuProgram();
    ASSERT_EQ(image.size(), 0x8000u);
    EXPECT_EQ(std::memcmp(&image[0x104], RomBuilder::kLogo, 48), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[0x134]), 6), "DIZAVO");
    EXPECT_EQ(image[0x143], 0);  // below 0x80: a monochrome title, so no CGB flag
    EXPECT_EQ(image[0x148], 0);
    EXPECT_EQ(image[0x149], 0);
    EXPECT_EQ(image[0x14D], RomBuilder::HeaderChecksumOf(image));
    EXPECT_EQ(StoredGlobalChecksum(image.data()), RomBuilder::GlobalChecksumOf(image));
    // Fits the 32 KiB slot the pack reserves for it.
    EXPECT_EQ(UsedSizeCode(image.data(), static_cast<int32_t>(image.size())), 0);
}

TEST(MenuProgram, CodeSwitchesTheDisplayOnlyInVerticalBlankThenIdles) {
    std::vector<uint8_t> image = MakeMenuProgram();
    MiniCpu cpu(image);
    for (int i = 0; i < 5000; ++i) ASSERT_TRUE(cpu.Step()) << std::hex << cpu.pc;

    EXPECT_FALSE(cpu.ime);
    EXPECT_EQ(cpu.sp, 0xFFFE);
    EXPECT_EQ(cpu.io[0x47], 0xE4);
    ASSERT_EQ(cpu.lcdcWrites.size(), 2u);
    EXPECT_EQ(cpu.lcdcWrites[0].first, 0x00);
    EXPECT_GE(cpu.lcdcWrites[0].second, 144);  // LY had reached the vertical blank
    EXPECT_EQ(cpu.lcdcWrites[1].first, 0x91);
    // Settled in the idle loop, not wandering through the image.
    EXPECT_GE(cpu.pc, 0x150);
    EXPECT_LT(cpu.pc, 0x170);
}

}  // namespace
}  // namespace zorvex
