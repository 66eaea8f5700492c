#include "sim/flash_16m.h"

#include "sim/jedec_commands.h"

namespace zorvex::sim {

namespace {
constexpr uint32_t kWordMask = 0x7FFF;  // word address bits the chip compares
constexpr uint32_t kPageSize = 128;
constexpr uint8_t kReady = 0x80;
constexpr uint8_t kEraseFailed = 0x20;
constexpr uint8_t kProgramFailed = 0x10;
}  // namespace

// A 128-byte page programs in 0.9 ms, 7 us per byte; each of the 16 sectors
// of 128 KiB erases in 1.3 s, and the chip erase goes through all of them
// (typical figures of this family).
constexpr BusyTimes kBusyTimes16M{7000, 16 * 1300000};

Flash16MChip::Flash16MChip() : FlashChip(*FindChip(16), kBusyTimes16M) {}

void Flash16MChip::PowerOn() {
    FlashChip::PowerOn();
    Reset();
}

void Flash16MChip::Reset() {
    mode_ = Mode::Array;
    unlock_.Clear();
    status_ = kReady;
    pendingFail_ = 0;
    SetArrayMode(true);
}

void Flash16MChip::WriteCycle(uint32_t linear, uint8_t value) {
    if (busy()) return;  // an embedded operation ignores the bus
    if (mode_ == Mode::PageLoad) {
        if (!pageStarted_) {
            pageStarted_ = true;
            pageBase_ = linear & ~(kPageSize - 1);
        }
        page_[linear & (kPageSize - 1)] = value;
        loaded_[linear & (kPageSize - 1)] = true;
        return;
    }
    const uint32_t word = (linear >> 1) & kWordMask;
    const UnlockStep step = unlock_.Take(word, value);
    if (step == UnlockStep::Reset) {
        Reset();
    } else if (step == UnlockStep::Command) {
        Unlocked(value);
    }
}

void Flash16MChip::Unlocked(uint8_t command) {
    const bool afterErase = unlock_.afterEraseSetup();
    switch (command) {
        case jedec::IdEntry:
            mode_ = Mode::Id;
            SetArrayMode(false);
            break;
        case jedec::Reset:
            Reset();
            break;
        case jedec::Program:
            mode_ = Mode::PageLoad;
            pageStarted_ = false;
            loaded_.fill(false);
            SetArrayMode(false);
            break;
        case jedec::ChipErase:
            if (!afterErase) break;
            ++stats_.chipErases;
            pendingFail_ = 0;
            if (HookFailErase(0)) {
                pendingFail_ = kEraseFailed;
            } else {
                EraseRange(0, size());
            }
            mode_ = Mode::Status;
            status_ = 0;
            SetArrayMode(false);
            StartBusy(Operation::ChipErase);
            break;
        default:
            break;
    }
}

void Flash16MChip::StartPageProgram() {
    ++stats_.programs;
    pendingFail_ = 0;
    if (HookFailProgram(pageBase_)) {
        pendingFail_ = kProgramFailed;
    } else {
        for (uint32_t i = 0; i < kPageSize; ++i) {
            if (loaded_[i] && !Program(pageBase_ + i, page_[i])) pendingFail_ = kProgramFailed;
        }
    }
    mode_ = Mode::Status;
    status_ = 0;
    StartBusy(Operation::Program, kPageSize);
}

uint8_t Flash16MChip::ReadSlow(uint32_t linear) {
    if (mode_ == Mode::PageLoad) {
        // The load window closes with the first read after the last byte.
        if (!pageStarted_) {
            Reset();
        } else {
            StartPageProgram();
        }
    }
    switch (mode_) {
        case Mode::Status:
            if (ObserveBusy()) return StatusValue(0);
            if (status_ == 0) status_ = static_cast<uint8_t>(kReady | pendingFail_);
            return StatusValue(status_);
        case Mode::Id: {
            if (linear & 1) return 0x00;  // the high byte of each id word
            const uint32_t word = (linear >> 1) & 0xFF;
            if (word == 0) return info().manufacturer;
            if (word == 1) return info().device;
            return 0x00;
        }
        default:
            return ArrayRead(linear);
    }
}

}  // namespace zorvex::sim
