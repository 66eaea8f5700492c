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

// Records the requested waits without waiting.
class CountingClock final : public LinkClock {
  public:
    void Sleep(uint32_t milliseconds) override {
        ++calls;
        totalMilliseconds += milliseconds;
    }
    uint64_t calls = 0;
    uint64_t totalMilliseconds = 0;
};

}  // namespace zorvex
