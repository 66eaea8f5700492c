#include "sim/card_registers.h"

namespace zorvex::sim {

namespace {
constexpr uint8_t kModeFlash = 0x02;
constexpr uint8_t kModeAdvance = 0x01;
}  // namespace

void CardRegisters::Write(uint8_t value) {
    if (selected_ != 3) {
        regs_[selected_] = value;
        if (selected_ == 2 && value == 0) bus_->Released();
        return;
    }
    const uint8_t mode = regs_[2];
    if (mode == 0) return;  // released: the bus is not driven
    if (mode & kModeFlash) {
        ++flashWrites_;
        bus_->FlashWrite(address(), value);
    } else {
        ++busWrites_;
        bus_->Write(address(), value);
    }
    AdvanceAddress();
}

uint8_t CardRegisters::Read() {
    if (selected_ != 3) return regs_[selected_];
    const uint8_t mode = regs_[2];
    if (mode == 0) return 0xFF;
    ++busReads_;
    const uint8_t value = bus_->Read(address());
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
}

}  // namespace zorvex::sim
