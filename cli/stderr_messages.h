#pragma once

#include <string>

#include "common/message_sink.h"

namespace zorvex::cli {

// Where every command of zorvex-cli prints its message boxes: on stderr, one
// line each, starting on a line of its own when a progress line is open. The
// text stands alone ("Warning: " before the flash protocol's warnings), or,
// for the library scan, after its box's caption ("Error: ...").
class StderrMessages final : public MessageSink {
  public:
    enum class Captions { Warnings, All };
    explicit StderrMessages(Captions captions = Captions::Warnings) : captions_(captions) {}
    void ShowMessage(const std::string& text, const std::string& caption) override;

  private:
    Captions captions_;
};

}  // namespace zorvex::cli
