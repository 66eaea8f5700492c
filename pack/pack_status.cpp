#include "pack/pack_status.h"

#include <charconv>
#include <system_error>

#include "common/file_io.h"
#include "rom/rom_info.h"

namespace zorvex {

namespace {

constexpr int kUsedSizeByte = 4;
constexpr int kRamSizeByte = 5;

int BanksForRamCode(uint8_t ram) {
    switch (ram) {
        case 1:
        case 2:
            return 1;
        case 3:
            return 4;
        default:  // including 4 and 5
            return 0;
    }
}

// "%3.2f" of kib / 1024, always with a decimal point: the desktop program runs
// in the user's locale, whose printf would write "1,03" in many countries.
std::string MegaBytes(int kib) {
    char digits[32];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, kib * 0.0009765625,
                                      std::chars_format::fixed, 2);
    if (error != std::errc()) return "0.00";
    return std::string(digits, end);
}

std::string SizeAndBanks(int rows, int kib, int banks) {
    std::string text =
        rows == 1 ? std::string("DIZavo (1 Rom / ") : Format("DIZavo (%d Roms / ", rows);
    if (kib < 1024)
        text += Format("%d kB / %d ", kib, banks);
    else
        text += MegaBytes(kib) + Format(" MB / %d ", banks);
    text += banks == 1 ? "Bank)" : "Banks)";
    return text;
}

}  // namespace

PackStatus UpdatePackStatus(const RomListModel& pack) {
    PackStatus status;
    status.rowCount = pack.Count();
    if (status.rowCount == 0) {
        status.caption = "DIZavo RomList (empty)";
        return status;
    }
    status.clearEnabled = true;

    int64_t kib = 0;
    int banks = 0;
    for (int index = 0; index < pack.Count(); ++index) {
        const RomEntry& row = pack.Row(index);
        const std::string& attributes = row[FieldAttributes];
        kib += int64_t{32} << (HexByteAt(kUsedSizeByte, attributes) & 0x1F);
        banks += BanksForRamCode(HexByteAt(kRamSizeByte, attributes));
    }
    kib += kMenuProgramKiB;
    // A damaged Attributes text can claim sizes no file has; the caption
    // stays within int, and such a pack is "to big" either way.
    status.packKiB = kib > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(kib);
    status.packBanks = banks;
    status.saveEnabled = true;
    status.sendEnabled = true;

    status.caption = SizeAndBanks(status.rowCount, status.packKiB, banks);
    if (banks > kMaxPackBanks) {
        status.verdict = PackVerdict::TooManyBanks;
        status.caption += " (Too many Banks!)";
        status.sendEnabled = false;
    } else if (status.packKiB <= 512 && banks <= 4) {
        status.verdict = PackVerdict::Card512K;
        status.caption += " (512 kB Card needed)";
    } else if (status.packKiB <= 2048) {
        status.verdict = PackVerdict::Card2M;
        status.caption += " (2 MB Card needed)";
    } else if (status.packKiB <= 8192) {
        status.verdict = PackVerdict::Card8M;
        status.caption += " (8 MB Card needed)";
    } else {
        status.verdict = PackVerdict::TooBig;
        status.caption += " (DIZavo is to big !!!)";
        status.sendEnabled = false;
    }
    return status;
}

}  // namespace zorvex
