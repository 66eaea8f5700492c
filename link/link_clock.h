#pragma once

#include <cstdint>

namespace zorvex {

// The protocol's waits. The real program sleeps; runs against the simulated card
// only count, so tests and benchmarks never wait for wall-clock time.
class LinkClock {
  public:
    virtual ~LinkClock() = default;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

class SystemClock final : public LinkClock {
  public:
    void Sleep(uint32_t milliseconds) override;
};

// The time of a run against the simulated card, in microseconds: the waits
// of every CountingClock and every access to a simulated port add to it, and a
// simulated flash chip measures its busy times against it. One for the whole
// process, because the tests' rigs hand the clock to the link and the card to
// the port separately; it only ever grows, so two simulated machines in one
// process can only shorten each other's busy times, never stretch them.
class SimulatedTime {
  public:
    static uint64_t Now();
    static void Advance(uint64_t microseconds);
};

// Records the requested waits without waiting; they pass as simulated time.
class CountingClock final : public LinkClock {
  public:
    void Sleep(uint32_t milliseconds) override {
        ++calls;
        totalMilliseconds += milliseconds;
        SimulatedTime::Advance(uint64_t{milliseconds} * 1000);
    }
    uint64_t calls = 0;
    uint64_t totalMilliseconds = 0;
};

}  // namespace zorvex
