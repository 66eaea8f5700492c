#include "app/main_window.h"
#include "app/savegame_manager.h"
#include "app/ui_prompts.h"

namespace zorvex::app {

// The main window's "SaveGame &Manager" command.
void MainWindow::OpenSavegameManager() {
    WatchTimerPause pause(*this);
    SavegameManager manager(this, link(), prompts(), directories());
    prompts().RunModal(manager);
}

}  // namespace zorvex::app
