#include "link/link_clock.h"

#include <chrono>
#include <thread>

namespace zorvex {

void SystemClock::Sleep(uint32_t milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

}  // namespace zorvex
