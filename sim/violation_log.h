#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorvex::sim {

// What the simulated card saw the program do that the real card would not take
// the way the protocol means it: a transfer against the direction the control
// register sets, a strobe out of its sequence, a nibble read in the wrong
// state, a mode value the card does not know, save RAM used while disabled.
// The card still reacts the way the hardware would (open bus, lost or wrong
// cycles); the log says why, so a test fails on the cause and not only on the
// wrong data it leads to.
class ViolationLog {
  public:
    // Passed every violation of every log that does not expect them; the test
    // programs install one that fails the running test.
    using Handler = void (*)(const std::string& text);
    static void SetHandler(Handler handler);

    void Record(const std::string& text);
    // Only the first kKept are kept; count() has them all.
    const std::vector<std::string>& entries() const { return entries_; }
    uint64_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    void Clear() {
        entries_.clear();
        count_ = 0;
    }
    // For tests that break the protocol on purpose (lost outputs, raw cycles):
    // violations are still logged but not passed to the handler.
    void ExpectViolations(bool on = true) { expected_ = on; }

    static constexpr size_t kKept = 64;

  private:
    std::vector<std::string> entries_;
    uint64_t count_ = 0;
    bool expected_ = false;
};

}  // namespace zorvex::sim
