// zorvex-cli scan-card: the Savegame Manager's "Scan Rom" on the card that
// detection finds, one line per save slot that a game owns.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "ports/link_factory.h"
#include "saves/save_ram_commands.h"

namespace {

void DeclareScanCard(zorvex::cli::Arguments&) {}

int RunScanCard() {
    zorvex::cli::StderrMessages sink;
    auto runtime = zorvex::cli::OpenCardRuntime({}, sink);
    if (!runtime) return 1;
    std::vector<std::string> lines;
    if (!zorvex::ScanCardSlots(*runtime->link, sink, lines)) return 1;
    for (const auto& line : lines) std::printf("%s\n", line.c_str());
    return 0;
}

const bool registeredScan = zorvex::cli::Register(
    {"scan-card", "list the games that own the card's save slots", &DeclareScanCard, &RunScanCard});

}  // namespace
