// zorvex-cli scan-card: the Savegame Manager's "Scan Rom" on the card that
// detection finds, one line per save slot that a game owns.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "saves/save_ram_commands.h"
#include "sim/link_factory.h"

namespace {

class StderrSink final : public zorvex::MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

// The one link of this run; nullptr after printing why there is none.
std::unique_ptr<zorvex::LinkRuntime> OpenLink(zorvex::MessageSink& sink) {
    auto runtime = zorvex::CreateLinkRuntime(sink);
    if (!runtime || !runtime->link) {
        sink.ShowMessage(runtime ? runtime->messageText : "no card link", "Error");
        return nullptr;
    }
    if (!runtime->messageText.empty()) {
        sink.ShowMessage(runtime->messageText, "Error");
        return nullptr;
    }
    return runtime;
}

int RunScanCard(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: zorvex-cli scan-card\n");
        return 2;
    }
    StderrSink sink;
    auto runtime = OpenLink(sink);
    if (!runtime) return 1;
    std::vector<std::string> lines;
    if (!zorvex::ScanCardSlots(*runtime->link, sink, lines)) return 1;
    for (const auto& line : lines) std::printf("%s\n", line.c_str());
    return 0;
}

const bool registeredScan = zorvex::cli::Register(
    {"scan-card", "scan-card   list the games that own the card's save slots", &RunScanCard});

}  // namespace
