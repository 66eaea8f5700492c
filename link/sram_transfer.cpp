// Save RAM: one 8 KiB bank at a time, between the card and the caller's bytes.
#include "link/card_link.h"
#include "link/card_registers.h"

namespace zorvex {

using namespace card_registers;

namespace {

constexpr int kBlocksPerBank = kSramBankSize / 256;

void EnableSram(CardBus& bus) {
    bus.EngageCard();
    bus.SetBusAddress(kBusRamEnable);
    bus.WriteHere(0x0A);
    bus.WriteHere(0xC0);
    bus.SetBusAddress(kBusSaveRam);
    bus.WriteHere(0xA0);
    bus.SetBusAddress(kBusSaveRam + 0x100);
    bus.WriteHere(0xC0);
    bus.SetBusAddress(kBusRamEnable);
    bus.WriteHere(0x0A);
}

void SelectRamBank(CardBus& bus, uint8_t bank) {
    bus.SetBusAddress(kBusRamBank);
    bus.WriteHere(bank);
}

uint8_t SramBlockHigh(int k) {
    return static_cast<uint8_t>((kBusSaveRam >> 8) + k);
}

// Addresses 256-byte block `k` of the selected bank for a block transfer in
// the direction `control` sets up.
void StartBlock(CardBus& bus, int k, uint8_t control) {
    bus.WriteRegister(kRegAddressHigh, SramBlockHigh(k));
    bus.WriteRegister(kRegAddressLow, 0x00);
    bus.WriteRegister(kRegMode, kModeBlock);
    bus.SelectRegister(kRegData);
    bus.SetControl(control);
}

}  // namespace

void CardLink::ReadSramBank(int bank, uint8_t* bytes) {
    CardOperation operation(bus_);
    EnableSram(bus_);
    SelectRamBank(bus_, static_cast<uint8_t>(bank));
    for (int k = 0; k < kBlocksPerBank; ++k) {
        StartBlock(bus_, k, kControlRead);
        bus_.ReadDataRun(bytes + k * 256, 256, RunStart{SramBlockHigh(k), 0x00});
        bus_.WriteRegister(kRegMode, kModeSingle);
    }
}

void CardLink::WriteSramBank(int bank, const uint8_t* bytes) {
    CardOperation operation(bus_);
    EnableSram(bus_);
    SelectRamBank(bus_, static_cast<uint8_t>(bank));
    for (int k = 0; k < kBlocksPerBank; ++k) {
        StartBlock(bus_, k, kControlWrite);
        bus_.WriteDataRun(bytes + k * 256, 256);
        bus_.WriteRegister(kRegMode, kModeSingle);
    }
}

}  // namespace zorvex
