// zorvex-cli fixsum SRC DST: writes SRC (a plain image or the ROM inside a
// .zip) with its header and global checksums recomputed.
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "rom/tools/calculate_gb_crc_command.h"

namespace {

class StderrSink final : public zorvex::MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

std::string gSource, gDestination;

void DeclareFixsum(zorvex::cli::Arguments& arguments) {
    arguments.Positional("SRC", gSource, "a ROM image, or a .zip holding one");
    arguments.Positional("DST", gDestination, "the image to write");
}

int RunFixsum() {
    StderrSink sink;
    return zorvex::CalculateGbCrcFile(gSource, gDestination, sink) ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"fixsum", "write SRC with both header checksums recomputed", &DeclareFixsum, &RunFixsum});

}  // namespace
