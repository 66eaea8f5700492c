// zorvex-cli detect: finds the card and says where it is and what it carries.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"

namespace {

constexpr char kUsage[] = "usage: zorvex-cli detect [--port N] [--mode auto|spp|epp]\n";

int RunDetect(const std::vector<std::string>& args) {
    zorvex::cli::CardOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const int taken = zorvex::cli::TakeCardOption(args, i, options, "detect");
        if (taken < 0) return 2;
        if (taken == 0) {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    zorvex::cli::StderrMessages messages;
    auto runtime = zorvex::cli::OpenCardRuntime(options, messages);
    if (!runtime) return 1;
    zorvex::CardLink& link = *runtime->link;
    const int slots = link.OpenCard();
    if (slots < 0) {
        messages.ShowMessage(link.messageText, "Error");
        return 1;
    }
    link.ReleaseCard();
    std::printf("LPT%d 0x%04x %s %dM %d\n", link.currentPortIndex, link.currentPortBase,
                link.sppMode ? "SPP" : "EPP", link.flashType, slots);
    return 0;
}

const bool registered = zorvex::cli::Register(
    {"detect",
     "detect [--port N] [--mode auto|spp|epp]   find the card: port, base, mode, chip, save slots",
     &RunDetect});

}  // namespace
