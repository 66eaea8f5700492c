// zorvex-cli menu-program OUT: writes the stand-in pack menu program.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "common/file_io.h"
#include "pack/menu_program.h"

namespace {

class StderrSink final : public zorvex::MessageSink {
  public:
    void ShowMessage(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

std::string gOut;

void DeclareMenuProgram(zorvex::cli::Arguments& arguments) {
    arguments.Positional("OUT", gOut, "the file to write (dizavo.gb)");
}

int RunMenuProgram() {
    std::vector<uint8_t> image = zorvex::MakeMenuProgram();
    StderrSink sink;
    return zorvex::WriteWholeFile(gOut, image.data(), image.size(), false, sink) ? 0 : 1;
}

const bool registered =
    zorvex::cli::Register({"menu-program", "write a demo DIZavo menu program (dizavo.gb)",
                           &DeclareMenuProgram, &RunMenuProgram});

}  // namespace
