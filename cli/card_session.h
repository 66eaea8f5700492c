#pragma once
// What the card subcommands of zorvex-cli share: the one link of the run, the
// --port and --mode options, and where messages go.

#include <memory>
#include <string>

#include "cli/cli_command.h"
#include "cli/stderr_messages.h"
#include "ports/link_factory.h"

namespace zorvex::cli {

struct CardOptions {
    int port = 0;   // 0: every port in turn
    int mode = -1;  // TransferMode, or -1 to keep the default (auto)
};

// Declares --port N and --mode auto|spp|epp, stored into `options`.
void DeclareCardOptions(Arguments& arguments, CardOptions& options);

// The start every card command makes: its messages on stderr and the link of
// this run with the options applied. False (`runtime` empty) after printing
// why there is none: an unusable simulated card, or a --port that does not
// exist. It stays where it was made: the link sends its warnings to
// `messages`.
class CardSession {
  public:
    explicit CardSession(const CardOptions& options = {});
    CardSession(const CardSession&) = delete;
    CardSession& operator=(const CardSession&) = delete;

    explicit operator bool() const { return runtime != nullptr; }
    CardLink& link() { return *runtime->link; }

    StderrMessages messages;
    std::unique_ptr<LinkRuntime> runtime;
};

// Parses a byte count: decimal, or hexadecimal with 0x. False when malformed.
bool ParseByteCount(const std::string& text, long long& value);

}  // namespace zorvex::cli
