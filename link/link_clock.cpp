#include "link/link_clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace zorvex {

namespace {
std::atomic<uint64_t> simulatedMicroseconds{0};
}  // namespace

uint64_t SimulatedTime::Now() {
    return simulatedMicroseconds.load(std::memory_order_relaxed);
}

void SimulatedTime::Advance(uint64_t microseconds) {
    simulatedMicroseconds.fetch_add(microseconds, std::memory_order_relaxed);
}

void SystemClock::Sleep(uint32_t milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

}  // namespace zorvex
