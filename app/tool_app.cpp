#include "app/tool_app.h"

#include "app/main_window.h"

namespace zorvex::app {

int ToolApp::Run() {
    MainWindow window(link_, prompts_);
    if (warnings_) warnings_->SetOwnerProvider([&window] { return window.MessageOwner(); });
    if (window.Initialise()) window.exec();
    if (warnings_) warnings_->SetOwnerProvider(nullptr);
    return 0;
}

}  // namespace zorvex::app
