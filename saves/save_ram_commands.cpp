#include "saves/save_ram_commands.h"

#include <cstring>

#include "common/file_io.h"
#include "saves/savegame_operations.h"

namespace zorvex {

namespace {

// Answers every requester with one path.
class FixedFileRequester final : public FileRequester {
  public:
    explicit FixedFileRequester(std::string path) : path_(std::move(path)) {}
    std::vector<std::string> Ask(const FileRequest&) override { return {path_}; }

  private:
    std::string path_;
};

// Passes messages on and remembers that there was one.
class CountingSink final : public MessageSink {
  public:
    explicit CountingSink(MessageSink& target) : target_(target) {}
    void ShowMessage(const std::string& text, const std::string& caption) override {
        ++count;
        target_.ShowMessage(text, caption);
    }
    int count = 0;

  private:
    MessageSink& target_;
};

// The manager's bar counts in two ways: the whole-image transfers set a slot's
// position before moving it (range 0..n-1), the selected-slot ones after
// (range 0..n). Both are passed on as slots done of slots moved; the slot
// whose position was set last has been moved by the time the bar closes.
class SlotCounter final : public ProgressSink {
  public:
    explicit SlotCounter(SlotProgress* target) : target_(target) {}
    // Set before each transfer.
    bool toCard = false;
    bool positionBeforeSlot = false;

    bool Open() override { return true; }
    void SetCaption(const std::string&) override {}
    void SetRange(int low, int high) override {
        low_ = low;
        high_ = high;
    }
    void SetPos(int pos) override {
        position_ = pos;
        Tell(pos - low_);
    }
    void PumpMessages() override {}
    void Close() override {
        if (positionBeforeSlot && position_ >= low_) Tell(position_ - low_ + 1);
        position_ = -1;
    }

  private:
    void Tell(int done) {
        if (target_) target_->Slots(toCard, done, high_ - low_ + (positionBeforeSlot ? 1 : 0));
    }

    SlotProgress* target_;
    int low_ = 0, high_ = 0;
    int position_ = -1;
};

// One windowless run of the manager's operations.
struct Session {
    Session(CardLink& link, const std::string& path, MessageSink& messages,
            SlotProgress* slotProgress = nullptr)
        : sink(messages),
          requester(path),
          progress(slotProgress),
          operations(link, slots, sink, requester, directories, progress) {}
    bool Clean() const { return sink.count == 0; }
    void Count(bool toCard, bool wholeImage) {
        progress.toCard = toCard;
        progress.positionBeforeSlot = wholeImage;
    }

    CountingSink sink;
    FixedFileRequester requester;
    RequesterDirectories directories;
    SlotCounter progress;
    SlotList slots;
    SavegameOperations operations;
};

std::optional<int> ParseNumber(const std::string& text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value >= kSlotCount) return std::nullopt;
    return value;
}

std::vector<int> NamedRows(const SlotList& slots) {
    std::vector<int> rows;
    for (int row = 0; row < kSlotCount; ++row)
        if (!slots.Item(row, SlotColumnFileName).empty()) rows.push_back(row);
    return rows;
}

}  // namespace

std::optional<int> ParseSlot(const std::string& text) {
    return ParseNumber(text);
}

std::optional<SlotRange> ParseSlotRange(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) {
        auto slot = ParseNumber(text);
        if (!slot) return std::nullopt;
        return SlotRange{*slot, *slot};
    }
    auto first = ParseNumber(text.substr(0, dash));
    auto last = ParseNumber(text.substr(dash + 1));
    if (!first || !last || *first > *last) return std::nullopt;
    return SlotRange{*first, *last};
}

bool ReadSaveRamToFile(CardLink& link, const std::string& path, std::optional<SlotRange> slots,
                       MessageSink& messages, SlotProgress* progress) {
    Session session(link, path, messages, progress);
    auto& ops = session.operations;
    session.Count(false, !slots);
    if (!slots) {
        if (!ops.SramToPc() || !session.Clean()) return false;
        return ops.SaveSram() && session.Clean();
    }
    session.slots.SelectRange(slots->first, slots->last);
    // Rows beyond the card would be saved from whatever the image held there.
    if (!ops.SlotsToPc() || !session.Clean()) return false;
    return ops.SaveSlots() && session.Clean();
}

bool WriteSaveRamFromFile(CardLink& link, const std::string& path, std::optional<int> startSlot,
                          MessageSink& messages, SlotProgress* progress) {
    Session session(link, path, messages, progress);
    auto& ops = session.operations;
    if (startSlot) {
        session.slots.SelectRange(*startSlot, *startSlot);
        if (!ops.LoadSlots() || !session.Clean()) return false;
    } else {
        if (!ops.LoadSram() || !session.Clean()) return false;
    }
    const std::vector<int> rows = NamedRows(session.slots);
    if (rows.size() == static_cast<size_t>(kSlotCount)) {
        session.Count(true, true);
        return ops.PcToSram() && session.Clean();
    }
    session.Count(true, false);
    session.slots.ClearSelection();
    for (int row : rows) session.slots.Select(row);
    return ops.PcToSlots() && session.Clean();
}

bool ScanCardSlots(CardLink& link, MessageSink& messages, std::vector<std::string>& lines) {
    Session session(link, std::string(), messages);
    if (!session.operations.ScanRomCommand() || !session.Clean()) return false;
    for (int row = 0; row < link.slotNameCount && row < kSlotCount; ++row) {
        const auto& name = link.slotNames[static_cast<size_t>(row)];
        lines.push_back(
            Format("Slot %02d %s", row,
                   std::string(name.data(), strnlen(name.data(), name.size())).c_str()));
    }
    return true;
}

}  // namespace zorvex
