#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "common/transfer_meter.h"
#include "link/card_link.h"

namespace zorvex::app {

// The background job that writes one file to the card. The GUI thread loads
// the image and names the game before the worker starts and does not touch
// them again until done is seen; done is the worker's last act. Its progress
// and Cancel live in the window's JobMonitor.
struct TransferJob {
    std::thread thread;
    std::atomic<bool> done{true};
    std::string fileName;
    SendImage image;
    std::string name;                    // the game, as the progress window names it
    SendResult result;                   // the worker's, read only after done
    std::optional<TransferMeter> meter;  // the progress lines, on the GUI thread
    std::chrono::steady_clock::time_point started;
};

}  // namespace zorvex::app
