// zorvex-cli fixsum SRC DST: writes SRC (a plain image or the ROM inside a
// .zip) with its header and global checksums recomputed.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "rom/tools/calculate_gb_crc_command.h"

namespace {

class StderrSink final : public zorvex::MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

int RunFixsum(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: zorvex-cli fixsum SRC DST\n");
        return 2;
    }
    StderrSink sink;
    return zorvex::CalculateGbCrcFile(args[0], args[1], sink) ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"fixsum", "fixsum SRC DST    write SRC with both header checksums recomputed", &RunFixsum});

}  // namespace
