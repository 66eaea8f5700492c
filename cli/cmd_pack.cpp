// zorvex-cli pack OUT ROM...: builds a DIZavo image from "dizavo.gb" in the
// current directory and the given ROMs, in the order given.
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/stderr_messages.h"
#include "common/progress_sink.h"
#include "library/rom_list_model.h"
#include "library/rom_scan.h"
#include "pack/pack_builder.h"
#include "pack/pack_status.h"

namespace {

std::string gOut;
std::vector<std::string> gMembers;

void DeclarePack(zorvex::cli::Arguments& arguments) {
    arguments.Positional("OUT", gOut, "the DIZavo image to write");
    arguments.Positionals("ROM", gMembers, "the games, in the order they go into the pack");
}

int RunPack() {
    zorvex::cli::StderrMessages sink;
    // The rows the desktop program's list would hold, for the caption; the
    // list sorts by name, the image keeps the order given here.
    zorvex::RomListModel rows;
    const std::vector<std::string>& members = gMembers;
    for (const std::string& path : members) {
        if (!zorvex::AddRomFile(path, rows, true, sink)) return 1;
    }
    std::printf("%s\n", zorvex::UpdatePackStatus(rows).caption.c_str());
    std::fflush(stdout);

    zorvex::NullProgressSink progress;
    std::atomic<bool> cancelRequested{false};
    zorvex::PackBuildUi ui{sink, progress, cancelRequested, {}, {}};
    return zorvex::BuildPackFromFiles(gOut, members, ui) ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"pack", "build a DIZavo image from ./dizavo.gb and the ROMs", &DeclarePack, &RunPack});

}  // namespace
