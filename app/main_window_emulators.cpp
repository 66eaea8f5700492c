#include "app/emulator_state.h"

#include <QAction>
#include <QMenu>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "emulator/emulator_launcher.h"

namespace zorvex::app {

// Builds the table from emu.cfg (relative to the working directory, which is
// current at initialisation) and the "Set &Emulator" pop-up: relabels and
// enables the items of the accepted emulators, removes the others and ticks
// item 0, or greys the whole pop-up when there are none.
void MainWindow::BuildEmulatorMenu() {
    EmulatorTable& table = emulatorState_->table;
    table.Load("emu.cfg", messages());
    emulatorCount = table.emulatorCount();
    currentEmulator = 0;
    if (emulatorCount == 0) {
        // The menu bar opens a pop-up whose own widget is enabled even when
        // its entry is greyed; both are disabled, so it does not open at all.
        emulatorMenu_->setEnabled(false);
        emulatorMenu_->menuAction()->setEnabled(false);
        return;
    }
    for (int k = 0; k < emulatorCount; ++k) {
        if (QAction* item = MenuItem(kCmdEmulator0 + k)) {
            item->setText(QString::fromStdString(table.Entry(k).menuLabel));
            item->setEnabled(true);
        }
    }
    for (int id = kCmdEmulator0 + emulatorCount; id <= kCmdEmulator9; ++id) RemoveItem(id);
    CheckRadioItem(kCmdEmulator0, kCmdEmulator9, kCmdEmulator0);
}

void MainWindow::SelectEmulator(int k) {
    // Only existing items can be chosen; the settings may name any number.
    // A refused choice puts the tick back on the current emulator (none
    // without emulators), since a clicked item has ticked itself already.
    if (!emulatorState_->table.SelectEmulator(k)) {
        const bool haveCurrent = currentEmulator >= 0 && currentEmulator < emulatorCount;
        CheckRadioItem(kCmdEmulator0, kCmdEmulator9,
                       haveCurrent ? kCmdEmulator0 + currentEmulator : -1);
        return;
    }
    currentEmulator = k;
    CheckRadioItem(kCmdEmulator0, kCmdEmulator9, kCmdEmulator0 + k);
}

// Starts emulator n on library row `row` ("Emulator %d not defined!" beyond the table).
void MainWindow::LaunchEmulator(int n, int row) {
    if (row < 0 || row >= libraryRows_.Count()) return;
    EmulatorLauncher launcher(*emulatorState_->processLauncher, messages(), emulatorCopyPath);
    launcher.workingDirectory = directories_.working;
    launcher.readOnlyStart = readOnlyStart;
    launcher.LaunchEmulator(emulatorState_->table, n, libraryRows_.Row(row)[FieldFileName]);
}

}  // namespace zorvex::app
