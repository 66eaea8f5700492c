#include <cstdio>
#include <cstring>

#include "link/card_registers.h"
#include "link/chip_programmer.h"

namespace zorvex {

using namespace card_registers;

bool AllErased(const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i)
        if (bytes[i] != 0xFF) return false;
    return true;
}

uint8_t ReadIdByte(CardBus& bus, IdReads& reads, uint16_t address) {
    bus.SetBusAddress(address);
    const uint8_t value = bus.ReadHere();
    reads.bytes[static_cast<size_t>(reads.count++)] = value;
    return value;
}

int CompareBlock(CardBus& bus, RunStart start, const uint8_t* expected, int count) {
    bus.WriteRegister(kRegMode, kModeBlock);
    bus.SelectRegister(kRegData);
    bus.SetControl(kControlRead);
    return bus.CompareDataRun(expected, count, start);
}

uint8_t VerifyBank(CardBus& bus, int bank, const uint8_t* bytes, std::string* error) {
    bus.BusWrite(kBusRomBankHigh, static_cast<uint8_t>(bank >> 8));
    bus.BusWrite(kBusRomBankLow, static_cast<uint8_t>(bank & 0xFF));
    for (int k = 0; k < kRomBankSize / 256; ++k) {
        bus.WriteRegister(kRegAddressHigh, PageHigh(bank, k));
        bus.WriteRegister(kRegAddressLow, 0x00);
        const int diff = CompareBlock(bus, RunStart{PageHigh(bank, k), 0x00}, bytes + k * 256, 256);
        if (diff >= 0) {
            if (error) {
                char text[64];
                std::snprintf(text, sizeof text, "error at %lx!",
                              static_cast<unsigned long>(bank) * kRomBankSize + k * 0x100ul +
                                  static_cast<unsigned long>(diff));
                *error = text;
            }
            return 0xFF;
        }
    }
    return 0;
}

}  // namespace zorvex
