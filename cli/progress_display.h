#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/transfer_meter.h"

namespace zorvex::cli {

// True when stderr is a terminal: only then do the transfer commands show
// progress. Piped or redirected, they print nothing but errors.
bool ProgressOnTerminal();

// Ends a progress line that is still open, so that a message printed in the
// middle of a transfer starts on a line of its own.
void BreakProgressLine();

// A TransferMeter drawn on stderr, one line rewritten in place, when stderr is
// a terminal; without one every call does nothing.
class ProgressDisplay {
  public:
    // totalWork < 0: the job tells it with its progress (Show of a TransferProgress).
    explicit ProgressDisplay(int64_t totalWork);
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    bool enabled() const { return meter_.has_value(); }
    // Redrawn at a few times a second, and whenever the phase changes.
    void Show(const std::string& phase, int64_t done, int64_t total, int64_t workDone);
    void Show(const TransferProgress& progress);
    // Success: `phase`, the last one, complete at 100 %, then the summary
    // line, e.g. what = "written" for "2048 KiB written in 26.3 s, 77.9 KiB/s".
    // Failure: only ends the line, so the error that follows stands on its own.
    void Finish(bool ok, const std::string& phase, const std::string& what, int64_t bytes);

  private:
    void Draw();

    SecondsClock clock_ = SteadyClock();
    std::optional<TransferMeter> meter_;
    int64_t totalWork_;
    double lastDraw_ = -1;  // -1: nothing drawn yet
    size_t lastLength_ = 0;
};

}  // namespace zorvex::cli
