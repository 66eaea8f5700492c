// zorvex-cli ips SRC PATCH DST: applies an IPS patch to SRC (a plain image or
// the ROM inside a .zip) and writes the patched image.
#include <cstdio>
#include <string>

#include "cli/cli_command.h"
#include "cli/stderr_messages.h"
#include "rom/tools/ips_patch_command.h"

namespace {

std::string gSource, gPatch, gDestination;

void DeclareIps(zorvex::cli::Arguments& arguments) {
    arguments.Positional("SRC", gSource, "a ROM image, or a .zip holding one");
    arguments.Positional("PATCH", gPatch, "the IPS patch");
    arguments.Positional("DST", gDestination, "the patched image to write");
}

int RunIps() {
    zorvex::cli::StderrMessages sink;
    return zorvex::IpsPatchFile(gSource, gPatch, gDestination, sink) ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"ips", "apply an IPS patch to SRC and write the result", &DeclareIps, &RunIps});

}  // namespace
