#include <algorithm>

#include "link/card_link.h"
#include "link/card_registers.h"
#include "link/flash_commands.h"

namespace zorvex {

using namespace card_registers;
using namespace flash_commands;

namespace {

// StatusPoll16M has no natural end when the card is gone (a floating bus can
// read as "busy" for ever). The first kFastPolls reads run back to back, so a
// page program is seen done without a wait; any page program ends long before
// them on any port. Beyond them the chip is in a long operation, a chip erase,
// so each further read follows a kSlowPollWaitMs wait, and a wait never ends
// early.
//
// How long the chip erase may take: the 16M chip (ids 0xC2/0xF1) is the
// Macronix MX29F1610A; its datasheet (Macronix P/N PM0506, rev. 1.7, June
// 2001, "Features") gives 1.3 s typical for each of its 16 sectors of 128 KiB,
// so 20.8 s typical for the whole chip; the copies of it at hand state no
// maximum. kSlowPolls allows ten times that typical figure (21,000 x 10 ms =
// 210 s) for an old, worn or cold chip, and still gives a pulled card up after
// a few minutes at most.
constexpr uint32_t kFastPolls = 0x10000;
constexpr uint32_t kSlowPolls = 21000;
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
    SetBusAddress(kBusRomBankLow);
    SetControl(kControlWrite);
    // A bus write to the bank register in the mode left by the previous
    // operation (0x80, or 0x81 after a block read).
    WriteData(bank);
    WriteRegister(kRegAddressHigh, PageHigh(bank, PageOf(linear)));
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(linear & 0xFF));
    FlashWriteCycle(value);
}

void CardLink::DoubledCommand(uint32_t word, uint8_t value) {
    const uint32_t linear = word * 2;
    const uint8_t bank = static_cast<uint8_t>((linear >> 14) & 0xFF);
    WriteRegister(kRegMode, kModeSingle);
    SetBusAddress(kBusRomBankLow);
    SetControl(kControlWrite);
    WriteData(bank);
    WriteRegister(kRegAddressHigh, PageHigh(bank, PageOf(linear)));
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(linear & 0xFF));
    FlashWriteCycle(value);
}

void CardLink::LinearCommand(uint32_t linear, uint8_t value) {
    const uint8_t high = static_cast<uint8_t>((linear >> 22) & 0x07);
    const uint8_t low = static_cast<uint8_t>((linear >> 14) & 0xFF);
    WriteRegister(kRegMode, kModeSingle);
    SetBusAddress(kBusRomBankHigh);
    SetControl(kControlWrite);
    WriteData(high);
    SetBusAddress(kBusRomBankLow);
    SetControl(kControlWrite);
    WriteData(low);
    WriteRegister(kRegAddressHigh, PageHigh(high | low, PageOf(linear)));
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(linear & 0xFF));
    FlashWriteCycle(value);
}

// --- Command sequences ------------------------------------------------------------------

namespace {

struct Cycle {
    uint16_t address;
    uint8_t value;
};

constexpr Cycle kUnlock[] = {{kJedecUnlockAddress1, kJedecUnlock1},
                             {kJedecUnlockAddress2, kJedecUnlock2}};
constexpr Cycle kEraseUnlock[] = {{kJedecUnlockAddress1, kJedecUnlock1},
                                  {kJedecUnlockAddress2, kJedecUnlock2},
                                  {kJedecCommandAddress, kJedecEraseSetup},
                                  {kJedecUnlockAddress1, kJedecUnlock1},
                                  {kJedecUnlockAddress2, kJedecUnlock2}};

template <typename Send>
void Unlocked(Send send, uint8_t command) {
    for (const Cycle& c : kUnlock) send(c.address, c.value);
    send(kJedecCommandAddress, command);
}

template <typename Send>
void EraseUnlocked(Send send, uint8_t command) {
    for (const Cycle& c : kEraseUnlock) send(c.address, c.value);
    send(kJedecCommandAddress, command);
}

}  // namespace

void CardLink::Reset16M() {
    Unlocked([this](uint32_t a, uint8_t v) { DoubledCommand(a, v); }, kJedecReset);
}

uint8_t CardLink::ReadStatus64M() {
    LinearCommand(0, kIntelReadStatus);
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
    const FlashChipSpec& chip4 = ChipSpec(Flash4M);
    BusWrite(kBusRomBankLow, 0x01);
    EraseUnlocked(direct, kJedecProductIdEntry);
    clock().Sleep(1);
    idReads4M = {};
    idReads16M = {};
    auto readId = [this](JedecIdReads& reads, uint16_t address) {
        SetBusAddress(address);
        const uint8_t value = ReadHere();
        reads.bytes[static_cast<size_t>(reads.count++)] = value;
        return value;
    };
    if (readId(idReads4M, 0x0000) == chip4.manufacturerId) {
        if (readId(idReads4M, 0x0001) == chip4.deviceId) {
            Unlocked(direct, kJedecReset);
            flashType = chip4.type;
            return 0;
        }
    }

    // 16 Mbit: ids at word addresses 0 and 1.
    const FlashChipSpec& chip16 = ChipSpec(Flash16M);
    Unlocked(doubled, kJedecIdEntry);
    if (readId(idReads16M, 0x0000) == chip16.manufacturerId) {
        if (readId(idReads16M, 0x0002) == chip16.deviceId) {
            Reset16M();
            flashType = chip16.type;
            return 0;
        }
    }

    // 64 Mbit: the CFI query table, one byte per word.
    const FlashChipSpec& chip64 = ChipSpec(Flash64M);
    Reset16M();
    EngageCard();
    LinearCommand(0, kIntelCfiQuery);
    for (uint32_t j = 0; j < cfiQuery.size(); ++j) {
        SetBusAddress(static_cast<uint16_t>(2 * j));
        cfiQuery[j] = ReadHere();
    }
    if (cfiQuery[0] == chip64.manufacturerId && cfiQuery[1] == chip64.deviceId &&
        std::equal(kCfiSignature, kCfiSignature + 3, cfiQuery.begin() + kCfiSignatureWord)) {
        LinearCommand(0, kIntelReadArray);
        flashType = chip64.type;
        return 0;
    }
    return 1;
}

// --- Polling ----------------------------------------------------------------------------

int CardLink::TogglePoll() {
    uint8_t previous = ReadHere() & kJedecToggleBit;
    for (uint32_t i = 0; i < kToggleMaxPasses; ++i) {
        if ((i & 0xFFFF) == 0) clock().Sleep(0);
        const uint8_t bit = ReadHere() & kJedecToggleBit;
        if (bit == previous) return 0;
        previous = bit;
    }
    return 1;
}

uint8_t CardLink::StatusPoll16M() {
    uint8_t s = ReadHere();
    for (uint32_t polls = 0;; ++polls) {
        if ((s & kJedecStatusDoneMask) == kJedecStatusReady) return 0;
        if (s & kJedecStatusEraseFailed) {
            Warn("Fail in erase!!!\a\n");
            return 0xFF;
        }
        if (s & kJedecStatusProgramFailed) {
            Warn("Fail in program!!!\a\n");
            return 0xFE;
        }
        if (polls >= kFastPolls) {
            if (polls >= kFastPolls + kSlowPolls) {
                Warn("Flash chip not responding!!!\a\n");
                return 0xFD;
            }
            clock().Sleep(kSlowPollWaitMs);
            eraseWaitedMs += kSlowPollWaitMs;
        }
        s = ReadData();  // register 3 is still selected
    }
}

uint8_t CardLink::WaitReady64M() {
    pollCountdown = kPollCountdown64M;
    uint8_t s = ReadStatus64M();
    while (!(s & kIntelStatusReady)) {
        if (--pollCountdown == 0) {
            LinearCommand(0, kIntelClearStatus);
            return 0xFF;
        }
        s = ReadStatus64M();
    }
    return 0;
}

// --- Erase --------------------------------------------------------------------------------

uint8_t CardLink::EraseBlock64M(uint32_t linear) {
    pollCountdown = kPollCountdown64M;
    while (ReadStatus64M() != kIntelStatusReady) {
        if (--pollCountdown == 0) return 0xFF;
    }
    LinearCommand(linear, kIntelBlockErase);
    LinearCommand(linear, kIntelConfirm);
    pollCountdown = kPollCountdown64M;
    while (!(ReadStatus64M() & kIntelStatusReady)) {
        if (--pollCountdown == 0) {
            LinearCommand(linear, kIntelClearStatus);
            return 0xFF;
        }
    }
    if (ReadStatus64M() == kIntelStatusReady) return 0;
    LinearCommand(linear, kIntelClearStatus);
    LinearCommand(0, kIntelReadArray);
    return 0xFF;
}

uint8_t CardLink::EraseChip() {
    switch (flashType) {
        case Flash4M:
            EraseUnlocked([this](uint32_t a, uint8_t v) { BankedCommand(a, v); }, kJedecChipErase);
            clock().Sleep(20);
            if (TogglePoll() != 0) {
                Warn("erase error!!!\n");
                return 0xFF;
            }
            return 0;
        case Flash16M: {
            EraseUnlocked([this](uint32_t a, uint8_t v) { DoubledCommand(a, v); }, kJedecChipErase);
            clock().Sleep(1);
            const uint8_t poll = StatusPoll16M();
            Reset16M();
            if (poll != 0) {
                Warn("erase error!!!\a\n");
                return 0xFF;
            }
            return 0;
        }
        case Flash64M: {
            const FlashChipSpec& chip = ChipSpec(Flash64M);
            for (int32_t block = 0; block < chip.capacity; block += chip.eraseBlock) {
                if (EraseBlock64M(static_cast<uint32_t>(block)) != 0) {
                    Warn("intel erase failed");
                    return 0xFF;
                }
            }
            return 0;
        }
        default:
            Warn("eeprom type error!\a\n");
            return 0xFF;
    }
}

}  // namespace zorvex
