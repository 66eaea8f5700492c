#include <QAction>

#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/settings_store.h"

namespace zorvex::app {

// The four settings are read once, at the end of initialisation (the Port menu
// and the emulator table exist by then, so the clamps can use their counts),
// and written once, at shutdown. Several are held as bytes, so only the low
// 8 bits of a stored value take effect.
void MainWindow::ReadSettings() {
    deepVerifyByte_ = static_cast<uint8_t>(settings_->ReadInt("FILE", "DEEPVERIFY", 0));
    deepVerify_ = deepVerifyByte_ != 0;
    if (QAction* item = MenuItem(kCmdDeepVerify)) item->setChecked(deepVerify_);
    skipUnchanged_ = settings_->ReadInt("FILE", "SKIPUNCHANGED", 0) != 0;
    if (QAction* item = MenuItem(kCmdSkipUnchanged)) item->setChecked(skipUnchanged_);

    // Values other than 0-2 are kept and handed on as they are; the menu then
    // keeps its tick on "&Auto SPP/EPP".
    link_.SetTransferMode(static_cast<uint8_t>(settings_->ReadInt("PORT", "SPPEPP", 0)));
    if (link_.TransferMode() <= TransferEpp)
        CheckRadioItem(kCmdAutoSppEpp, kCmdEpp, kCmdAutoSppEpp + link_.TransferMode());

    // Read after SPPEPP, so the port chosen is probed in the mode just read.
    // 0 scans every port (the registers stay those of port 1); a port the
    // machine does not have becomes port 1, also on a machine without ports.
    const int port = static_cast<uint8_t>(settings_->ReadInt("PORT", "PORTNUM", 0));
    link_.ChoosePort(port);
    CheckRadioItem(kCmdAutoPort, kCmdAutoPort + link_.PortCount(),
                   kCmdAutoPort + link_.ChosenPort());

    currentEmulator = settings_->ReadInt("EMULATOR", "ACEMU", 0);
    if (currentEmulator < 0 || currentEmulator >= emulatorCount) currentEmulator = 0;
    CheckRadioItem(kCmdEmulator0, kCmdEmulator9, kCmdEmulator0 + currentEmulator);
    SelectEmulator(currentEmulator);

    // Where the owner left the window; a place off every screen of this run
    // is moved back onto one.
    const QByteArray geometry = settings_->ReadBytes("WINDOW", "GEOMETRY");
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    settingsRead_ = true;
}

void MainWindow::WriteSettings() {
    // A value read as 5 is still 5 if Deep Verify was not toggled since.
    const int deepVerify = deepVerify_ ? (deepVerifyByte_ != 0 ? deepVerifyByte_ : 1) : 0;
    settings_->WriteInt("FILE", "DEEPVERIFY", deepVerify);
    settings_->WriteInt("FILE", "SKIPUNCHANGED", skipUnchanged_ ? 1 : 0);
    settings_->WriteInt("PORT", "SPPEPP", static_cast<int8_t>(link_.TransferMode()));
    settings_->WriteInt("PORT", "PORTNUM", link_.ChosenPort());
    settings_->WriteInt("EMULATOR", "ACEMU", currentEmulator);
    settings_->WriteBytes("WINDOW", "GEOMETRY", saveGeometry());
    settings_->Sync();
}

}  // namespace zorvex::app
