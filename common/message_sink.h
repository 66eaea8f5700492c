#pragma once

#include <string>

namespace zorvex {

// How core code shows a message box. Every box of the program carries the
// warning icon; only the caption differs ("Error", "Warning", "ERROR").
// The desktop program shows a real box and blocks until it is dismissed;
// tests record the calls.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};

// Swallows every message (zorvex-cli routes its own).
class NullMessageSink final : public MessageSink {
  public:
    void ShowMessage(const std::string&, const std::string&) override {}
};

}  // namespace zorvex
