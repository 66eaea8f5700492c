#pragma once

#include <string>

#include "common/file_requester.h"
#include "common/message_sink.h"

namespace zorvex {

// What the ROM tool commands need of the main window. The window keeps its
// watch timer stopped around the whole command, requesters included.
struct RomToolContext {
    FileRequester& requester;
    MessageSink& sink;
    // Requesters open in dirs.requester, which follows the user's choices;
    // dirs.working, against which the library paths stay, is not changed.
    RequesterDirectories& dirs;
    // Receives the path of the file the command wrote, when it wrote one.
    std::string* written = nullptr;
};

}  // namespace zorvex
