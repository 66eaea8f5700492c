// zorvex-cli: the command-line companion of the desktop program.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli_command.h"

namespace zorvex::cli {

namespace {
std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}
}  // namespace

bool Register(const Command& command) {
    Registry().push_back(command);
    return true;
}

const std::vector<Command>& Commands() {
    return Registry();
}

}  // namespace zorvex::cli

static void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: zorvex-cli COMMAND [ARGS...]\ncommands:\n");
    for (const auto& c : zorvex::cli::Commands()) std::fprintf(out, "  zorvex-cli %s\n", c.usage);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : zorvex::cli::Commands()) {
        if (name == c.name) return c.run(args);
    }
    std::fprintf(stderr, "zorvex-cli: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return 2;
}
