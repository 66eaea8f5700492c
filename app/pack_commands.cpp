#include "app/pack_commands.h"

#include "app/main_window.h"

// The DIZavo list commands of the main window. The rows live in packRows()
// and are shown by packView(); the group box is packGroup(), the buttons
// sendPackButton() and clearPackButton(), the menu item MenuItem(kCmdSavePack).

namespace zorvex::app {

void MainWindow::AddFilesToPack() {}

// Called with the library row under a right click (never -1) and for Space on
// the selected library row. Must set lastInsertedLibraryRow and
// lastInsertedPackRow for the right double click.
void MainWindow::AddLibraryRowToPack(int) {}

// Called with the pack row under a right click (never -1) and for Space with
// the selected pack row, which is -1 when nothing is selected.
void MainWindow::RemovePackRow(int) {}

void MainWindow::ClearPack() {}

void MainWindow::UpdatePackStatus() {}

void MainWindow::SendPack() {}

void MainWindow::SavePack() {}

}  // namespace zorvex::app
