#include <QAction>
#include <QGroupBox>
#include <QPushButton>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "library/rom_entry_format.h"
#include "library/rom_scan.h"
#include "pack/pack_builder.h"
#include "pack/pack_list.h"
#include "pack/pack_status.h"

// The DIZavo list commands of the main window. The rows live in packRows()
// and are shown by packView(); the group box is packGroup(), the buttons
// sendPackButton() and clearPackButton(), the menu item MenuItem(kCmdSavePack).

namespace zorvex::app {

namespace {

// The build pauses the watch timer itself, so that a rescan cannot run while
// the progress window pumps messages between members.
PackBuildUi BuildUi(MainWindow& window) {
    return PackBuildUi{window.messages(), window.progress(), window.monitor().cancel,
                       [&window] { window.KillTimer(kWatchTimerId); },
                       [&window] { window.SetTimer(kWatchTimerId, kWatchTimerPeriod); }};
}

}  // namespace

void MainWindow::AddFilesToPack() {
    std::vector<std::string> chosen = AskFiles(AddToPackRequest());
    if (chosen.empty()) return;
    for (const std::string& path : chosen) AddRomFile(path, packRows_, true, messages_);
    UpdatePackStatus();
}

// Called with the library row under a right click (never -1) and for Space on
// the selected library row.
void MainWindow::AddLibraryRowToPack(int row) {
    if (row < 0 || row >= libraryRows_.Count()) return;
    PackInsertion insertion{lastInsertedLibraryRow, lastInsertedPackRow};
    zorvex::AddLibraryRowToPack(libraryRows_, row, packRows_, insertion, messages_);
    lastInsertedLibraryRow = insertion.lastInsertedLibraryRow;
    lastInsertedPackRow = insertion.lastInsertedPackRow;
    UpdatePackStatus();
}

// Called with the pack row under a right click (never -1) and for Space with
// the selected pack row, which is -1 when nothing is selected; the status is
// refreshed in both cases.
void MainWindow::RemovePackRow(int row) {
    zorvex::RemovePackRow(packRows_, row);
    UpdatePackStatus();
}

void MainWindow::ClearPack() {
    zorvex::ClearPack(packRows_);
    UpdatePackStatus();
}

void MainWindow::UpdatePackStatus() {
    const PackStatus status = zorvex::UpdatePackStatus(packRows_);
    packGroup_->setTitle(QString::fromStdString(status.caption));
    sendPackButton_->setEnabled(status.sendEnabled);
    clearPackButton_->setEnabled(status.clearEnabled);
    if (QAction* save = MenuItem(kCmdSavePack)) save->setEnabled(status.saveEnabled);
}

void MainWindow::SendPack() {
    PackBuildUi ui = BuildUi(*this);
    // The card is checked against the pack's save banks as well as its size
    // before anything is erased.
    SendNeeds needs;
    needs.name = "DIZavo";
    needs.saveBanks = zorvex::UpdatePackStatus(packRows_).packBanks;
    zorvex::SendPack(packTempPath, packRows_, ui,
                     [this, needs](const std::string& path) { StartTransferJob(path, needs); });
}

void MainWindow::SavePack() {
    // The requester puts the working directory back before anything is built,
    // so "dizavo.gb" and "roms/" paths resolve as usual.
    std::vector<std::string> chosen = AskFiles(SavePackRequest());
    if (chosen.empty()) return;
    // A name typed without an extension gets the one the filter shows.
    std::string path = chosen.front();
    if (FileNameOf(path).find('.') == std::string::npos) path += ".gb";
    PackBuildUi ui = BuildUi(*this);
    if (BuildPack(path, packRows_, ui)) savedPack_ = packRows_.Snapshot();
}

}  // namespace zorvex::app
