#pragma once

// Where a card transfer stands, as zorvex-cli shows it on a terminal: the
// phase, KiB done of the phase's total, the speed and the time left, and the
// line that sums the transfer up at the end. Plain text in, plain text out, so
// that it can be tested with a made-up clock.

#include <cstdint>
#include <functional>
#include <string>

namespace zorvex::cli {

// Seconds on a steady clock, from any starting point.
using SecondsClock = std::function<double()>;
SecondsClock SteadyClock();

class TransferMeter {
  public:
    // totalWork: every byte the transfer moves over the cable, all phases
    // together (a verified send moves its image twice).
    TransferMeter(SecondsClock clock, int64_t totalWork);

    // phase: "erase", "write", "verify" or "read"; `done` of `total` bytes of
    // that phase, and `workDone` of totalWork. The speed is measured within
    // the phase, from the first update that names it.
    void Update(const std::string& phase, int64_t done, int64_t total, int64_t workDone);

    // "write  [#####     ]  50%  1024/2048 KiB  85.3 KiB/s  0:12 left" for the
    // last update; the bar is narrowed to fit `columns` (0: width unknown).
    std::string Line(int columns) const;

    // "2048 KiB written and verified in 26.3 s, 77.9 KiB/s": `bytes` over the
    // time since the meter was made.
    std::string Summary(const std::string& what, int64_t bytes) const;

    const std::string& phase() const { return phase_; }
    int percent() const;

  private:
    // Bytes per second within the phase, or a negative value while too little
    // has moved to tell.
    double Speed() const;

    SecondsClock clock_;
    double started_;
    int64_t totalWork_;
    std::string phase_;
    double phaseStarted_ = 0;
    int64_t phaseBase_ = 0;  // `done` at the phase's first update
    int64_t done_ = 0, total_ = 0, workDone_ = 0;
};

// "0:07", "12:34", "1:02:03"
std::string FormatClock(double seconds);

}  // namespace zorvex::cli
