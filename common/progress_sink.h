#pragma once

#include <string>

namespace zorvex {

// The progress window as core code sees it. Cancel is not held here but in the
// one shared cancel flag of the card link, which the window's Cancel sets.
class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    virtual bool Open() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetRange(int low, int high) = 0;
    virtual void SetPos(int pos) = 0;
    // Lets the user interface handle what is waiting (repaint, Cancel) between
    // two units of a foreground loop.
    virtual void PumpMessages() = 0;
    virtual void Close() = 0;
    // Where a card loop stands, in words under the bar: what is moved, the
    // phase with its unit ("Reading slot 2 of 4") and what else is worth
    // saying. A window without room for it ignores it.
    virtual void SetDetails(const std::string& /*what*/, const std::string& /*phase*/,
                            const std::string& /*rest*/) {}
};

class NullProgressSink final : public ProgressSink {
  public:
    bool Open() override { return true; }
    void SetCaption(const std::string&) override {}
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    void PumpMessages() override {}
    void Close() override {}
};

// The percent text of the progress window for pos in low..high ("42%").
std::string PercentText(int pos, int low, int high);

}  // namespace zorvex
