#include "app/main_window.h"
#include "rom/tools/calculate_gb_crc_command.h"
#include "rom/tools/cut_rom_command.h"
#include "rom/tools/ips_patch_command.h"

// The ROM tools of the File menu. Each runs with the watch timer stopped and
// started again with 1000 ms at its end; each file requester opens in the
// requester directory and leaves relative paths resolving against the
// working directory.

namespace zorvex::app {

namespace {

RomToolContext ToolContext(MainWindow& window, std::string& written) {
    return RomToolContext{window.requester(), window.messages(), window.directories(), &written};
}

// The result line of a tool: the file it wrote, or that it wrote none (its
// messages have said why, or the owner cancelled a requester).
std::string ToolResult(const char* tool, bool ok, const std::string& written) {
    return ok ? std::string(tool) + ": wrote " + written : std::string(tool) + ": nothing written";
}

}  // namespace

void MainWindow::CutRomCommand() {
    WatchTimerPause pause(*this);
    std::string written;
    RomToolContext context = ToolContext(*this, written);
    ShowResult(ToolResult("Cut Rom", zorvex::CutRomCommand(context), written));
}

void MainWindow::CalculateGbCrcCommand() {
    WatchTimerPause pause(*this);
    std::string written;
    RomToolContext context = ToolContext(*this, written);
    ShowResult(ToolResult("GB-CRC", zorvex::CalculateGbCrcCommand(context), written));
}

void MainWindow::IpsPatchCommand() {
    WatchTimerPause pause(*this);
    std::string written;
    RomToolContext context = ToolContext(*this, written);
    ShowResult(ToolResult("IPS Patch", zorvex::IpsPatchCommand(context), written));
}

}  // namespace zorvex::app
