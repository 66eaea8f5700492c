#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "link/link_clock.h"
#include "link/port_io.h"

namespace zorvex::sim {

// The wall clock a RealTimePacer keeps up with. The real one reads the steady
// clock and sleeps; tests pass one whose sleeps only move its own time, so a
// paced run of many simulated seconds costs them no waiting.
class WallClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~WallClock() = default;
    virtual TimePoint Now() = 0;
    virtual void SleepUntil(TimePoint when) = 0;
};

class SteadyWallClock final : public WallClock {
  public:
    TimePoint Now() override;
    void SleepUntil(TimePoint when) override;
};

// Makes the simulated card take the time real hardware would, for a person
// watching a transfer: 1 µs per port access plus the protocol's own waits, the
// hardware model of the benchmarks. The time is slept in batches of a few
// milliseconds, never spun away, so a paced run costs no more CPU than an
// unpaced one. Like the port itself it is used by one card operation, so one
// thread, at a time.
//
// The simulated time (SimulatedTime, against which the flash chips measure
// their busy times) never falls behind the wall clock: what the protocol
// sleeps is added to it, and wall time that passes beyond the modelled time
// (a slow machine, a late wake-up, the card idle between operations) is added
// as well. A wait the driver bounds in wall time can then never give up on an
// operation the simulated chip would have finished in that time.
class RealTimePacer {
  public:
    explicit RealTimePacer(std::shared_ptr<WallClock> wall = std::make_shared<SteadyWallClock>());

    // Adds `microseconds` of modelled hardware time; sleeps once enough is owed.
    void Spend(uint64_t microseconds);

  private:
    void Settle();

    std::shared_ptr<WallClock> wall_;
    uint64_t owed_ = 0;  // modelled time not yet added to due_
    // When the modelled time spent so far is over, on the wall clock; unset
    // until the first batch.
    WallClock::TimePoint due_{};
    bool started_ = false;
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

// The protocol's waits: simulated time, as a CountingClock counts them, and
// really waited on the same pacer as the port accesses.
class PacedClock final : public LinkClock {
  public:
    explicit PacedClock(std::shared_ptr<RealTimePacer> pacer) : pacer_(std::move(pacer)) {}
    void Sleep(uint32_t milliseconds) override;

  private:
    std::shared_ptr<RealTimePacer> pacer_;
};

}  // namespace zorvex::sim
