// zorvex-cli dump: reads the card's flash back into a file, the way the verify
// pass reads banks, so an owner can back up what is on the card.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "cli/progress_display.h"
#include "common/file_io.h"
#include "link/card_link.h"

namespace {

constexpr int kPagesPerBank = zorvex::kRomBankSize / 256;

zorvex::cli::CardOptions gOptions;
std::string gOut;
long long gSize = -1;

void DeclareDump(zorvex::cli::Arguments& arguments) {
    arguments.Positional("OUT", gOut, "the file to write");
    arguments.Option("--size", "BYTES", "read only this much (decimal, or hex with 0x)",
                     [](const std::string& value) -> std::string {
                         if (!zorvex::cli::ParseByteCount(value, gSize) || gSize < 1)
                             return "bad size '" + value + "'";
                         return {};
                     });
    zorvex::cli::DeclareCardOptions(arguments, gOptions);
}

int RunDump() {
    zorvex::cli::CardSession session(gOptions);
    if (!session) return 1;
    zorvex::CardLink& link = session.link();
    zorvex::CardOperation operation(link.bus());
    const zorvex::Detection found = link.DetectCard();
    if (found.result != 0) {
        session.messages.ShowMessage(found.text, "Error");
        return 1;
    }
    const int32_t capacity = found.card.capacity();
    const long long size = gSize < 0 ? capacity : gSize;
    if (size > capacity) {
        link.ReleaseCard();
        session.messages.ShowMessage(
            zorvex::Format("Can't read %lld bytes from a card of %d bytes", size, capacity),
            "Error");
        return 1;
    }
    const int banks = static_cast<int>((size + zorvex::kRomBankSize - 1) / zorvex::kRomBankSize);
    std::vector<uint8_t> flash(static_cast<size_t>(banks) * zorvex::kRomBankSize);
    zorvex::cli::ProgressDisplay progress(size);
    for (int b = 0; b < banks; ++b) {
        const int64_t done = std::min<int64_t>(int64_t{b} * zorvex::kRomBankSize, size);
        progress.Show("read", done, size, done);
        link.ReadRomPages(b, flash.data() + static_cast<size_t>(b) * zorvex::kRomBankSize,
                          kPagesPerBank);
    }
    link.ReleaseCard();
    const bool written = zorvex::WriteWholeFile(gOut, flash.data(), static_cast<size_t>(size),
                                                false, session.messages);
    progress.Finish(written, "read", "read", size);
    return written ? 0 : 1;
}

const bool registered = zorvex::cli::Register(
    {"dump", "read the card's flash into OUT (all of it unless --size)", &DeclareDump, &RunDump});

}  // namespace
