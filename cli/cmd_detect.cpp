// zorvex-cli detect: finds the card and says where it is and what it carries.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "cli/detect_report.h"

namespace {

constexpr char kUsage[] = "usage: zorvex-cli detect [--port N] [--mode auto|spp|epp] [--report]\n";

int RunDetect(const std::vector<std::string>& args) {
    zorvex::cli::CardOptions options;
    bool report = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--report") {
            report = true;
            continue;
        }
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
    if (report) {
        std::fputs(zorvex::cli::DetectReport(*runtime).c_str(), stdout);
        return 0;
    }
    zorvex::CardLink& link = *runtime->link;
    zorvex::CardOperation operation(link);
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
     "detect [--port N] [--mode auto|spp|epp] [--report]   find the card: port, base, mode, chip, "
     "save slots (--report: a diagnostic report of every port)",
     &RunDetect});

}  // namespace
