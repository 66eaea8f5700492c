// zorvex-cli cut SRC DST: writes SRC (a plain image or the ROM inside a .zip)
// cut to, or padded up to, the size its content needs, with fixed checksums.
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "rom/tools/cut_rom_command.h"

namespace {

class StderrSink final : public zorvex::MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

std::string gSource, gDestination;

void DeclareCut(zorvex::cli::Arguments& arguments) {
    arguments.Positional("SRC", gSource, "a ROM image, or a .zip holding one");
    arguments.Positional("DST", gDestination, "the image to write");
}

int RunCut() {
    StderrSink sink;
    return zorvex::CutRomFile(gSource, gDestination, sink) ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"cut", "write SRC cut to the size its content needs", &DeclareCut, &RunCut});

}  // namespace
