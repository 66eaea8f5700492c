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
    zorvex::cli::CardSession session(gOptions);
    if (!session) return 1;
    if (gReport) {
        std::fputs(zorvex::cli::DetectReport(*session.runtime).c_str(), stdout);
        return 0;
    }
    zorvex::CardLink& link = session.link();
    zorvex::CardOperation operation(link.bus());
    const zorvex::Detection found = link.OpenCard();
    if (found.result != 0) {
        session.messages.ShowMessage(found.text, "Error");
        return 1;
    }
    link.ReleaseCard();
    const zorvex::CardInfo& card = found.card;
    std::printf("LPT%d 0x%04x %s %dM %d\n", card.port, card.base, card.spp ? "SPP" : "EPP",
                static_cast<int>(card.chip), card.saveBanks());
    return 0;
}

const bool registered = zorvex::cli::Register(
    {"detect", "find the card: port, base, mode, chip, save slots", &DeclareDetect, &RunDetect});

}  // namespace
