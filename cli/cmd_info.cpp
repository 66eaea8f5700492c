// zorvex-cli info ROM: the library row a ROM would get and its Rom Info text.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "library/rom_entry_format.h"
#include "rom/rom_info.h"

namespace {

int RunInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: zorvex-cli info ROM\n");
        return 2;
    }
    zorvex::RomEntry entry;
    std::string messageText;
    if (!zorvex::BuildRomEntry(args[0], false, entry, messageText)) {
        std::fprintf(stderr, "%s\n", messageText.c_str());
        return 1;
    }
    std::string row;
    for (int field = 0; field < zorvex::kRomFieldCount; ++field) {
        if (field) row += '|';
        row += entry[field];
    }
    std::string info =
        zorvex::RomInfoText(entry[zorvex::FieldName], entry[zorvex::FieldAttributes]);
    std::string text;
    for (size_t i = 0; i < info.size(); ++i) {
        if (info[i] == '\r' && i + 1 < info.size() && info[i + 1] == '\n') continue;
        text += info[i];
    }
    std::printf("%s\n\n%s", row.c_str(), text.c_str());
    return 0;
}

const bool registered = zorvex::cli::Register({"info", "info ROM", &RunInfo});

}  // namespace
