#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zorvex::cli {

// Exit statuses of zorvex-cli (the README lists them for scripts). A command
// that fails returns 1, its message on stderr.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;  // the command line was wrong; nothing was done

// What a command takes on its command line. The commands only declare; main.cpp
// hands the list to the option parser, whose header costs every file that
// includes it several seconds to compile, so it stays in that one file.
struct ArgumentSpec {
    enum class Kind {
        Positional,   // required, one value
        Positionals,  // required, one or more values
        Option,       // --name VALUE
        Flag,         // --name, optional
    };
    Kind kind = Kind::Positional;
    std::string name;       // "SRC" or "--port"
    std::string valueName;  // options: what the value is ("N", "auto|spp|epp")
    std::string help;
    std::string* value = nullptr;
    std::vector<std::string>* values = nullptr;
    bool* flag = nullptr;
    bool required = false;  // options only; positionals always are
    // Options: checks the value and stores what it means; returns empty when
    // taken, else why not (the parser reports it as a usage error).
    std::function<std::string(const std::string&)> take;
};

class Arguments {
  public:
    void Positional(const char* name, std::string& value, const char* help) {
        ArgumentSpec argument;
        argument.name = name;
        argument.help = help;
        argument.value = &value;
        arguments_.push_back(std::move(argument));
    }
    void Positionals(const char* name, std::vector<std::string>& values, const char* help) {
        ArgumentSpec argument;
        argument.kind = ArgumentSpec::Kind::Positionals;
        argument.name = name;
        argument.help = help;
        argument.values = &values;
        arguments_.push_back(std::move(argument));
    }
    void Option(const char* name, const char* valueName, const char* help,
                std::function<std::string(const std::string&)> take, bool required = false) {
        ArgumentSpec argument;
        argument.kind = ArgumentSpec::Kind::Option;
        argument.name = name;
        argument.valueName = valueName;
        argument.help = help;
        argument.take = std::move(take);
        argument.required = required;
        arguments_.push_back(std::move(argument));
    }
    void Flag(const char* name, bool& flag, const char* help) {
        ArgumentSpec argument;
        argument.kind = ArgumentSpec::Kind::Flag;
        argument.name = name;
        argument.help = help;
        argument.flag = &flag;
        arguments_.push_back(std::move(argument));
    }
    const std::vector<ArgumentSpec>& list() const { return arguments_; }

  private:
    std::vector<ArgumentSpec> arguments_;
};

// One subcommand of zorvex-cli. `declare` binds the arguments to variables of
// the command's own file; `run` then reads them. A process parses one command
// line, so those variables are set once before `run` is called.
// A command prints a failure (the program's own messageText) on stderr and
// returns 1; success returns kExitOk.
struct Command {
    const char* name;
    const char* description;  // one line, shown by "zorvex-cli help"
    void (*declare)(Arguments& arguments);
    int (*run)();
};

// Each cmd_*.cpp registers its commands at start-up:
//   static const bool registered = zorvex::cli::Register({"ports", "...", &Declare, &Run});
bool Register(const Command& command);
const std::vector<Command>& Commands();

}  // namespace zorvex::cli
