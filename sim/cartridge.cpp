#include "sim/cartridge.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/file_io.h"

namespace zorvex::sim {

namespace {

constexpr uint32_t kSramBank = 0x2000;

std::string FlashPath(const std::string& dir) {
    return dir + "/flash.bin";
}
std::string SramPath(const std::string& dir) {
    return dir + "/sram.bin";
}

bool SaveFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error) {
    auto file = OutputFile::Create(path);
    if (file && file->Write(bytes.data(), bytes.size()) && file->Commit()) return true;
    if (error) *error = "Can't write " + path + ": " + LastErrorText();
    return false;
}

// Fills `into` from the file when it exists (a shorter file leaves the rest as
// it is); creates the file from `into` when it does not.
bool LoadOrCreate(const std::string& path, std::span<uint8_t> into, std::string* error) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return SaveFile(path, into, error);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "Can't open " + path;
        return false;
    }
    in.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
    return true;
}

}  // namespace

Cartridge::Cartridge(const ChipInfo& chip)
    : chip_(MakeFlashChip(chip.code)), sram_(static_cast<size_t>(chip.saveBanks) * kSramBank, 0) {}

std::unique_ptr<Cartridge> Cartridge::Open(const ChipInfo& chip, const std::string& dir,
                                           std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        if (error) *error = "Can't create " + dir + ": " + ec.message();
        return nullptr;
    }
    auto card = std::make_unique<Cartridge>(chip);
    if (!LoadOrCreate(FlashPath(dir), card->chip_->contents(), error)) return nullptr;
    if (!LoadOrCreate(SramPath(dir), card->sram_, error)) return nullptr;
    card->chip_->ClearDirty();
    card->sramDirty_ = false;
    card->dir_ = dir;
    return card;
}

Cartridge::~Cartridge() {
    Flush();
}

void Cartridge::Write(uint16_t address, uint8_t value) {
    switch (address >> 12) {
        case 0x0:
        case 0x1:
            ramEnabled_ = (value & 0x0F) == 0x0A;
            break;
        case 0x2:
            romBank_ = static_cast<uint32_t>(bankHigh_) << 8 | value;
            break;
        case 0x3:
            // Held until the next write at 0x2000, which loads the whole bank
            // number: the protocol always writes the high bits first.
            bankHigh_ = value;
            break;
        case 0x4:
        case 0x5:
            ramBank_ = static_cast<uint8_t>(value & 0x0F);
            break;
        case 0xA:
        case 0xB:
            if (ramEnabled_) {
                const size_t bank = ramBank_ % static_cast<size_t>(info().saveBanks);
                sram_[bank * kSramBank + (address & (kSramBank - 1))] = value;
                sramDirty_ = true;
            }
            break;
        default:
            break;
    }
}

uint8_t Cartridge::ReadOther(uint16_t address) const {
    if (address < 0xA000 || address >= 0xC000 || !ramEnabled_) return 0xFF;
    const size_t bank = ramBank_ % static_cast<size_t>(info().saveBanks);
    return sram_[bank * kSramBank + (address & (kSramBank - 1))];
}

void Cartridge::PowerOn() {
    romBank_ = 1;
    bankHigh_ = 0;
    ramBank_ = 0;
    ramEnabled_ = false;
    chip_->PowerOn();
}

bool Cartridge::Flush(std::string* error) {
    if (dir_.empty()) return true;
    bool ok = true;
    if (chip_->dirty()) {
        if (SaveFile(FlashPath(dir_), chip_->contents(), error)) {
            chip_->ClearDirty();
        } else {
            ok = false;
        }
    }
    if (sramDirty_) {
        if (SaveFile(SramPath(dir_), sram_, error)) {
            sramDirty_ = false;
        } else {
            ok = false;
        }
    }
    return ok;
}

}  // namespace zorvex::sim
