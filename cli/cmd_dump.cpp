// zorvex-cli dump: reads the card's flash back into a file, the way the verify
// pass reads banks, so an owner can back up what is on the card.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "common/file_io.h"
#include "link/card_link.h"

namespace {

constexpr char kUsage[] =
    "usage: zorvex-cli dump OUT [--size BYTES] [--port N] [--mode auto|spp|epp]\n";
constexpr int kPagesPerBank = zorvex::kRomBankSize / 256;

int RunDump(const std::vector<std::string>& args) {
    zorvex::cli::CardOptions options;
    std::string out;
    long long size = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const int taken = zorvex::cli::TakeCardOption(args, i, options, "dump");
        if (taken < 0) return 2;
        if (taken > 0) continue;
        if (args[i] == "--size" && i + 1 < args.size()) {
            if (!zorvex::cli::ParseByteCount(args[++i], size) || size < 1) {
                std::fprintf(stderr, "zorvex-cli dump: bad size '%s'\n", args[i].c_str());
                return 2;
            }
        } else if (out.empty() && args[i].rfind("--", 0) != 0) {
            out = args[i];
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (out.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    zorvex::cli::StderrMessages messages;
    auto runtime = zorvex::cli::OpenCardRuntime(options, messages);
    if (!runtime) return 1;
    zorvex::CardLink& link = *runtime->link;
    zorvex::CardOperation operation(link);
    if (link.DetectCard() != 0) {
        messages.ShowMessage(link.messageText, "Error");
        return 1;
    }
    if (size < 0) size = link.capacity;
    if (size > link.capacity) {
        link.ReleaseCard();
        messages.ShowMessage(zorvex::Format("Can't read %lld bytes from a card of %d bytes", size,
                                            static_cast<int>(link.capacity)),
                             "Error");
        return 1;
    }
    const int banks = static_cast<int>((size + zorvex::kRomBankSize - 1) / zorvex::kRomBankSize);
    std::vector<uint8_t> flash(static_cast<size_t>(banks) * zorvex::kRomBankSize);
    for (int b = 0; b < banks; ++b)
        link.ReadRomPages(b, flash.data() + static_cast<size_t>(b) * zorvex::kRomBankSize,
                          kPagesPerBank);
    link.ReleaseCard();
    return zorvex::WriteWholeFile(out, flash.data(), static_cast<size_t>(size), false, messages)
               ? 0
               : 1;
}

const bool registered = zorvex::cli::Register(
    {"dump",
     "dump OUT [--size BYTES] [--port N] [--mode auto|spp|epp]   read the card's flash "
     "into OUT (the whole card unless --size)",
     &RunDump});

}  // namespace
