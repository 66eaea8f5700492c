#include "sim/real_time_pacer.h"

#include <thread>

namespace zorvex::sim {

namespace {
// Owed time is looked at once per batch, so the clock is not read on every
// port access; a sleep shorter than kShortestSleep is not worth the wake-up.
constexpr uint64_t kBatchMicroseconds = 1000;
constexpr auto kShortestSleep = std::chrono::milliseconds(5);
}  // namespace

WallClock::TimePoint SteadyWallClock::Now() {
    return std::chrono::steady_clock::now();
}

void SteadyWallClock::SleepUntil(TimePoint when) {
    std::this_thread::sleep_until(when);
}

RealTimePacer::RealTimePacer(std::shared_ptr<WallClock> wall) : wall_(std::move(wall)) {}

void RealTimePacer::Spend(uint64_t microseconds) {
    owed_ += microseconds;
    if (owed_ >= kBatchMicroseconds) Settle();
}

void RealTimePacer::Settle() {
    const WallClock::TimePoint now = wall_->Now();
    if (!started_) {
        started_ = true;
        due_ = now;
    } else if (now > due_) {
        // The wall clock is ahead of the modelled time: the card's time moves
        // on with it instead of the next batches sleeping less, so that a chip
        // busy for a given time is done once that much wall time has passed.
        const auto lag = std::chrono::duration_cast<std::chrono::microseconds>(now - due_);
        SimulatedTime::Advance(static_cast<uint64_t>(lag.count()));
        due_ = now;
    }
    due_ += std::chrono::microseconds(owed_);
    owed_ = 0;
    if (due_ - now >= kShortestSleep) wall_->SleepUntil(due_);
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
    SimulatedTime::Advance(uint64_t{milliseconds} * 1000);
    pacer_->Spend(uint64_t{milliseconds} * 1000);
}

}  // namespace zorvex::sim
