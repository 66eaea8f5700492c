// zorvex-cli sram-read / sram-write: the Savegame Manager's transfers and
// file operations on the card that detection finds.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "ports/link_factory.h"
#include "saves/save_ram_commands.h"

namespace {

int RunSramRead(const std::vector<std::string>& args) {
    std::optional<zorvex::SlotRange> slots;
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--slots" && i + 1 < args.size()) {
            slots = zorvex::ParseSlotRange(args[++i]);
            if (!slots) {
                std::fprintf(stderr, "zorvex-cli sram-read: bad slot range '%s'\n",
                             args[i].c_str());
                return 2;
            }
        } else if (out.empty() && args[i].rfind("--", 0) != 0) {
            out = args[i];
        } else {
            std::fprintf(stderr, "usage: zorvex-cli sram-read OUT [--slots FIRST-LAST]\n");
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: zorvex-cli sram-read OUT [--slots FIRST-LAST]\n");
        return 2;
    }
    zorvex::cli::StderrMessages sink;
    auto runtime = zorvex::cli::OpenCardRuntime({}, sink);
    if (!runtime) return 1;
    return zorvex::ReadSaveRamToFile(*runtime->link, out, slots, sink) ? 0 : 1;
}

int RunSramWrite(const std::vector<std::string>& args) {
    std::optional<int> start;
    std::string in;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--start" && i + 1 < args.size()) {
            start = zorvex::ParseSlot(args[++i]);
            if (!start) {
                std::fprintf(stderr, "zorvex-cli sram-write: bad slot '%s'\n", args[i].c_str());
                return 2;
            }
        } else if (in.empty() && args[i].rfind("--", 0) != 0) {
            in = args[i];
        } else {
            std::fprintf(stderr, "usage: zorvex-cli sram-write IN [--start SLOT]\n");
            return 2;
        }
    }
    if (in.empty()) {
        std::fprintf(stderr, "usage: zorvex-cli sram-write IN [--start SLOT]\n");
        return 2;
    }
    zorvex::cli::StderrMessages sink;
    auto runtime = zorvex::cli::OpenCardRuntime({}, sink);
    if (!runtime) return 1;
    return zorvex::WriteSaveRamFromFile(*runtime->link, in, start, sink) ? 0 : 1;
}

const bool registeredRead = zorvex::cli::Register(
    {"sram-read",
     "sram-read OUT [--slots FIRST-LAST]   save the card's save RAM (or those slots) to OUT",
     &RunSramRead});
const bool registeredWrite = zorvex::cli::Register(
    {"sram-write", "sram-write IN [--start SLOT]   write a save file to the card's save RAM",
     &RunSramWrite});

}  // namespace
