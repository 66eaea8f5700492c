// zorvex-cli ips SRC PATCH DST: applies an IPS patch to SRC (a plain image or
// the ROM inside a .zip) and writes the patched image.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "rom/tools/ips_patch_command.h"

namespace {

class StderrSink final : public zorvex::MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

int RunIps(const std::vector<std::string>& args) {
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: zorvex-cli ips SRC PATCH DST\n");
        return 2;
    }
    StderrSink sink;
    return zorvex::IpsPatchFile(args[0], args[1], args[2], sink) ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"ips", "ips SRC PATCH DST apply an IPS patch to SRC and write the result", &RunIps});

}  // namespace
