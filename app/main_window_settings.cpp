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
    link_.deepVerify = deepVerifyByte_ != 0;
    if (QAction* item = MenuItem(kCmdDeepVerify)) item->setChecked(link_.deepVerify);

    // Values other than 0-2 are kept and handed on as they are; the menu then
    // keeps its tick on "&Auto SPP/EPP".
    link_.transferMode = static_cast<uint8_t>(settings_->ReadInt("PORT", "SPPEPP", 0));
    if (link_.transferMode <= TransferEpp)
        CheckRadioItem(kCmdAutoSppEpp, kCmdEpp, kCmdAutoSppEpp + link_.transferMode);

    // Read after SPPEPP, so SelectPort probes in the mode just read.
    link_.currentPortIndex = static_cast<uint8_t>(settings_->ReadInt("PORT", "PORTNUM", 0));
    if (link_.currentPortIndex == 0) {
        link_.scanAllPorts = true;  // the registers stay those of port 1
    } else {
        link_.scanAllPorts = false;
        if (link_.currentPortIndex > link_.portCount) link_.currentPortIndex = 1;
        link_.SelectPort(link_.currentPortIndex);
    }
    CheckRadioItem(kCmdAutoPort, kCmdAutoPort + link_.portCount,
                   kCmdAutoPort + link_.currentPortIndex);

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
    const int deepVerify = link_.deepVerify ? (deepVerifyByte_ != 0 ? deepVerifyByte_ : 1) : 0;
    settings_->WriteInt("FILE", "DEEPVERIFY", deepVerify);
    settings_->WriteInt("PORT", "SPPEPP", static_cast<int8_t>(link_.transferMode));
    settings_->WriteInt("PORT", "PORTNUM", link_.scanAllPorts ? 0 : link_.currentPortIndex);
    settings_->WriteInt("EMULATOR", "ACEMU", currentEmulator);
    settings_->WriteBytes("WINDOW", "GEOMETRY", saveGeometry());
    settings_->Sync();
}

}  // namespace zorvex::app
