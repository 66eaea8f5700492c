#include "link/job_monitor.h"

#include <algorithm>

#include "link/chip_programmer.h"

namespace zorvex {

TransferProgress JobMonitor::Progress() const {
    TransferProgress progress;
    const int64_t total = banks;
    const int64_t at = bank;
    const int64_t bytes = total * kRomBankSize;
    progress.banks = static_cast<int>(total);
    progress.bank = static_cast<int>(at);
    // A comparing job reads the image's range once before it writes.
    const int64_t compared = compare ? bytes : 0;
    progress.totalWork = compared + (verify ? 2 * bytes : bytes);
    switch (phase.load()) {
        case JobPhase::Idle:
            break;
        case JobPhase::Compare:
            progress.phase = "compare";
            progress.done = progress.workDone = at * kRomBankSize;
            progress.total = bytes;
            break;
        case JobPhase::Erase:
            progress.phase = "erase";
            progress.total = typicalEraseMs;
            // An erase that runs past its typical time stays just short of done.
            progress.done = std::min<int64_t>(eraseWaitedMs, progress.total * 99 / 100);
            break;
        case JobPhase::Write:
            progress.phase = "write";
            progress.done = at * kRomBankSize;
            progress.workDone = compared + progress.done;
            progress.total = bytes;
            break;
        case JobPhase::Verify:
            progress.phase = "verify";
            progress.done = at * kRomBankSize;
            progress.workDone = compared + bytes + progress.done;
            progress.total = bytes;
            break;
    }
    return progress;
}

}  // namespace zorvex
