// zorvex-cli detect: finds the card and says where it is and what it carries.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"

namespace {

zorvex::cli::CardOptions gOptions;

void DeclareDetect(zorvex::cli::Arguments& arguments) {
    zorvex::cli::DeclareCardOptions(arguments, gOptions);
}

int RunDetect() {
    const zorvex::cli::CardOptions& options = gOptions;
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
    {"detect", "find the card: port, base, mode, chip, save slots", &DeclareDetect, &RunDetect});

}  // namespace
