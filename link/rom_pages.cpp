#include "link/card_link.h"
#include "link/card_registers.h"

namespace zorvex {

using namespace card_registers;

void CardLink::ReadRomPages(int bank, uint8_t* buffer, int pageCount) {
    CardOperation operation(*this);
    if (pageCount > kRomBankSize / 256) pageCount = kRomBankSize / 256;
    BusWrite(kBusRomBankHigh, static_cast<uint8_t>(bank >> 8));
    BusWrite(kBusRomBankLow, static_cast<uint8_t>(bank & 0xFF));
    for (int p = 0; p < pageCount; ++p) {
        WriteRegister(kRegAddressHigh, PageHigh(bank, p));
        WriteRegister(kRegAddressLow, 0x00);
        WriteRegister(kRegMode, kModeBlock);
        SelectRegister(kRegData);
        SetControl(kControlRead);
        ReadDataRun(buffer, 256);
        buffer += 256;
    }
}

}  // namespace zorvex
