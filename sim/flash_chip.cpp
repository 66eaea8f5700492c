#include "sim/flash_chip.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "sim/flash_16m.h"
#include "sim/flash_4m.h"
#include "sim/flash_64m.h"

namespace zorvex::sim {

const ChipInfo* FindChip(uint8_t code) {
    for (const ChipInfo& chip : kSimulatedChips) {
        if (chip.code == code) return &chip;
    }
    return nullptr;
}

const ChipInfo* FindChipByName(const char* name) {
    if (!name) return nullptr;
    std::string text(name);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!text.empty() && text.back() != 'M') text += 'M';
    for (const ChipInfo& chip : kSimulatedChips) {
        if (text == chip.name) return &chip;
    }
    return nullptr;
}

FlashChip::FlashChip(const ChipInfo& info)
    : info_(info), data_(info.capacity, 0xFF), mask_(info.capacity - 1) {}

FlashChip::~FlashChip() = default;

void FlashChip::PowerOn() {
    busy_ = 0;
    SetArrayMode(true);
}

void FlashChip::Fill(uint8_t value) {
    std::fill(data_.begin(), data_.end(), value);
    dirty_ = true;
}

void FlashChip::EraseRange(uint32_t start, uint32_t length) {
    start &= mask_;
    length = std::min(length, size() - start);
    std::fill_n(data_.begin() + start, length, uint8_t{0xFF});
    dirty_ = true;
}

std::unique_ptr<FlashChip> MakeFlashChip(uint8_t code) {
    switch (code) {
        case 4:
            return std::make_unique<Flash4MChip>();
        case 16:
            return std::make_unique<Flash16MChip>();
        case 64:
            return std::make_unique<Flash64MChip>();
        default:
            return nullptr;
    }
}

}  // namespace zorvex::sim
