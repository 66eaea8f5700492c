#pragma once

#include <atomic>
#include <cstdint>

#include "common/transfer_meter.h"

namespace zorvex {

// The phase of a running send job, for the progress display.
enum class JobPhase : uint8_t { Idle, Compare, Erase, Write, Verify };

// Where a running card job stands and whether it should stop. Whoever starts
// a job owns one and passes it in; the job writes it as it goes.
//
// Threads: the job runs on a worker thread and is the only writer of the
// progress; the user interface only reads it (Progress, percent) and only
// writes `cancel`, which the job reads between banks.
class JobMonitor {
  public:
    std::atomic<bool> cancel{false};
    std::atomic<int8_t> percent{0};  // of the whole job

    // Written by the job.
    std::atomic<JobPhase> phase{JobPhase::Idle};
    std::atomic<int32_t> bank{0};
    std::atomic<int32_t> banks{0};
    std::atomic<bool> verify{false};          // the job reads every bank back
    std::atomic<bool> compare{false};         // the job reads the card first (skip unchanged)
    std::atomic<uint32_t> typicalEraseMs{0};  // of the chip erase, when there is one
    std::atomic<uint32_t> eraseWaitedMs{0};   // waited so far in the current chip erase

    // A job starts from nothing: no phase, no bank, no request to stop.
    void Reset() {
        cancel = false;
        percent = 0;
        phase = JobPhase::Idle;
        bank = 0;
        banks = 0;
        eraseWaitedMs = 0;
    }

    // The running job as the progress displays show it.
    TransferProgress Progress() const;
};

}  // namespace zorvex
