// zorvex-cli cut / fixsum SRC DST: write SRC (a plain image or the ROM inside
// a .zip) changed by one of the ROM tools: cut to, or padded up to, the size
// its content needs with fixed checksums, or with both header checksums
// recomputed.
#include <string>

#include "cli/cli_command.h"
#include "cli/stderr_messages.h"
#include "rom/tools/calculate_gb_crc_command.h"
#include "rom/tools/cut_rom_command.h"

namespace {

std::string gSource, gDestination;

void DeclareSourceAndDestination(zorvex::cli::Arguments& arguments) {
    arguments.Positional("SRC", gSource, "a ROM image, or a .zip holding one");
    arguments.Positional("DST", gDestination, "the image to write");
}

template <bool (*tool)(const std::string&, const std::string&, zorvex::MessageSink&)>
int RunTool() {
    zorvex::cli::StderrMessages messages;
    return tool(gSource, gDestination, messages) ? 0 : 1;
}

const bool registeredCut =
    zorvex::cli::Register({"cut", "write SRC cut to the size its content needs",
                           &DeclareSourceAndDestination, &RunTool<&zorvex::CutRomFile>});
const bool registeredFixsum =
    zorvex::cli::Register({"fixsum", "write SRC with both header checksums recomputed",
                           &DeclareSourceAndDestination, &RunTool<&zorvex::CalculateGbCrcFile>});

}  // namespace
