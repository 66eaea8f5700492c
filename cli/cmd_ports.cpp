// zorvex-cli ports: the parallel ports the program found, one line each, with
// how each is reached and, when it cannot be used, why.
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "common/message_sink.h"
#include "link/card_link.h"
#include "ports/link_factory.h"

namespace {

void DeclarePorts(zorvex::cli::Arguments&) {}

int RunPorts() {
    zorvex::NullMessageSink warnings;
    auto runtime = zorvex::CreateLinkRuntime(warnings);
    if (!runtime->messageText.empty()) {
        std::fprintf(stderr, "zorvex-cli: %s\n", runtime->messageText.c_str());
        return 1;
    }
    if (!runtime->platformNote.empty()) std::printf("%s\n", runtime->platformNote.c_str());
    if (!runtime->accessNote.empty()) std::printf("note: %s\n", runtime->accessNote.c_str());
    const auto& link = *runtime->link;
    const char* access = zorvex::PortAccessName(runtime->access);
    for (int n = 1; n <= link.PortCount(); ++n) {
        const uint16_t base = link.PortBase(n);
        if (base == 0) continue;  // gaps in the LPT numbering
        // Taking the port once shows whether it can be used at all.
        zorvex::PortCycles& io = *runtime->portIo;
        const bool usable = io.BeginOperation(base);
        const std::string problem = io.AccessProblem(base);
        io.EndOperation(base);
        if (usable || problem.empty())
            std::printf("LPT%d 0x%04x %s\n", n, base, access);
        else
            std::printf("LPT%d 0x%04x %s: %s\n", n, base, access, problem.c_str());
    }
    return 0;
}

const bool registered = zorvex::cli::Register(
    {"ports", "list the parallel ports: LPT number, I/O base, access, and why one cannot be used",
     &DeclarePorts, &RunPorts});

}  // namespace
