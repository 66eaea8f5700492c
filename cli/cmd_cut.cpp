// zorvex-cli cut SRC DST: writes SRC (a plain image or the ROM inside a .zip)
// cut to, or padded up to, the size its content needs, with fixed checksums.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "rom/tools/cut_rom_command.h"

namespace {

class StderrSink final : public zorvex::MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

int RunCut(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: zorvex-cli cut SRC DST\n");
        return 2;
    }
    StderrSink sink;
    return zorvex::CutRomFile(args[0], args[1], sink) ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"cut", "cut SRC DST       write SRC cut to the size its content needs", &RunCut});

}  // namespace
