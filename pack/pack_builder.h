#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "common/file_requester.h"
#include "common/message_sink.h"
#include "common/progress_sink.h"
#include "library/rom_list_model.h"

namespace zorvex {

// The pack menu program, read from the working directory and put first.
inline constexpr const char* kMenuProgramFile = "dizavo.gb";

// What building a pack talks to. cancelRequested is the flag that the
// progress window's Cancel sets (the window's job monitor's). The watch timer must not rescan
// the library while the build pumps messages, so it is stopped for the build
// and restarted (1000 ms) on every way out; either callback may be empty.
struct PackBuildUi {
    MessageSink& messages;
    ProgressSink& progress;
    std::atomic<bool>& cancelRequested;
    std::function<void()> stopWatchTimer;
    std::function<void()> startWatchTimer;
};

// Writes the pack image to `path`: "dizavo.gb" then each member in the given
// order, each fitted by WriteCutRom. One member is in memory at a time; Cancel
// is honoured between members.
// - the output cannot be created: "Can't create %s"; false, nothing written
// - a member cannot be loaded, or is too short: its message; the image built
//   so far is kept in `path`; false
// - a write fails: "Error Writing File %s"; false, `path` is left as it was
// - Cancel: false, `path` is left as it was
bool BuildPackFromFiles(const std::string& path, const std::vector<std::string>& members,
                        PackBuildUi& ui);

// The same with the members taken from the FileName fields of the pack rows.
bool BuildPack(const std::string& path, const RomListModel& pack, PackBuildUi& ui);

// Builds the pack to packTempPath and, when that succeeded, hands the file to
// startTransferJob. "Temporary Path too long" when packTempPath is empty.
bool SendPack(const std::string& packTempPath, const RomListModel& pack, PackBuildUi& ui,
              const std::function<void(const std::string&)>& startTransferJob);

// The file requester of "Sa&ve DIZavo": no flags, the name used as typed.
FileRequest SavePackRequest();

}  // namespace zorvex
