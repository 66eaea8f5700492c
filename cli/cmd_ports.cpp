// zorvex-cli ports: the parallel ports the program found, one line each.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "common/message_sink.h"
#include "ports/link_factory.h"

namespace {

int RunPorts(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: zorvex-cli ports\n");
        return 2;
    }
    zorvex::NullMessageSink warnings;
    auto runtime = zorvex::CreateLinkRuntime(warnings);
    if (!runtime->messageText.empty()) {
        std::fprintf(stderr, "zorvex-cli: %s\n", runtime->messageText.c_str());
        return 1;
    }
    const auto& link = *runtime->link;
    for (int n = 1; n <= link.portCount; ++n) {
        const uint16_t base = link.portTable[static_cast<size_t>(n)];
        if (base != 0) std::printf("LPT%d 0x%04x\n", n, base);  // gaps in the LPT numbering
    }
    return 0;
}

const bool registered = zorvex::cli::Register({"ports", "ports", &RunPorts});

}  // namespace
