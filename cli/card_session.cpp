#include "cli/card_session.h"

#include <cstdio>
#include <cstdlib>

#include "common/file_io.h"
#include "link/card_link.h"

namespace zorvex::cli {

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

CardSession::CardSession(const CardOptions& options) {
    auto made = CreateLinkRuntime(messages);
    if (!made || !made->link) {
        messages.ShowMessage("no card link", "Error");
        return;
    }
    if (!made->messageText.empty()) {
        messages.ShowMessage(made->messageText, "Error");
        return;
    }
    CardLink& link = *made->link;
    if (options.mode >= 0) link.SetTransferMode(static_cast<uint8_t>(options.mode));
    if (options.port != 0) {
        // A port the machine does not have is reported the way detection
        // reports a port without a card, instead of quietly using another.
        if (link.PortBase(options.port) == 0) {
            messages.ShowMessage(Format("Could not detect Ombra Card on Port %d", options.port),
                                 "Error");
            return;
        }
        link.ChoosePort(options.port);
    }
    runtime = std::move(made);
}

bool ParseByteCount(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    return *end == '\0' && value >= 0 && text[0] != '-' && text[0] != '+';
}

}  // namespace zorvex::cli
