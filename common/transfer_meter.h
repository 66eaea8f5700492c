#pragma once

// Where a card transfer stands, as both front ends show it: the phase, KiB
// done of the phase's total, the bank, the speed and the time left, and the
// line that sums the transfer up at the end. zorvex-cli draws Line() on a
// terminal; the desktop's progress window shows the same parts one by one.
// Plain text in, plain text out, so that it can be tested with a made-up clock.

#include <cstdint>
#include <functional>
#include <string>

namespace zorvex {

// Seconds on a steady clock, from any starting point.
using SecondsClock = std::function<double()>;
SecondsClock SteadyClock();

// One look at a running card job, as the card link reports it. An erase is
// measured in milliseconds waited of the chip's typical erase time, since
// nothing moves over the cable while the chip erases itself.
struct TransferProgress {
    std::string
        phase;  // "compare", "erase", "write", "verify", "read"; empty before the first step
    int64_t done = 0, total = 0;          // of the phase
    int64_t workDone = 0, totalWork = 0;  // bytes over the cable, all phases together
    int bank = 0, banks = 0;              // the unit being moved (0-based) and how many
};

class TransferMeter {
  public:
    // totalWork: every byte the transfer moves over the cable, all phases
    // together (a verified send moves its image twice).
    TransferMeter(SecondsClock clock, int64_t totalWork);

    // phase: "erase", "write", "verify" or "read"; `done` of `total` bytes of
    // that phase, and `workDone` of totalWork. The speed is measured within
    // the phase, from the first update that names it.
    void Update(const std::string& phase, int64_t done, int64_t total, int64_t workDone);
    // The same from a job's report, which also tells the transfer's total work
    // and the bank.
    void Update(const TransferProgress& progress);

    // "write  [#####     ]  50%  1024/2048 KiB  85.3 KiB/s  0:12 left" for the
    // last update; the bar is narrowed to fit `columns` (0: width unknown).
    std::string Line(int columns) const;

    // "2048 KiB written and verified in 26.3 s, 77.9 KiB/s": `bytes` over the
    // time since the meter was made.
    std::string Summary(const std::string& what, int64_t bytes) const;

    const std::string& phase() const { return phase_; }
    // Of the erase while the chip erases, else of the whole transfer.
    int percent() const;
    // "Erasing the chip", "Writing bank 13 of 64", "Verifying bank 2 of 64",
    // "Reading bank 1 of 4"; empty before the first update.
    std::string PhaseText() const;
    std::string SpeedText() const;  // "85.3 KiB/s", or "-- KiB/s" while it cannot tell
    std::string LeftText() const;   // "0:12 left", or "--:-- left"

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
    int bank_ = 0, banks_ = 0;
};

// "0:07", "12:34", "1:02:03"
std::string FormatClock(double seconds);

// "512 KiB", "2 MiB", "1.5 MiB", "40.5 KiB": a size for a message.
std::string SizeText(int64_t bytes);

// "42 s", "1:02": how long something took, for a result line.
std::string DurationText(double seconds);

}  // namespace zorvex
