#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace zorvex::app {

// The background job that writes one file to the card. The GUI thread writes
// fileName before the worker starts and does not touch it again until done is
// seen; done is the worker's last act. progressPercent and cancelRequested
// live in the card link.
struct TransferJob {
    std::thread thread;
    std::atomic<bool> done{true};
    std::string fileName;
    int result = 0;  // SendJob's result, read only after done
};

}  // namespace zorvex::app
