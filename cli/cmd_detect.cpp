// zorvex-cli detect: finds the card and says where it is and what it carries.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "cli/detect_report.h"

namespace {

zorvex::cli::CardOptions gOptions;
bool gReport = false;

void DeclareDetect(zorvex::cli::Arguments& arguments) {
    zorvex::cli::DeclareCardOptions(arguments, gOptions);
    arguments.Flag("--report", gReport, "print a diagnostic report of every port");
}

int RunDetect() {
    const zorvex::cli::CardOptions& options = gOptions;
    const bool report = gReport;
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
    {"detect", "find the card: port, base, mode, chip, save slots", &DeclareDetect, &RunDetect});

}  // namespace
