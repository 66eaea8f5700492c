#include "link/card_link.h"
#include "link/card_registers.h"

namespace zorvex {

using namespace card_registers;

namespace {
constexpr int kBlocksPerBank = kSramBankSize / 256;
constexpr int kSramBanks = kSramImageSize / kSramBankSize;
}  // namespace

void CardLink::EnableSram() {
    EngageCard();
    SetBusAddress(kBusRamEnable);
    WriteHere(0x0A);
    WriteHere(0xC0);
    SetBusAddress(kBusSaveRam);
    WriteHere(0xA0);
    SetBusAddress(kBusSaveRam + 0x100);
    WriteHere(0xC0);
    SetBusAddress(kBusRamEnable);
    WriteHere(0x0A);
}

void CardLink::SelectRamBank(uint8_t bank) {
    SetBusAddress(kBusRamBank);
    WriteHere(bank);
}

// The bank index also addresses sramImage, which holds 16 banks; a larger
// index would run past it, so it wraps like the card's own bank register.
static size_t SramOffset(int bank) {
    return static_cast<size_t>(bank & (kSramBanks - 1)) * kSramBankSize;
}

void CardLink::ReadSramBank(int bank) {
    CardOperation operation(*this);
    EnableSram();
    SelectRamBank(static_cast<uint8_t>(bank));
    uint8_t* out = sramImage.data() + SramOffset(bank);
    for (int k = 0; k < kBlocksPerBank; ++k) {
        WriteRegister(kRegAddressHigh, static_cast<uint8_t>((kBusSaveRam >> 8) + k));
        WriteRegister(kRegAddressLow, 0x00);
        WriteRegister(kRegMode, kModeBlock);
        SelectRegister(kRegData);
        SetControl(kControlRead);
        ReadDataRun(out, 256);
        out += 256;
        WriteRegister(kRegMode, kModeSingle);
    }
}

void CardLink::WriteSramBank(int bank) {
    CardOperation operation(*this);
    EnableSram();
    SelectRamBank(static_cast<uint8_t>(bank));
    const uint8_t* in = sramImage.data() + SramOffset(bank);
    for (int k = 0; k < kBlocksPerBank; ++k) {
        WriteRegister(kRegAddressHigh, static_cast<uint8_t>((kBusSaveRam >> 8) + k));
        WriteRegister(kRegAddressLow, 0x00);
        WriteRegister(kRegMode, kModeBlock);
        SelectRegister(kRegData);
        SetControl(kControlWrite);
        WriteDataRun(in, 256);
        in += 256;
        WriteRegister(kRegMode, kModeSingle);
    }
}

}  // namespace zorvex
