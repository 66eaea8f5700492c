#include "sim/flash_4m.h"

#include "sim/jedec_commands.h"

namespace zorvex::sim {

namespace {
constexpr uint32_t kPageSize = 256;
constexpr uint8_t kToggleBit = 0x40;    // DQ6, flips on every read while busy
constexpr uint8_t kDataPollBit = 0x80;  // DQ7, the complement of the last byte while busy
}  // namespace

// A page write (erase and program of 256 bytes) takes 5 ms, 19.5 us per
// byte; the chip erase 50 ms (typical figures of this family).
constexpr BusyTimes kBusyTimes4M{19500, 50000};

Flash4MChip::Flash4MChip() : FlashChip(*FindChip(4), kBusyTimes4M) {}

void Flash4MChip::PowerOn() {
    FlashChip::PowerOn();
    mode_ = Mode::Array;
    unlock_.Clear();
    pageStarted_ = false;
}

void Flash4MChip::WriteCycle(uint32_t linear, uint8_t value) {
    if (mode_ == Mode::Busy) {
        if (busy()) return;  // an embedded operation ignores the bus
        mode_ = afterBusy_;
        SetArrayMode(mode_ == Mode::Array);
    }
    if (mode_ == Mode::PageLoad) {
        // Every write until the load ends lands in the page of the first one.
        if (!pageStarted_) {
            pageStarted_ = true;
            pageBase_ = linear & ~(kPageSize - 1);
        }
        page_[linear & (kPageSize - 1)] = value;
        loaded_[linear & (kPageSize - 1)] = true;
        lastLoaded_ = value;
        return;
    }
    // The command decoder compares the whole chip address, bank bits included:
    // parts of this family compare A0..A14 (A14 is bank bit 0 for bus addresses
    // 0x4000-0x7FFF, so 0x5555 needs an odd bank), and comparing A15..A18 as well
    // makes any wrong bank bit in a command show as a lost command. A command
    // sent without choosing its bank therefore lands only while the right bank
    // happens to be selected, as on the real card.
    const UnlockStep step = unlock_.Take(linear, value);
    if (step == UnlockStep::Reset) {
        mode_ = Mode::Array;
        SetArrayMode(true);
    } else if (step == UnlockStep::Command) {
        Unlocked(value);
    }
}

void Flash4MChip::Unlocked(uint8_t command) {
    const bool afterErase = unlock_.afterEraseSetup();
    switch (command) {
        case jedec::ProductIdEntry:
            if (afterErase) {
                mode_ = Mode::ProductId;
                SetArrayMode(false);
            }
            break;
        case jedec::Reset:
            mode_ = Mode::Array;
            SetArrayMode(true);
            break;
        case jedec::Program:
            if (afterErase) break;
            afterBusy_ = mode_ == Mode::ProductId ? Mode::ProductId : Mode::Array;
            mode_ = Mode::PageLoad;
            pageStarted_ = false;
            loaded_.fill(false);
            SetArrayMode(false);
            break;
        case jedec::ChipErase:
            if (!afterErase) break;
            if (!HookFailErase(0)) {
                EraseRange(0, size());
            }
            ++stats_.chipErases;
            toggle_ = 0;
            lastLoaded_ = 0xFF;
            afterBusy_ = Mode::Array;
            mode_ = Mode::Busy;
            SetArrayMode(false);
            StartBusy(Operation::ChipErase);
            break;
        default:
            break;
    }
}

void Flash4MChip::StartPageProgram() {
    ++stats_.programs;
    toggle_ = 0;
    if (!HookFailProgram(pageBase_)) {
        // This chip clears the whole page before programming the loaded bytes,
        // so bytes not loaded come out erased.
        EraseRange(pageBase_, kPageSize);
        for (uint32_t i = 0; i < kPageSize; ++i) {
            if (loaded_[i]) Program(pageBase_ + i, page_[i]);
        }
    }
    mode_ = Mode::Busy;
    StartBusy(Operation::Program, kPageSize);
}

uint8_t Flash4MChip::ReadSlow(uint32_t linear) {
    if (mode_ == Mode::PageLoad) {
        // The load window closes with the first read after the last byte.
        if (!pageStarted_) {
            mode_ = afterBusy_;
            SetArrayMode(mode_ == Mode::Array);
        } else {
            StartPageProgram();
        }
    }
    if (mode_ == Mode::Busy) {
        if (ObserveBusy()) {
            toggle_ ^= kToggleBit;
            return StatusValue(static_cast<uint8_t>(toggle_ | (~lastLoaded_ & kDataPollBit)));
        }
        mode_ = afterBusy_;
        SetArrayMode(mode_ == Mode::Array);
    }
    if (mode_ == Mode::ProductId) {
        return (linear & 1) ? info().device : info().manufacturer;
    }
    return ArrayRead(linear);
}

}  // namespace zorvex::sim
