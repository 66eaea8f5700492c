#include "cli/card_session.h"

#include <cstdio>
#include <cstdlib>

#include "cli/progress_display.h"
#include "common/file_io.h"
#include "link/card_link.h"

namespace zorvex::cli {

void StderrMessages::ShowMessage(const std::string& text, const std::string& caption) {
    BreakProgressLine();
    // The flash warnings end in a bell and a newline meant for a message box.
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == '\a'))
        line.pop_back();
    if (caption == "Warning")
        std::fprintf(stderr, "Warning: %s\n", line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

void DeclareCardOptions(Arguments& arguments, CardOptions& options) {
    arguments.Option("--port", "N", "use only LPT N (1..8) instead of every port in turn",
                     [&options](const std::string& value) -> std::string {
                         char* end = nullptr;
                         const long n = std::strtol(value.c_str(), &end, 10);
                         if (value.empty() || *end != '\0' || n < 1 || n > 8)
                             return "needs an LPT number 1..8, got '" + value + "'";
                         options.port = static_cast<int>(n);
                         return {};
                     });
    arguments.Option("--mode", "auto|spp|epp", "transfer mode (default auto: EPP where it works)",
                     [&options](const std::string& value) -> std::string {
                         if (value == "auto")
                             options.mode = TransferAuto;
                         else if (value == "spp")
                             options.mode = TransferSpp;
                         else if (value == "epp")
                             options.mode = TransferEpp;
                         else
                             return "needs auto, spp or epp, got '" + value + "'";
                         return {};
                     });
}

std::unique_ptr<LinkRuntime> OpenCardRuntime(const CardOptions& options, MessageSink& messages) {
    auto runtime = CreateLinkRuntime(messages);
    if (!runtime || !runtime->link) {
        messages.ShowMessage("no card link", "Error");
        return nullptr;
    }
    if (!runtime->messageText.empty()) {
        messages.ShowMessage(runtime->messageText, "Error");
        return nullptr;
    }
    CardLink& link = *runtime->link;
    if (options.mode >= 0) link.transferMode = static_cast<uint8_t>(options.mode);
    if (options.port != 0) {
        link.scanAllPorts = false;
        // A port the machine does not have is reported the way detection
        // reports a port without a card, instead of quietly using another.
        if (options.port > link.portCount ||
            link.portTable[static_cast<size_t>(options.port)] == 0) {
            messages.ShowMessage(Format("Could not detect Ombra Card on Port %d", options.port),
                                 "Error");
            return nullptr;
        }
        link.SelectPort(options.port);
    }
    return runtime;
}

bool ParseByteCount(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    return *end == '\0' && value >= 0 && text[0] != '-' && text[0] != '+';
}

}  // namespace zorvex::cli
