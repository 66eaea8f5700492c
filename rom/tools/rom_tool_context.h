#pragma once

#include <functional>

#include "common/file_requester.h"
#include "common/message_sink.h"

namespace zorvex {

// What the ROM tool commands need of the main window.
struct RomToolContext {
    FileRequester& requester;
    MessageSink& sink;
    // Requesters open in dirs.requester, which follows the user's choices;
    // dirs.working, against which the library paths stay, is not changed.
    RequesterDirectories& dirs;
    // The library watch timer is stopped for the whole command (requesters
    // included), so no directory scan runs in between, and started again with
    // its 1000 ms period at the end. Either may be empty.
    std::function<void()> stopWatchTimer;
    std::function<void()> startWatchTimer;
};

// Stops the watch timer for as long as it lives.
class WatchTimerPause {
  public:
    explicit WatchTimerPause(const RomToolContext& context) : context_(context) {
        if (context_.stopWatchTimer) context_.stopWatchTimer();
    }
    ~WatchTimerPause() {
        if (context_.startWatchTimer) context_.startWatchTimer();
    }
    WatchTimerPause(const WatchTimerPause&) = delete;
    WatchTimerPause& operator=(const WatchTimerPause&) = delete;

  private:
    const RomToolContext& context_;
};

}  // namespace zorvex
