// zorvex-cli scan-card: the Savegame Manager's "Scan Rom" on the card that
// detection finds, one line per save slot that a game owns.
#include <cstdio>
#include <string>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "saves/pack_scan.h"

namespace {

void DeclareScanCard(zorvex::cli::Arguments&) {}

int RunScanCard() {
    zorvex::cli::CardSession session;
    if (!session) return 1;
    const zorvex::PackScan scan = zorvex::ScanPack(session.link());
    if (!scan.ok) {
        session.messages.ShowMessage(scan.text, "Error");
        return 1;
    }
    for (size_t slot = 0; slot < scan.names.size(); ++slot)
        std::printf("Slot %02d %s\n", static_cast<int>(slot), scan.names[slot].c_str());
    return 0;
}

const bool registeredScan = zorvex::cli::Register(
    {"scan-card", "list the games that own the card's save slots", &DeclareScanCard, &RunScanCard});

}  // namespace
