// The 4 Mbit chip: JEDEC commands in the banked form, 256-byte pages that the
// chip erases as it programs them, a toggle bit for its polls.
#include <algorithm>

#include "link/card_registers.h"
#include "link/chip_programmer.h"
#include "link/jedec_sequences.h"

namespace zorvex {

using namespace card_registers;
using namespace flash_commands;

namespace {

constexpr FlashChipSpec kChip = ChipSpec(Flash4M);
constexpr int kPageSize = kChip.programUnit;
constexpr uint32_t kToggleMaxPasses = 0x7FFFFFF;

class Programmer4M final : public ChipProgrammer {
  public:
    bool Identify(FlashSession& session, IdReads& reads) const override;
    uint8_t EraseChip(FlashSession& session) const override;
    uint8_t WriteBank(FlashSession& session, int bank, const uint8_t* bytes,
                      const BankWrite& how = {}) const override;
};

// Sends through the direct form (a bus address, no bank of its own).
auto Direct(CardBus& bus) {
    return [&bus](uint32_t a, uint8_t v) { bus.DirectCommand(static_cast<uint16_t>(a), v); };
}

bool Programmer4M::Identify(FlashSession& session, IdReads& reads) const {
    CardBus& bus = session.bus;
    // Product-id entry, then the two id bytes. The entry goes to bus 0x5555
    // without a bank of its own, and the chip compares address bit 14, which
    // is bank bit 0 there: with an even bank left in the mapper (bank 0 after
    // a header scan) the chip would never see the entry. Bank 1 makes bus
    // 0x5555 chip address 0x5555, as after power-on.
    bus.BusWrite(kBusRomBankLow, 0x01);
    jedec::EraseUnlocked(Direct(bus), kJedecProductIdEntry);
    bus.clock().Sleep(1);
    if (ReadIdByte(bus, reads, 0x0000) != kChip.manufacturerId) return false;
    if (ReadIdByte(bus, reads, 0x0001) != kChip.deviceId) return false;
    jedec::Unlocked(Direct(bus), kJedecReset);
    return true;
}

uint8_t Programmer4M::EraseChip(FlashSession& session) const {
    CardBus& bus = session.bus;
    jedec::EraseUnlocked([&bus](uint32_t a, uint8_t v) { bus.BankedCommand(a, v); },
                         kJedecChipErase);
    bus.clock().Sleep(20);
    if (TogglePoll(bus) != 0) {
        session.Warn("erase error!!!\n");
        return 0xFF;
    }
    return 0;
}

uint8_t Programmer4M::WriteBank(FlashSession& session, int bank, const uint8_t* bytes,
                                const BankWrite& how) const {
    CardBus& bus = session.bus;
    const uint8_t bankLow = static_cast<uint8_t>(bank & 0xFF);
    for (int p = 0; p < kRomBankSize / kPageSize; ++p) {
        const uint8_t* page = bytes + p * kPageSize;
        if (how.onCard && std::equal(page, page + kPageSize, how.onCard + p * kPageSize)) continue;
        if (how.skipBlankUnits && AllErased(page, kPageSize)) continue;
        for (int attempt = 1;; ++attempt) {
            bus.BankedCommand(kJedecUnlockAddress1, kJedecUnlock1);
            bus.BankedCommand(kJedecUnlockAddress2, kJedecUnlock2);
            bus.BankedCommand(kJedecCommandAddress, kJedecProgram);
            bus.BusWrite(kBusRomBankLow, bankLow);
            bus.WriteRegister(kRegAddressHigh, PageHigh(bank, p));
            bus.WriteRegister(kRegAddressLow, 0x00);
            bus.WriteRegister(kRegMode, kModeBlockFlashWrite);
            bus.SelectRegister(kRegData);
            bus.WriteDataRun(page, kPageSize);
            bus.WriteRegister(kRegMode, kModeSingle);
            // The card keeps register 1 across the page, so only the low
            // byte moves to the page's last byte for the toggle poll.
            bus.WriteRegister(kRegAddressLow, 0xFF);
            TogglePoll(bus);  // the read-back decides, not the time-out
            bus.WriteRegister(kRegAddressLow, 0x00);
            if (CompareBlock(bus, RunStart{PageHigh(bank, p), 0x00}, page, kPageSize) < 0) break;
            if (attempt == kChip.programAttempts) return 0xFF;
        }
    }
    return 0;
}

}  // namespace

int TogglePoll(CardBus& bus) {
    uint8_t previous = bus.ReadHere() & kJedecToggleBit;
    for (uint32_t i = 0; i < kToggleMaxPasses; ++i) {
        if ((i & 0xFFFF) == 0) bus.clock().Sleep(0);
        const uint8_t bit = bus.ReadHere() & kJedecToggleBit;
        if (bit == previous) return 0;
        previous = bit;
    }
    return 1;
}

const ChipProgrammer& Jedec4MProgrammer() {
    static const Programmer4M programmer;
    return programmer;
}

}  // namespace zorvex
