// zorvex-cli menu-program OUT: writes the stand-in pack menu program.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/stderr_messages.h"
#include "common/file_io.h"
#include "pack/menu_program.h"

namespace {

std::string gOut;

void DeclareMenuProgram(zorvex::cli::Arguments& arguments) {
    arguments.Positional("OUT", gOut, "the file to write (dizavo.gb)");
}

int RunMenuProgram() {
    std::vector<uint8_t> image = zorvex::MakeMenuProgram();
    zorvex::cli::StderrMessages sink;
    return zorvex::WriteWholeFile(gOut, image.data(), image.size(), false, sink) ? 0 : 1;
}

const bool registered =
    zorvex::cli::Register({"menu-program", "write a demo DIZavo menu program (dizavo.gb)",
                           &DeclareMenuProgram, &RunMenuProgram});

}  // namespace
