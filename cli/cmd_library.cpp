// zorvex-cli library: the desktop program's start-up scan of roms/ in the
// working directory, with the list file read before and rewritten after.
#include <atomic>
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "cli/stderr_messages.h"
#include "library/rom_list_location.h"
#include "library/rom_scan.h"

namespace {

void DeclareLibrary(zorvex::cli::Arguments&) {}

int RunLibrary() {
    zorvex::cli::StderrMessages messages(zorvex::cli::StderrMessages::Captions::All);
    zorvex::NullProgressSink progress;
    std::atomic<bool> cancelRequested{false};
    zorvex::RomListModel list;
    std::string listPath =
        zorvex::OpenRomListAtStart(zorvex::WorkingDirectoryWritable(), list, messages);
    zorvex::LibraryScanUi ui{messages, progress, cancelRequested, {}};
    bool ok = zorvex::RefreshRomLibrary(zorvex::kRomDirectory, listPath, list, ui);
    std::printf("%s\n", zorvex::RomListCaption(list.Count()).c_str());
    return ok ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"library", "scan roms/ as the desktop program does at start", &DeclareLibrary, &RunLibrary});

}  // namespace
