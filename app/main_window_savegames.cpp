#include "app/main_window.h"
#include "app/savegame_manager.h"
#include "app/ui_prompts.h"

namespace zorvex::app {

// The main window's "SaveGame &Manager" command.
void MainWindow::OpenSavegameManager() {
    WatchTimerPause pause(*this);
    SavegameManager manager(this, link(), saveRam_, monitor_.cancel, prompts(), directories());
    // Only the slots the card has are shown; without a card all sixteen are,
    // and the first card operation says why it cannot reach one.
    {
        CardOperation operation(link().bus());
        const Detection opened = link().OpenCard();
        if (opened.result == 0 && opened.card.saveBanks() > 0) {
            manager.slotState().SetCardSlots(opened.card.saveBanks());
            link().ReleaseCard();
        }
    }
    manager.SetResultSink([this](const std::string& text) { ShowResult(text); });
    prompts().RunModal(manager);
}

}  // namespace zorvex::app
