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

RomToolContext ToolContext(MainWindow& window) {
    return RomToolContext{window.requester(), window.messages(), window.directories()};
}

}  // namespace

void MainWindow::CutRomCommand() {
    WatchTimerPause pause(*this);
    RomToolContext context = ToolContext(*this);
    zorvex::CutRomCommand(context);
}

void MainWindow::CalculateGbCrcCommand() {
    WatchTimerPause pause(*this);
    RomToolContext context = ToolContext(*this);
    zorvex::CalculateGbCrcCommand(context);
}

void MainWindow::IpsPatchCommand() {
    WatchTimerPause pause(*this);
    RomToolContext context = ToolContext(*this);
    zorvex::IpsPatchCommand(context);
}

}  // namespace zorvex::app
