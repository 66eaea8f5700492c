#include "sim/flash_chip.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "link/link_clock.h"
#include "sim/flash_16m.h"
#include "sim/flash_4m.h"
#include "sim/flash_64m.h"

namespace zorvex::sim {

namespace {
constexpr uint64_t kReadCycleMicros = 1;
}  // namespace

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

FlashChip::FlashChip(const ChipInfo& info, BusyTimes times)
    : busyTimes_(times), info_(info), data_(info.capacity, 0xFF), mask_(info.capacity - 1) {}

FlashChip::~FlashChip() = default;

void FlashChip::PowerOn() {
    busy_ = 0;
    running_ = false;
    SetArrayMode(true);
}

bool FlashChip::busy() const {
    if (!running_) return false;
    return countReads_ ? busy_ != 0 : SimulatedTime::Now() < busyUntil_;
}

void FlashChip::StartBusy(Operation operation, uint32_t bytes) {
    running_ = true;
    if (countReads_) {
        switch (operation) {
            case Operation::Program:
                busy_ = busyReads_.program;
                break;
            case Operation::BlockErase:
                busy_ = busyReads_.blockErase;
                break;
            case Operation::ChipErase:
                busy_ = busyReads_.chipErase;
                break;
        }
        return;
    }
    const uint64_t micros = operation == Operation::Program
                                ? (uint64_t{bytes} * busyTimes_.programNanosPerByte + 999) / 1000
                                : busyTimes_.eraseMicros;
    busyUntil_ = SimulatedTime::Now() + micros;
}

bool FlashChip::ObserveBusy() {
    if (!running_) return false;
    if (hooks_ && hooks_->HoldBusy()) {
        if (!countReads_) busyUntil_ = SimulatedTime::Now() + 1;
        return true;
    }
    if (countReads_) {
        if (busy_ == 0) {
            running_ = false;
            return false;
        }
        --busy_;
        return true;
    }
    // The read cycle itself takes time, so a loop reading the chip directly
    // (without a port around it) still sees the operation end.
    SimulatedTime::Advance(kReadCycleMicros);
    if (SimulatedTime::Now() < busyUntil_) return true;
    running_ = false;
    return false;
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
