// zorvex-cli: the command-line companion of the desktop program.
#include <CLI/CLI.hpp>
#include <algorithm>
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

namespace {

using zorvex::cli::ArgumentSpec;
using zorvex::cli::Command;

const Command* FindCommand(const std::string& name) {
    for (const auto& c : zorvex::cli::Commands())
        if (name == c.name) return &c;
    return nullptr;
}

// "dump OUT [options]": the command with its positional arguments.
std::string Synopsis(const Command& command) {
    zorvex::cli::Arguments arguments;
    command.declare(arguments);
    std::string text = command.name;
    bool options = false;
    for (const auto& argument : arguments.list()) {
        if (argument.kind == ArgumentSpec::Kind::Positional) text += " " + argument.name;
        if (argument.kind == ArgumentSpec::Kind::Positionals) text += " " + argument.name + "...";
        options = options || argument.kind == ArgumentSpec::Kind::Option ||
                  argument.kind == ArgumentSpec::Kind::Flag;
    }
    return options ? text + " [options]" : text;
}

void PrintUsage(std::FILE* out) {
    std::vector<const Command*> commands;
    for (const auto& c : zorvex::cli::Commands()) commands.push_back(&c);
    std::sort(commands.begin(), commands.end(),
              [](const Command* a, const Command* b) { return std::strcmp(a->name, b->name) < 0; });
    std::vector<std::string> synopses;
    size_t width = 0;
    for (const Command* c : commands) {
        synopses.push_back(Synopsis(*c));
        width = std::max(width, synopses.back().size());
    }
    std::fprintf(out,
                 "usage: zorvex-cli COMMAND [ARGS...]\n"
                 "       zorvex-cli COMMAND --help   the arguments of one command\n"
                 "       zorvex-cli --version\n\ncommands:\n");
    for (size_t i = 0; i < commands.size(); ++i)
        std::fprintf(out, "  %-*s  %s\n", static_cast<int>(width), synopses[i].c_str(),
                     commands[i]->description);
}

// Hands the declared arguments to the parser. Option values pass through the
// command's own `take`, so a bad value is a usage error before anything runs.
void Declare(CLI::App& app, const std::vector<ArgumentSpec>& argumentList) {
    for (const auto& argument : argumentList) {
        switch (argument.kind) {
            case ArgumentSpec::Kind::Positional:
                app.add_option(argument.name, *argument.value, argument.help)
                    ->required()
                    ->type_name("");
                break;
            case ArgumentSpec::Kind::Positionals:
                app.add_option(argument.name, *argument.values, argument.help)
                    ->required()
                    ->type_name("");
                break;
            case ArgumentSpec::Kind::Flag:
                app.add_flag(argument.name, *argument.flag, argument.help);
                break;
            case ArgumentSpec::Kind::Option: {
                const std::string name = argument.name;
                auto take = argument.take;
                app.add_option_function<std::string>(
                       name,
                       [name, take](const std::string& value) {
                           const std::string problem = take(value);
                           if (!problem.empty()) throw CLI::ValidationError(name, problem);
                       },
                       argument.help)
                    ->type_name(argument.valueName)
                    ->required(argument.required);
                break;
            }
        }
    }
}

int RunCommand(const Command& command, int argc, char** argv) {
    const std::string name = std::string("zorvex-cli ") + command.name;
    CLI::App app(command.description, name);
    app.get_formatter()->column_width(28);
    app.failure_message([name](const CLI::App*, const CLI::Error& e) {
        return name + ": " + e.what() + "\nRun '" + name + " --help' for its arguments.\n";
    });
    zorvex::cli::Arguments arguments;
    command.declare(arguments);
    Declare(app, arguments.list());
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Help goes to stdout with status 0; every other parse error is a
        // usage error, whatever number the parser gives it.
        return app.exit(e) == 0 ? zorvex::cli::kExitOk : zorvex::cli::kExitUsage;
    }
    return command.run();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return zorvex::cli::kExitUsage;
    }
    const std::string name = argv[1];
    if (name == "--version") {
        std::printf("zorvex-cli %s\n", ZORVEX_VERSION);
        return zorvex::cli::kExitOk;
    }
    if (name == "help" || name == "--help" || name == "-h") {
        if (argc == 2) {
            PrintUsage(stdout);
            return zorvex::cli::kExitOk;
        }
        // "help COMMAND" is "COMMAND --help".
        const Command* command = argc == 3 ? FindCommand(argv[2]) : nullptr;
        if (!command) {
            std::fprintf(stderr, "usage: zorvex-cli help [COMMAND]\n");
            return zorvex::cli::kExitUsage;
        }
        char help[] = "--help";
        char* helpArgv[] = {argv[2], help, nullptr};
        return RunCommand(*command, 2, helpArgv);
    }
    const Command* command = FindCommand(name);
    if (!command) {
        std::fprintf(stderr, "zorvex-cli: unknown command '%s'\n", name.c_str());
        PrintUsage(stderr);
        return zorvex::cli::kExitUsage;
    }
    // argv[1] stands as the parser's program name.
    return RunCommand(*command, argc - 1, argv + 1);
}
