#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "common/transfer_meter.h"
#include "link/card_link.h"

namespace zorvex::app {

// The background job that writes one file to the card. The GUI thread writes
// fileName before the worker starts and does not touch it again until done is
// seen; done is the worker's last act. progressPercent and cancelRequested
// live in the card link.
struct TransferJob {
    std::thread thread;
    std::atomic<bool> done{true};
    std::string fileName;
    SendNeeds needs;                     // written before the worker starts, like fileName
    SendReport report;                   // the worker's, read only after done
    int result = 0;                      // SendJob's result, read only after done
    std::optional<TransferMeter> meter;  // the progress lines, on the GUI thread
    std::chrono::steady_clock::time_point started;
};

}  // namespace zorvex::app
