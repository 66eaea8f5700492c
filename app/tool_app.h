#pragma once

#include "app/ui_prompts.h"
#include "link/card_link.h"

namespace zorvex::app {

// Starts the program once the one card link exists: runs the main window
// modally, and when it closes the process ends. The settings store lives
// under "Halvorn Ltd." and the program's base name.
class ToolApp {
  public:
    // `warnings` is the sink the card link was built with; its boxes are given
    // the main window's current owner.
    ToolApp(CardLink& link, UiPrompts& prompts, GuiThreadMessageSink* warnings = nullptr)
        : link_(link), prompts_(prompts), warnings_(warnings) {}
    // The exit code carries no meaning.
    int Run();

  private:
    CardLink& link_;
    UiPrompts& prompts_;
    GuiThreadMessageSink* warnings_;
};

}  // namespace zorvex::app
