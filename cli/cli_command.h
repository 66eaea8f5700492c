#pragma once

#include <string>
#include <vector>

namespace zorvex::cli {

// One subcommand of zorvex-cli. args excludes the program and subcommand names.
// A command prints a failure (the program's own messageText) on stderr and
// returns 1; success returns 0; a usage error returns 2.
struct Command {
    const char* name;
    const char* usage;  // one line, shown by "zorvex-cli help"
    int (*run)(const std::vector<std::string>& args);
};

// Each cmd_*.cpp registers its commands at start-up:
//   static const bool registered = zorvex::cli::Register({"ports", "ports", &RunPorts});
bool Register(const Command& command);
const std::vector<Command>& Commands();

}  // namespace zorvex::cli
