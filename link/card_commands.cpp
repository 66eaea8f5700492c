#include "link/card_link.h"
#include "link/card_registers.h"

namespace zorvex {

using namespace card_registers;

namespace {

// The high address byte (card register 1) of a linear flash address: the
// offset within its 16 KiB bank, moved into the 0x4000 window for banks
// other than 0.
uint8_t HighAddressByte(uint32_t linear, bool windowed) {
    return static_cast<uint8_t>(((linear >> 8) & 0x3F) | (windowed ? 0x40 : 0x00));
}

// StatusPoll16M has no natural end when the card is gone (a floating bus can
// read as "busy" for ever). The first kFastPolls reads run back to back as
// documented; any page program ends long before that on any port. Beyond them
// the chip is in a long operation (a chip erase takes tens of seconds), so each
// further read follows a kSlowPollWaitMs wait. kSlowPolls of those add up to at
// least two minutes on any machine (a wait never ends early), far more than a
// healthy chip needs, and at most a few minutes where the system timer is coarse.
constexpr uint32_t kFastPolls = 0x10000;
constexpr uint32_t kSlowPolls = 12000;
constexpr uint32_t kSlowPollWaitMs = 10;

constexpr uint32_t kToggleMaxPasses = 0x7FFFFFF;
constexpr uint32_t kPollCountdown64M = 0x8000;

}  // namespace

// --- Bus cycles -----------------------------------------------------------------

void CardLink::SetBusAddress(uint16_t address) {
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(address & 0xFF));
    WriteRegister(kRegAddressHigh, static_cast<uint8_t>(address >> 8));
    SelectRegister(kRegData);
    SetControl(kControlRead);
}

void CardLink::BusWrite(uint16_t address, uint8_t value) {
    WriteRegister(kRegMode, kModeSingle);
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(address & 0xFF));
    WriteRegister(kRegAddressHigh, static_cast<uint8_t>((address >> 8) & 0x7F));
    WriteRegister(kRegData, value);
    SetControl(kControlRead);
}

void CardLink::WriteHere(uint8_t value) {
    SelectRegister(kRegData);
    SetControl(kControlWrite);
    WriteData(value);
}

uint8_t CardLink::ReadHere() {
    SelectRegister(kRegData);
    SetControl(kControlRead);
    return ReadData();
}

void CardLink::FlashWriteCycle(uint8_t value) {
    WriteRegister(kRegMode, kModeFlashWrite);
    SelectRegister(kRegData);
    SetControl(kControlWrite);
    WriteData(value);
    WriteRegister(kRegMode, kModeSingle);
    SelectRegister(kRegData);
}

// --- Command forms ------------------------------------------------------------------

void CardLink::DirectCommand(uint16_t address, uint8_t value) {
    SetBusAddress(address);
    FlashWriteCycle(value);
}

void CardLink::BankedCommand(uint32_t linear, uint8_t value) {
    linear &= 0x7FFFF;  // three address bytes, of which bits 16..18 are used
    const uint8_t bank = static_cast<uint8_t>((linear >> 14) & 0x1F);
    SetBusAddress(0x2000);
    SetControl(kControlWrite);
    // A bus write at 0x2000 in the mode left by the previous operation (0x80,
    // or 0x81 after a block read).
    WriteData(bank);
    WriteRegister(kRegAddressHigh, HighAddressByte(linear, bank != 0));
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(linear & 0xFF));
    FlashWriteCycle(value);
}

void CardLink::DoubledCommand(uint32_t word, uint8_t value) {
    const uint32_t linear = word * 2;
    const uint8_t bank = static_cast<uint8_t>((linear >> 14) & 0xFF);
    WriteRegister(kRegMode, kModeSingle);
    SetBusAddress(0x2000);
    SetControl(kControlWrite);
    WriteData(bank);
    WriteRegister(kRegAddressHigh, HighAddressByte(linear, bank != 0));
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(linear & 0xFF));
    FlashWriteCycle(value);
}

void CardLink::LinearCommand(uint32_t linear, uint8_t value) {
    const uint8_t high = static_cast<uint8_t>((linear >> 22) & 0x07);
    const uint8_t low = static_cast<uint8_t>((linear >> 14) & 0xFF);
    WriteRegister(kRegMode, kModeSingle);
    SetBusAddress(0x3000);
    SetControl(kControlWrite);
    WriteData(high);
    SetBusAddress(0x2000);
    SetControl(kControlWrite);
    WriteData(low);
    WriteRegister(kRegAddressHigh, HighAddressByte(linear, high != 0 || low != 0));
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(linear & 0xFF));
    FlashWriteCycle(value);
}

// --- Command sequences ------------------------------------------------------------------

namespace {

struct Cycle {
    uint16_t address;
    uint8_t value;
};

constexpr Cycle kUnlock[] = {{0x5555, 0xAA}, {0x2AAA, 0x55}};
constexpr Cycle kEraseUnlock[] = {
    {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x80}, {0x5555, 0xAA}, {0x2AAA, 0x55}};

template <typename Send>
void Unlocked(Send send, uint8_t command) {
    for (const Cycle& c : kUnlock) send(c.address, c.value);
    send(0x5555, command);
}

template <typename Send>
void EraseUnlocked(Send send, uint8_t command) {
    for (const Cycle& c : kEraseUnlock) send(c.address, c.value);
    send(0x5555, command);
}

}  // namespace

void CardLink::Reset16M() {
    Unlocked([this](uint32_t a, uint8_t v) { DoubledCommand(a, v); }, 0xF0);
}

uint8_t CardLink::ReadStatus64M() {
    LinearCommand(0, 0x70);
    return ReadHere();
}

// --- Identification ------------------------------------------------------------------

int CardLink::IdentifyFlash() {
    auto direct = [this](uint32_t a, uint8_t v) { DirectCommand(static_cast<uint16_t>(a), v); };
    auto doubled = [this](uint32_t a, uint8_t v) { DoubledCommand(a, v); };

    // 4 Mbit: product-id entry, then the two id bytes. The entry goes to bus
    // 0x5555 without a bank of its own, and the chip compares address bit 14,
    // which is bank bit 0 there: with an even bank left in the mapper (bank 0
    // after a header scan) the chip would never see the entry. Bank 1 makes
    // bus 0x5555 chip address 0x5555, as after power-on.
    BusWrite(0x2000, 0x01);
    EraseUnlocked(direct, 0x60);
    clock().Sleep(1);
    SetBusAddress(0x0000);
    if (ReadHere() == 0xDA) {
        SetBusAddress(0x0001);
        if (ReadHere() == 0x46) {
            Unlocked(direct, 0xF0);
            flashType = Flash4M;
            return 0;
        }
    }

    // 16 Mbit: ids at word addresses 0 and 1.
    Unlocked(doubled, 0x90);
    SetBusAddress(0x0000);
    if (ReadHere() == 0xC2) {
        SetBusAddress(0x0002);
        if (ReadHere() == 0xF1) {
            Reset16M();
            flashType = Flash16M;
            return 0;
        }
    }

    // 64 Mbit: the CFI query table, one byte per word.
    Reset16M();
    EngageCard();
    LinearCommand(0, 0x98);
    for (uint32_t j = 0; j < cfiQuery.size(); ++j) {
        SetBusAddress(static_cast<uint16_t>(2 * j));
        cfiQuery[j] = ReadHere();
    }
    if (cfiQuery[0] == 0x89 && cfiQuery[1] == 0x15 && cfiQuery[0x10] == 'Q' &&
        cfiQuery[0x11] == 'R' && cfiQuery[0x12] == 'Y') {
        LinearCommand(0, 0xFF);
        flashType = Flash64M;
        return 0;
    }
    return 1;
}

// --- Polling ----------------------------------------------------------------------------

int CardLink::TogglePoll() {
    uint8_t previous = ReadHere() & 0x40;
    for (uint32_t i = 0; i < kToggleMaxPasses; ++i) {
        if ((i & 0xFFFF) == 0) clock().Sleep(0);
        const uint8_t bit = ReadHere() & 0x40;
        if (bit == previous) return 0;
        previous = bit;
    }
    return 1;
}

uint8_t CardLink::StatusPoll16M() {
    uint8_t s = ReadHere();
    for (uint32_t polls = 0;; ++polls) {
        if ((s & 0xFC) == 0x80) return 0;
        if (s & 0x20) {
            Warn("Fail in erase!!!\a\n");
            return 0xFF;
        }
        if (s & 0x10) {
            Warn("Fail in program!!!\a\n");
            return 0xFE;
        }
        if (polls >= kFastPolls) {
            if (polls >= kFastPolls + kSlowPolls) {
                Warn("Flash chip not responding!!!\a\n");
                return 0xFD;
            }
            clock().Sleep(kSlowPollWaitMs);
        }
        s = ReadData();  // register 3 is still selected
    }
}

uint8_t CardLink::WaitReady64M() {
    pollCountdown = kPollCountdown64M;
    uint8_t s = ReadStatus64M();
    while (!(s & 0x80)) {
        if (--pollCountdown == 0) {
            LinearCommand(0, 0x50);
            return 0xFF;
        }
        s = ReadStatus64M();
    }
    return 0;
}

// --- Erase --------------------------------------------------------------------------------

uint8_t CardLink::EraseBlock64M(uint32_t linear) {
    pollCountdown = kPollCountdown64M;
    while (ReadStatus64M() != 0x80) {
        if (--pollCountdown == 0) return 0xFF;
    }
    LinearCommand(linear, 0x20);
    LinearCommand(linear, 0xD0);
    pollCountdown = kPollCountdown64M;
    while (!(ReadStatus64M() & 0x80)) {
        if (--pollCountdown == 0) {
            LinearCommand(linear, 0x50);
            return 0xFF;
        }
    }
    if (ReadStatus64M() == 0x80) return 0;
    LinearCommand(linear, 0x50);
    LinearCommand(0, 0xFF);
    return 0xFF;
}

uint8_t CardLink::EraseChip() {
    switch (flashType) {
        case Flash4M:
            EraseUnlocked([this](uint32_t a, uint8_t v) { BankedCommand(a, v); }, 0x10);
            clock().Sleep(20);
            if (TogglePoll() != 0) {
                Warn("erase error!!!\n");
                return 0xFF;
            }
            return 0;
        case Flash16M: {
            EraseUnlocked([this](uint32_t a, uint8_t v) { DoubledCommand(a, v); }, 0x10);
            clock().Sleep(1);
            const uint8_t poll = StatusPoll16M();
            Reset16M();
            if (poll != 0) {
                Warn("erase error!!!\a\n");
                return 0xFF;
            }
            return 0;
        }
        case Flash64M:
            for (uint32_t block = 0; block < 0x800000; block += 0x20000) {
                if (EraseBlock64M(block) != 0) {
                    Warn("intel erase failed");
                    return 0xFF;
                }
            }
            return 0;
        default:
            Warn("eeprom type error!\a\n");
            return 0xFF;
    }
}

}  // namespace zorvex
