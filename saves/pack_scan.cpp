#include "saves/pack_scan.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace zorvex {

namespace {

constexpr int kTitleOffset = 0x134;
constexpr int kTitleLength = 16;
constexpr int kRomSizeOffset = 0x148;
constexpr int kRamSizeOffset = 0x149;
constexpr uint8_t kRamCode32K = 3;   // four 8 KiB slots
constexpr int kFirstMemberBank = 2;  // the pack builder puts the first game behind the 32 KiB menu
constexpr char kPackMarker[] = "DIZAVO";

using HeaderPages = std::array<uint8_t, 512>;

// The title with the colour flag (bit 7 of its 16th byte) cleared, so that a
// Color title ending in 0x80 stops one character early.
void StoreTitle(CardLink& link, int entry, const HeaderPages& header) {
    auto& name = link.slotNames[static_cast<size_t>(entry)];
    std::memcpy(name.data(), header.data() + kTitleOffset, kTitleLength);
    name[kTitleLength - 1] = static_cast<char>(name[kTitleLength - 1] & 0x7F);
    name[kTitleLength] = '\0';
}

void AddTitle(CardLink& link, const HeaderPages& header) {
    StoreTitle(link, link.slotNameCount, header);
    ++link.slotNameCount;
}

void RepeatLastTitle(CardLink& link, int times) {
    for (int i = 0; i < times; ++i) {
        link.slotNames[link.slotNameCount] = link.slotNames[link.slotNameCount - 1];
        ++link.slotNameCount;
    }
}

// Puts ROM bank 1 back into the mapper's bank window when the scan ends. The
// 512 KiB chip takes its identification commands at bus 0x5555 through that
// window without selecting a bank, so after a walk that ended on an even bank
// the next detection of such a card would find no flash.
class RestoreBankWindow {
  public:
    explicit RestoreBankWindow(CardLink& link) : link_(link) {}
    ~RestoreBankWindow() {
        link_.BusWrite(0x3000, 0);
        link_.BusWrite(0x2000, 1);
    }
    RestoreBankWindow(const RestoreBankWindow&) = delete;
    RestoreBankWindow& operator=(const RestoreBankWindow&) = delete;

  private:
    CardLink& link_;
};

}  // namespace

bool ScanPack(CardLink& link) {
    CardOperation operation(link);
    const int opened = link.OpenCard();
    if (opened <= 0) return false;
    RestoreBankWindow restore(link);
    // The table has room for 16 slots; a larger count would only overrun it.
    const int slots = std::min(opened, static_cast<int>(link.slotNames.size()));
    for (auto& name : link.slotNames) name.fill('\0');
    link.slotNameCount = 0;

    HeaderPages header{};
    link.ReadRomPages(0, header.data(), 2);
    if (!HasNintendoLogo(header.data())) {
        link.messageText = "No valid GameboyRom !!";
        return false;
    }

    if (std::memcmp(header.data() + kTitleOffset, kPackMarker, 6) != 0) {
        const uint8_t ram = header[kRamSizeOffset];
        if (ram == 0) return true;
        AddTitle(link, header);
        if (ram == kRamCode32K) RepeatLastTitle(link, 3);
        return true;
    }

    // Walk the chain of members from header to header. 64-bit arithmetic keeps
    // a corrupt size code (up to 31) from overflowing the bank number.
    const int64_t banks = link.capacity / kRomBankSize;
    int64_t bank = kFirstMemberBank;
    while (bank < banks) {
        link.ReadRomPages(static_cast<int>(bank), header.data(), 2);
        if (!HasNintendoLogo(header.data())) return true;
        const uint8_t ram = header[kRamSizeOffset];
        if (ram != 0) {
            if (link.slotNameCount >= slots) {
                link.messageText = "Too many Savegames for this Cart !!";
                return false;
            }
            AddTitle(link, header);
            if (ram == kRamCode32K) {
                if (link.slotNameCount + 3 > slots) {
                    link.messageText = "Too many Savegames for this Cart !!";
                    return false;
                }
                RepeatLastTitle(link, 3);
            }
        }
        bank += int64_t{2} << (header[kRomSizeOffset] & 31);
    }
    return true;
}

}  // namespace zorvex
