#include "cli/stderr_messages.h"

#include <cstdio>

#include "cli/progress_display.h"

namespace zorvex::cli {

void StderrMessages::ShowMessage(const std::string& text, const std::string& caption) {
    BreakProgressLine();
    // The flash warnings end in a bell and a newline meant for a message box.
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == '\a'))
        line.pop_back();
    if (captions_ == Captions::All || caption == "Warning")
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace zorvex::cli
