#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "link/link_clock.h"
#include "link/port_io.h"

namespace zorvex::sim {

// Makes the simulated card take the time real hardware would, for a person
// watching a transfer: 1 µs per port access plus the protocol's own waits, the
// hardware model of the benchmarks. The time is slept in batches of a few
// milliseconds, never spun away, so a paced run costs no more CPU than an
// unpaced one. Like the port itself it is used by one card operation, so one
// thread, at a time.
class RealTimePacer {
  public:
    // Adds `microseconds` of modelled hardware time; sleeps once enough is owed.
    void Spend(uint64_t microseconds);

  private:
    using Clock = std::chrono::steady_clock;
    void Settle();

    uint64_t owed_ = 0;  // modelled time not yet added to due_
    // When the modelled time spent so far is over. A run that falls far behind
    // (the card left idle between operations, or a slow machine) starts again
    // from now instead of rushing to catch up.
    Clock::time_point due_{};
};

// The simulated port, 1 µs per access. Owns the port it passes the accesses to.
class PacedPortIo final : public PortIo {
  public:
    PacedPortIo(std::unique_ptr<PortIo> port, std::shared_ptr<RealTimePacer> pacer);
    void Out(uint16_t address, uint8_t value) override;
    uint8_t In(uint16_t address) override;

  private:
    std::unique_ptr<PortIo> port_;
    std::shared_ptr<RealTimePacer> pacer_;
};

// The protocol's waits, spent on the same pacer as the port accesses.
class PacedClock final : public LinkClock {
  public:
    explicit PacedClock(std::shared_ptr<RealTimePacer> pacer) : pacer_(std::move(pacer)) {}
    void Sleep(uint32_t milliseconds) override;

  private:
    std::shared_ptr<RealTimePacer> pacer_;
};

}  // namespace zorvex::sim
