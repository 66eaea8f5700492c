#pragma once

// What the card subcommands of zorvex-cli share: the one link of the run, the
// --port and --mode options, where messages go, and the progress of a
// transfer on a terminal.

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "common/message_sink.h"
#include "ports/link_factory.h"

namespace zorvex::cli {

// Prints every message box on stderr: the text alone for "Error" boxes (the
// program's own messageText), "Warning: " before flash protocol warnings.
class StderrMessages final : public MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string& caption) override;
};

struct CardOptions {
    int port = 0;   // 0: every port in turn (scanAllPorts)
    int mode = -1;  // TransferMode, or -1 to keep the default (auto)
};

// Declares --port N and --mode auto|spp|epp, stored into `options`.
void DeclareCardOptions(Arguments& arguments, CardOptions& options);

// The link of this run with the options applied; nullptr after printing why
// there is none (an unusable simulated card, or a --port that does not exist).
std::unique_ptr<LinkRuntime> OpenCardRuntime(const CardOptions& options, MessageSink& messages);

// Parses a byte count: decimal, or hexadecimal with 0x. False when malformed.
bool ParseByteCount(const std::string& text, long long& value);

}  // namespace zorvex::cli
