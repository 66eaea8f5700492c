#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/cartridge_bus.h"
#include "sim/flash_chip.h"

namespace zorvex::sim {

// The Game Boy side of the simulated Ombra Card: the mapper, one flash chip
// and the battery-backed save RAM.
//   writes 0x0000-0x1FFF: save RAM enable (a value with low nibble 0xA enables,
//                         anything else disables)
//          0x2000-0x2FFF: ROM bank bits 0..7, with the bits 8 and up last written
//                         at 0x3000-0x3FFF (which alone changes nothing)
//          0x4000-0x5FFF: save-RAM bank
//          0xA000-0xBFFF: save RAM (ignored while disabled)
//   reads  0x0000-0x3FFF: flash bank 0; 0x4000-0x7FFF: the selected bank
//          0xA000-0xBFFF: save RAM (0xFF while disabled); anything else 0xFF
// Flash write cycles at 0x0000-0x7FFF go to the chip at the mapped address;
// above that the flash is not selected and they do nothing.
class Cartridge final : public CartridgeBus {
  public:
    // A card held in memory only: erased flash, zeroed save RAM.
    explicit Cartridge(const ChipInfo& chip);
    // A card kept in dir/flash.bin and dir/sram.bin, created (erased flash,
    // zeroed save RAM) when missing; files of another size are cut or padded.
    // nullptr with a reason in *error when the directory or a file is unusable.
    static std::unique_ptr<Cartridge> Open(const ChipInfo& chip, const std::string& dir,
                                           std::string* error = nullptr);
    ~Cartridge() override;  // writes back a persistent card (Flush)
    Cartridge(const Cartridge&) = delete;
    Cartridge& operator=(const Cartridge&) = delete;

    uint8_t Read(uint16_t address) override {
        if (address < 0x4000) return chip_->Read(address);
        if (address < 0x8000) return chip_->Read(BankAddress(address));
        return ReadOther(address);
    }
    void Write(uint16_t address, uint8_t value) override;
    void Released() override { Flush(); }
    void FlashWrite(uint16_t address, uint8_t value) override {
        if (address < 0x4000) {
            chip_->Write(address, value);
        } else if (address < 0x8000) {
            chip_->Write(BankAddress(address), value);
        }
    }

    const ChipInfo& info() const { return chip_->info(); }
    FlashChip& chip() { return *chip_; }
    // Writable access counts as a change of the save RAM.
    std::span<uint8_t> sram() {
        sramDirty_ = true;
        return sram_;
    }
    std::span<const uint8_t> sram() const { return sram_; }
    int saveBanks() const { return info().saveBanks; }

    uint32_t romBank() const { return romBank_; }
    uint8_t ramBank() const { return ramBank_; }
    bool ramEnabled() const { return ramEnabled_; }
    // Power cycle: ROM bank 1, save-RAM bank 0 and disabled, chip in read array.
    void PowerOn();

    // Fault injection and test seams on the chip.
    void SetHooks(ChipHooks* hooks) { chip_->SetHooks(hooks); }

    // Writes changed contents back to the files of a persistent card; true when
    // nothing needed writing or everything was written.
    bool Flush(std::string* error = nullptr);
    bool persistent() const { return !dir_.empty(); }
    const std::string& directory() const { return dir_; }

  private:
    uint32_t BankAddress(uint16_t address) const {
        return romBank_ * 0x4000u + (address & 0x3FFFu);
    }
    uint8_t ReadOther(uint16_t address) const;

    std::unique_ptr<FlashChip> chip_;
    std::vector<uint8_t> sram_;
    std::string dir_;
    uint32_t romBank_ = 1;
    uint8_t bankHigh_ = 0;  // written at 0x3000, taken by the next write at 0x2000
    uint8_t ramBank_ = 0;
    bool ramEnabled_ = false;
    bool sramDirty_ = false;
};

}  // namespace zorvex::sim
