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
constexpr size_t kMostNames = 16;  // the manager's slot rows

// The title with the colour flag (bit 7 of its 16th byte) cleared, so that a
// Color title ending in 0x80 stops one character early.
std::string Title(const HeaderPages& header) {
    std::array<char, kTitleLength> title{};
    std::memcpy(title.data(), header.data() + kTitleOffset, kTitleLength);
    title[kTitleLength - 1] = static_cast<char>(title[kTitleLength - 1] & 0x7F);
    return std::string(title.data(), strnlen(title.data(), title.size()));
}

void AddTitle(PackScan& scan, const HeaderPages& header, int times = 1) {
    for (int i = 0; i < times; ++i) scan.names.push_back(Title(header));
}

// Puts ROM bank 1 back into the mapper's bank window when the scan ends. The
// 512 KiB chip takes its identification commands at bus 0x5555 through that
// window without selecting a bank, so after a walk that ended on an even bank
// the next detection of such a card would find no flash.
class RestoreBankWindow {
  public:
    explicit RestoreBankWindow(CardBus& bus) : bus_(bus) {}
    ~RestoreBankWindow() {
        bus_.BusWrite(0x3000, 0);
        bus_.BusWrite(0x2000, 1);
    }
    RestoreBankWindow(const RestoreBankWindow&) = delete;
    RestoreBankWindow& operator=(const RestoreBankWindow&) = delete;

  private:
    CardBus& bus_;
};

}  // namespace

PackScan ScanPack(CardLink& link) {
    PackScan scan;
    CardOperation operation(link.bus());
    Detection opened = link.OpenCard();
    if (opened.result != 0 || opened.card.saveBanks() <= 0) {
        scan.text = std::move(opened.text);
        return scan;
    }
    scan.card = opened.card;
    RestoreBankWindow restore(link.bus());
    // The manager has rows for 16 slots; a larger count would only overrun them.
    const size_t slots = std::min(static_cast<size_t>(opened.card.saveBanks()), kMostNames);

    HeaderPages header{};
    link.ReadRomPages(0, header.data(), 2);
    if (!HasNintendoLogo(header.data())) {
        scan.text = "No valid GameboyRom !!";
        return scan;
    }

    scan.ok = true;
    if (std::memcmp(header.data() + kTitleOffset, kPackMarker, 6) != 0) {
        const uint8_t ram = header[kRamSizeOffset];
        if (ram != 0) AddTitle(scan, header, ram == kRamCode32K ? 4 : 1);
        return scan;
    }

    // Walk the chain of members from header to header. 64-bit arithmetic keeps
    // a corrupt size code (up to 31) from overflowing the bank number.
    const auto tooMany = [&scan] {
        scan.ok = false;
        scan.text = "Too many Savegames for this Cart !!";
        return scan;
    };
    const int64_t banks = opened.card.capacity() / kRomBankSize;
    int64_t bank = kFirstMemberBank;
    while (bank < banks) {
        link.ReadRomPages(static_cast<int>(bank), header.data(), 2);
        if (!HasNintendoLogo(header.data())) return scan;
        const uint8_t ram = header[kRamSizeOffset];
        if (ram != 0) {
            if (scan.names.size() >= slots) return tooMany();
            AddTitle(scan, header);
            if (ram == kRamCode32K) {
                if (scan.names.size() + 3 > slots) return tooMany();
                AddTitle(scan, header, 3);
            }
        }
        bank += int64_t{2} << (header[kRomSizeOffset] & 31);
    }
    return scan;
}

}  // namespace zorvex
