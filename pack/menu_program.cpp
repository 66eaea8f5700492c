#include "pack/menu_program.h"

#include <cstring>
#include <initializer_list>

#include "rom/rom_image.h"

namespace zorvex {

namespace {

void Put(std::vector<uint8_t>& image, size_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) image[at++] = b;
}

}  // namespace

std::vector<uint8_t> MakeMenuProgram() {
    std::vector<uint8_t> image(kMenuProgramSize, 0);

    // Interrupts stay disabled, but every vector returns at once should one
    // be enabled by accident.
    for (size_t vector : {0x40u, 0x48u, 0x50u, 0x58u, 0x60u}) image[vector] = 0xD9;  // reti

    // Entry point: nop; jp 0x0150.
    Put(image, 0x100, {0x00, 0xC3, 0x50, 0x01});
    std::memcpy(&image[0x104], kNintendoLogo.data(), kNintendoLogo.size());

    // The pack scan recognises a pack by the first six title bytes.
    static const char kTitle[] = "DIZAVO MENU";
    std::memcpy(&image[0x134], kTitle, sizeof kTitle - 1);
    image[0x143] = 0x00;  // monochrome program
    image[0x147] = 0x00;  // ROM only
    image[0x148] = 0x00;  // 32 KiB
    image[0x149] = 0x00;  // no save RAM
    image[0x14A] = 0x01;  // non-Japanese
    image[0x14B] = 0x00;
    image[0x14C] = 0x00;

    // Main program. The LCD may only be switched off during the vertical
    // blank, so the code waits for LY to reach line 144 first.
    Put(image, kRomHeaderEnd,
        {
            0xF3,              // 0150 di
            0x31, 0xFE, 0xFF,  // 0151 ld sp,$FFFE
            0xF0, 0x44,        // 0154 wait: ldh a,[LY]
            0xFE, 0x90,        // 0156 cp 144
            0x38, 0xFA,        // 0158 jr c,wait
            0xAF,              // 015A xor a
            0xE0, 0x40,        // 015B ldh [LCDC],a      ; LCD off
            0x3E, 0xE4,        // 015D ld a,$E4
            0xE0, 0x47,        // 015F ldh [BGP],a       ; usual four shades
            0x3E, 0x91,        // 0161 ld a,$91
            0xE0, 0x40,        // 0163 ldh [LCDC],a      ; LCD and background on
            0xF0, 0x44,        // 0165 idle: ldh a,[LY]
            0xFE, 0x90,        // 0167 cp 144
            0x20, 0xFA,        // 0169 jr nz,idle
            0x18, 0xF8,        // 016B jr idle
        });

    image[0x14D] = HeaderChecksum(image.data());
    uint16_t sum = GlobalChecksum(image.data(), image.size());
    image[0x14E] = static_cast<uint8_t>(sum >> 8);
    image[0x14F] = static_cast<uint8_t>(sum & 0xFF);
    return image;
}

}  // namespace zorvex
