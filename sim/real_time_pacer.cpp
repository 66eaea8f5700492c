#include "sim/real_time_pacer.h"

#include <thread>

namespace zorvex::sim {

namespace {
// Owed time is looked at once per batch, so the clock is not read on every
// port access; a sleep shorter than kShortestSleep is not worth the wake-up.
constexpr uint64_t kBatchMicroseconds = 1000;
constexpr auto kShortestSleep = std::chrono::milliseconds(5);
// A sleep may end late on a busy machine; the following batches then sleep
// less, so the total stays right. Only a longer lag (the card idle between two
// operations, or a machine slower than the hardware) restarts the count from now.
constexpr auto kLongestLag = std::chrono::milliseconds(250);
}  // namespace

void RealTimePacer::Spend(uint64_t microseconds) {
    owed_ += microseconds;
    if (owed_ >= kBatchMicroseconds) Settle();
}

void RealTimePacer::Settle() {
    const Clock::time_point now = Clock::now();
    if (now - due_ > kLongestLag) due_ = now;
    due_ += std::chrono::microseconds(owed_);
    owed_ = 0;
    if (due_ - now >= kShortestSleep) std::this_thread::sleep_until(due_);
}

PacedPortIo::PacedPortIo(std::unique_ptr<PortIo> port, std::shared_ptr<RealTimePacer> pacer)
    : port_(std::move(port)), pacer_(std::move(pacer)) {}

void PacedPortIo::Out(uint16_t address, uint8_t value) {
    port_->Out(address, value);
    pacer_->Spend(1);
}

uint8_t PacedPortIo::In(uint16_t address) {
    const uint8_t value = port_->In(address);
    pacer_->Spend(1);
    return value;
}

void PacedClock::Sleep(uint32_t milliseconds) {
    pacer_->Spend(uint64_t{milliseconds} * 1000);
}

}  // namespace zorvex::sim
