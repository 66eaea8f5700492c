#include <QApplication>
#include <QIcon>

#include "app/pictures.h"
#include "app/tool_app.h"
#include "app/ui_prompts.h"
#include "common/working_directory.h"
#include "emulator/emulator_config_template.h"
#include "ports/link_factory.h"

int main(int argc, char** argv) {
    // Every relative path of the run resolves against this directory, so it is
    // settled before anything else.
    const zorvex::StartPlace place = zorvex::CurrentStartPlace(argc, argv);
    const std::string workingDirectory = zorvex::ChooseWorkingDirectory(place);
    std::string directoryProblem;
    if (workingDirectory != place.currentDirectory &&
        zorvex::EnterWorkingDirectory(workingDirectory, directoryProblem)) {
        // The data folder of a desktop start: a commented emu.cfg tells the
        // owner how to add an emulator, instead of "Can't open emu.cfg".
        zorvex::WriteEmulatorConfigTemplate("emu.cfg");
    }

    QApplication application(argc, argv);
    zorvex::app::RegisterPictures();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zorvex/icon.png")));

    zorvex::app::DesktopPrompts prompts;
    // Without its own directory the run goes on where it was started; the main
    // window's write test then tells whether that place is usable.
    if (!directoryProblem.empty()) prompts.ShowMessage(nullptr, directoryProblem, "Error");
    // The card link's "Warning" boxes may come from the transfer worker; this
    // sink shows them on the GUI thread, owned by the window in front.
    zorvex::app::GuiThreadMessageSink warnings(&prompts);
    // The one card link of the run, fully built before any window exists.
    std::unique_ptr<zorvex::LinkRuntime> runtime = zorvex::CreateLinkRuntime(warnings);
    if (!runtime->messageText.empty()) prompts.ShowMessage(nullptr, runtime->messageText, "ERROR");
    // A platform whose ports cannot be driven says so once, before any
    // detection fails for that reason.
    if (!runtime->platformNote.empty())
        prompts.ShowMessage(nullptr, runtime->platformNote, "Warning");
    return zorvex::app::ToolApp(*runtime->link, prompts, &warnings).Run();
}
