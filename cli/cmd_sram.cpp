// zorvex-cli sram-read / sram-write: save RAM between the card that detection
// finds and a file, moved as the Savegame Manager moves it.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/card_session.h"
#include "cli/cli_command.h"
#include "cli/progress_display.h"
#include "saves/save_ram_commands.h"

namespace {

// The transfer's slots on the progress line. How many slots a transfer moves
// is known only once it starts (the card's size, the file's), so the display
// is made at the first report.
class SlotLine final : public zorvex::SlotProgress {
  public:
    void Slots(bool toCard, int done, int total) override {
        if (!display_) display_.emplace(int64_t{total} * zorvex::kSramBankSize);
        bytes_ = int64_t{total} * zorvex::kSramBankSize;
        toCard_ = toCard;
        const int64_t moved = int64_t{done} * zorvex::kSramBankSize;
        display_->Show(toCard ? "write" : "read", moved, bytes_, moved);
    }
    void Finish(bool ok) {
        if (display_)
            display_->Finish(ok, toCard_ ? "write" : "read", toCard_ ? "written" : "read", bytes_);
    }

  private:
    std::optional<zorvex::cli::ProgressDisplay> display_;
    int64_t bytes_ = 0;
    bool toCard_ = false;
};

std::optional<zorvex::SlotRange> gSlots;
std::string gOut;

void DeclareSramRead(zorvex::cli::Arguments& arguments) {
    arguments.Positional("OUT", gOut, "the save file to write");
    arguments.Option("--slots", "FIRST-LAST", "only these slots (0..15), e.g. 2-3 or 5",
                     [](const std::string& value) -> std::string {
                         gSlots = zorvex::ParseSlotRange(value);
                         return gSlots ? "" : "bad slot range '" + value + "'";
                     });
}

int RunSramRead() {
    zorvex::cli::CardSession session;
    if (!session) return 1;
    SlotLine line;
    const bool ok =
        zorvex::ReadSaveRamToFile(session.link(), gOut, gSlots, session.messages, &line);
    line.Finish(ok);
    return ok ? 0 : 1;
}

std::optional<int> gStart;
std::string gIn;

void DeclareSramWrite(zorvex::cli::Arguments& arguments) {
    arguments.Positional("IN", gIn, "the save file to write to the card");
    arguments.Option("--start", "SLOT", "write the file's slots from this slot (0..15) on",
                     [](const std::string& value) -> std::string {
                         gStart = zorvex::ParseSlot(value);
                         return gStart ? "" : "bad slot '" + value + "'";
                     });
}

int RunSramWrite() {
    zorvex::cli::CardSession session;
    if (!session) return 1;
    SlotLine line;
    const bool ok =
        zorvex::WriteSaveRamFromFile(session.link(), gIn, gStart, session.messages, &line);
    line.Finish(ok);
    return ok ? 0 : 1;
}

const bool registeredRead =
    zorvex::cli::Register({"sram-read", "save the card's save RAM (or some slots) to OUT",
                           &DeclareSramRead, &RunSramRead});
const bool registeredWrite = zorvex::cli::Register(
    {"sram-write", "write a save file to the card's save RAM", &DeclareSramWrite, &RunSramWrite});

}  // namespace
