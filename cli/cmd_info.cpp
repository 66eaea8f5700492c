// zorvex-cli info ROM: the library row a ROM would get and its Rom Info text.
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "library/rom_entry_format.h"
#include "rom/rom_info.h"

namespace {

std::string gRom;

void DeclareInfo(zorvex::cli::Arguments& arguments) {
    arguments.Positional("ROM", gRom, "a ROM image, or a .zip holding one");
}

int RunInfo() {
    zorvex::RomEntry entry;
    std::string messageText;
    if (!zorvex::BuildRomEntry(gRom, false, entry, messageText)) {
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

const bool registered = zorvex::cli::Register(
    {"info", "print the library row of ROM and its Rom Info text", &DeclareInfo, &RunInfo});

}  // namespace
