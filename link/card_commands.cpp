// The command forms: how a byte reaches the flash chip through the
// cartridge's mapper, by how the chip decodes addresses.
#include "link/card_bus.h"
#include "link/card_registers.h"

namespace zorvex {

using namespace card_registers;

// --- Bus cycles -----------------------------------------------------------------

void CardBus::SetBusAddress(uint16_t address) {
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(address & 0xFF));
    WriteRegister(kRegAddressHigh, static_cast<uint8_t>(address >> 8));
    SelectRegister(kRegData);
    SetControl(kControlRead);
}

void CardBus::BusWrite(uint16_t address, uint8_t value) {
    WriteRegister(kRegMode, kModeSingle);
    WriteRegister(kRegAddressLow, static_cast<uint8_t>(address & 0xFF));
    WriteRegister(kRegAddressHigh, static_cast<uint8_t>((address >> 8) & 0x7F));
    WriteRegister(kRegData, value);
    SetControl(kControlRead);
}

void CardBus::WriteHere(uint8_t value) {
    SelectRegister(kRegData);
    SetControl(kControlWrite);
    WriteData(value);
}

uint8_t CardBus::ReadHere() {
    SelectRegister(kRegData);
    SetControl(kControlRead);
    return ReadData();
}

void CardBus::FlashWriteCycle(uint8_t value) {
    WriteRegister(kRegMode, kModeFlashWrite);
    SelectRegister(kRegData);
    SetControl(kControlWrite);
    WriteData(value);
    WriteRegister(kRegMode, kModeSingle);
    SelectRegister(kRegData);
}

// --- Command forms ------------------------------------------------------------------

void CardBus::DirectCommand(uint16_t address, uint8_t value) {
    SetBusAddress(address);
    FlashWriteCycle(value);
}

void CardBus::BankedCommand(uint32_t linear, uint8_t value) {
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

void CardBus::DoubledCommand(uint32_t word, uint8_t value) {
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

void CardBus::LinearCommand(uint32_t linear, uint8_t value) {
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

}  // namespace zorvex
