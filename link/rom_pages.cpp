#include "link/card_link.h"

namespace zorvex {

void CardLink::ReadRomPages(int bank, uint8_t* buffer, int pageCount) {
    if (pageCount > kRomBankSize / 256) pageCount = kRomBankSize / 256;
    BusWrite(0x3000, static_cast<uint8_t>(bank >> 8));
    BusWrite(0x2000, static_cast<uint8_t>(bank & 0xFF));
    for (int p = 0; p < pageCount; ++p) {
        WriteRegister(1, static_cast<uint8_t>(bank != 0 ? p | 0x40 : p));
        WriteRegister(0, 0x00);
        WriteRegister(2, 0x81);  // block read, the address advances
        SelectRegister(3);
        SetControl(0x00);
        for (int i = 0; i < 256; ++i) *buffer++ = ReadData();
    }
}

}  // namespace zorvex
