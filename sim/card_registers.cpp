#include "sim/card_registers.h"

#include <cstdio>

namespace zorvex::sim {

namespace {
constexpr uint8_t kModeFlash = 0x02;
constexpr uint8_t kModeAdvance = 0x01;

bool KnownBusMode(uint8_t mode) {
    return mode >= 0x80 && mode <= 0x83;
}

bool InSaveRam(uint16_t address) {
    return address >= 0xA000 && address < 0xC000;
}

struct BusWriteStep {
    uint16_t address;
    uint8_t value;
};
constexpr BusWriteStep kSramEnable[] = {
    {0x0000, 0x0A}, {0x0000, 0xC0}, {0xA000, 0xA0}, {0xA100, 0xC0}, {0x0000, 0x0A}};

std::string Hex(const char* format, unsigned a, unsigned b = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}
}  // namespace

void CardRegisters::WriteMode(uint8_t value) {
    regs_[2] = value;
    if (value == 0) {
        engaged_ = false;
        sramStep_ = 0;  // a fresh engage may start the save-RAM sequence
        bus_->Released();
        return;
    }
    engaged_ = KnownBusMode(value);
    if (!engaged_) {
        violations_.Record(Hex("mode register 0x%02X is no mode of the card", value));
    }
}

void CardRegisters::TrackSramSequence(uint16_t address, uint8_t value) {
    if (sramStep_ == kSramEnabled) {
        if (address < 0x2000) sramStep_ = kSramLocked;
        return;
    }
    if (sramStep_ == kSramLocked) return;
    const BusWriteStep& next = kSramEnable[sramStep_];
    if (address == next.address && value == next.value) {
        ++sramStep_;
    } else if (sramStep_ > 0 || address < 0x2000 || InSaveRam(address)) {
        // Mapper writes may come between the engage and the sequence, never in it.
        sramStep_ = kSramLocked;
    }
}

bool CardRegisters::SramBlocked(uint16_t address) {
    if (!InSaveRam(address) || sramStep_ == kSramEnabled) return false;
    // The sequence's own writes at 0xA000/0xA100 are not save-RAM accesses.
    if (sramStep_ >= 0 && sramStep_ < kSramEnabled && kSramEnable[sramStep_].address == address)
        return false;
    violations_.Record(Hex("save RAM at 0x%04X used while it is not enabled", address));
    return true;
}

void CardRegisters::Write(uint8_t value) {
    if (selected_ != 3) {
        if (selected_ == 2) {
            WriteMode(value);
        } else {
            regs_[selected_] = value;
        }
        return;
    }
    if (!engaged_) return;  // released: the bus is not driven
    const uint8_t mode = regs_[2];
    const uint16_t at = address();
    if (mode & kModeFlash) {
        ++flashWrites_;
        bus_->FlashWrite(at, value);
    } else {
        const bool blocked = SramBlocked(at);
        TrackSramSequence(at, value);
        if (!blocked) {
            ++busWrites_;
            bus_->Write(at, value);
        }
    }
    AdvanceAddress();
}

uint8_t CardRegisters::Read() {
    if (selected_ != 3) return regs_[selected_];
    if (!engaged_) return 0xFF;
    const uint16_t at = address();
    uint8_t value = 0xFF;
    if (!SramBlocked(at)) {
        ++busReads_;
        value = bus_->Read(at);
    }
    AdvanceAddress();
    return value;
}

void CardRegisters::AdvanceAddress() {
    if (!(regs_[2] & kModeAdvance)) return;
    // Only the low address byte counts: a block never crosses a 256-byte page,
    // and the 4M page program relies on register 1 still holding the page's
    // high byte after a full page has been streamed.
    ++regs_[0];
}

void CardRegisters::Reset() {
    regs_.fill(0);
    selected_ = 0;
    engaged_ = false;
    sramStep_ = kSramLocked;
}

}  // namespace zorvex::sim
