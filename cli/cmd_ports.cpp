// zorvex-cli ports: the parallel ports the program found, one line each.
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "common/message_sink.h"
#include "sim/link_factory.h"

namespace {

void DeclarePorts(zorvex::cli::Arguments&) {}

int RunPorts() {
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

const bool registered = zorvex::cli::Register(
    {"ports", "list the parallel ports: LPT number and I/O base", &DeclarePorts, &RunPorts});

}  // namespace
