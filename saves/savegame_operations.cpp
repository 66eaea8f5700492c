#include "saves/savegame_operations.h"

#include <algorithm>
#include <cstring>

#include "common/file_io.h"
#include "saves/pack_scan.h"

namespace zorvex {

namespace {

constexpr char kAllFiles[] = "All Files (*.*)|*.*||";

const char* Caption(bool toImage) {
    return toImage ? "SRam -> PC" : "PC -> SRam";
}

// Marks the operations as running for the lifetime of one call.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy), entered_(!busy) { busy_ = true; }
    ~BusyScope() {
        if (entered_) busy_ = false;
    }
    bool entered() const { return entered_; }

  private:
    bool& busy_;
    bool entered_;
};

}  // namespace

SavegameOperations::SavegameOperations(CardLink& link, SlotList& slots, MessageSink& messages,
                                       FileRequester& requester, RequesterDirectories& directories,
                                       ProgressSink& progress)
    : link_(link),
      slots_(slots),
      messages_(messages),
      requester_(requester),
      directories_(directories),
      progress_(progress) {}

void SavegameOperations::Error(const std::string& text) {
    messages_.ShowMessage(text, "Error");
}

void SavegameOperations::Result(const std::string& text) {
    if (resultSink_) resultSink_(text);
}

int SavegameOperations::OpenCard() {
    const int opened = link_.OpenCard();
    if (opened > 0) slots_.SetCardSlots(std::min(opened, kSlotCount));
    return opened;
}

void SavegameOperations::ForgetFileNames(const std::vector<int>& rows) {
    for (int row : rows) slots_.SetItem(row, SlotColumnFileName, "");
}

// "slot 3", "slots 4 to 15", "slots 2, 5 and 9"
static std::string SlotsText(const std::vector<int>& rows) {
    if (rows.size() == 1) return Format("slot %d", rows.front());
    bool consecutive = true;
    for (size_t i = 1; i < rows.size(); ++i) consecutive &= rows[i] == rows[i - 1] + 1;
    if (consecutive) return Format("slots %d to %d", rows.front(), rows.back());
    std::string text = "slots";
    for (size_t i = 0; i < rows.size(); ++i)
        text += (i == 0 ? " " : i + 1 == rows.size() ? " and " : ", ") + std::to_string(rows[i]);
    return text;
}

bool SavegameOperations::SramToPc() {
    return TransferAll(Direction::CardToImage);
}
bool SavegameOperations::PcToSram() {
    return TransferAll(Direction::ImageToCard);
}
bool SavegameOperations::SlotsToPc() {
    return TransferSelected(Direction::CardToImage);
}
bool SavegameOperations::PcToSlots() {
    return TransferSelected(Direction::ImageToCard);
}

bool SavegameOperations::TransferAll(Direction direction) {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    CardOperation operation(link_);  // the port is held once for every bank
    const int opened = OpenCard();
    if (opened <= 0) {
        Error(link_.messageText);
        Result("Save RAM not moved: " + link_.messageText.substr(0, link_.messageText.find('\n')));
        return false;
    }
    // The image holds 16 banks; never address one beyond it.
    const int slots = std::min(opened, kSlotCount);
    const bool toImage = direction == Direction::CardToImage;
    progress_.Open();
    progress_.SetCaption(Caption(toImage));
    progress_.SetRange(0, slots - 1);
    link_.cancelRequested = false;
    bool cancelled = false;
    std::vector<int> moved;
    const std::string what = "Save RAM, the card on " + link_.CardText();
    for (int slot = 0; slot < slots; ++slot) {
        progress_.PumpMessages();
        progress_.SetPos(slot);
        progress_.SetDetails(what,
                             Format("%s %s, %d of %d", toImage ? "Reading" : "Writing",
                                    SlotRowLabel(slot).c_str(), slot + 1, slots),
                             "");
        if (toImage)
            link_.ReadSramBank(slot);
        else
            link_.WriteSramBank(slot);
        moved.push_back(slot);
        if (link_.cancelRequested) {
            cancelled = true;
            break;
        }
    }
    progress_.Close();
    const std::string card = "the card on " + link_.CardText();
    if (toImage) {
        ForgetFileNames(moved);
        Result(Format("%d of %d slots read from ", static_cast<int>(moved.size()), slots) + card +
               (cancelled ? " (cancelled)" : ""));
        return !cancelled;
    }
    Result(Format("%d of %d slots written to ", static_cast<int>(moved.size()), slots) + card +
           (cancelled ? " (cancelled: the card holds a mix of old and new save RAM)" : ""));
    // Slots the image holds from a file but the card has no room for. A blank
    // slot (one byte value throughout) is no loss: a whole-image file saved
    // from a smaller card carries such slots beyond the card's own.
    std::vector<int> lost;
    for (int row = slots; row < kSlotCount; ++row) {
        const uint8_t* slot = link_.sramImage.data() + row * kSlotSize;
        const bool blank =
            std::all_of(slot, slot + kSlotSize, [&](uint8_t b) { return b == *slot; });
        if (!blank && !slots_.Item(row, SlotColumnFileName).empty()) lost.push_back(row);
    }
    if (!cancelled && !lost.empty()) {
        Error("The card has only " + Format("%d Slots: ", slots) + SlotsText(lost) + " of " +
              slots_.Item(lost.front(), SlotColumnFileName) + " did not fit and were not written.");
        return false;
    }
    return !cancelled;
}

bool SavegameOperations::TransferSelected(Direction direction) {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    CardOperation operation(link_);  // the port is held once for every slot
    const int slots = OpenCard();
    if (slots <= 0) {
        Error(link_.messageText);
        Result("Save RAM not moved: " + link_.messageText.substr(0, link_.messageText.find('\n')));
        return false;
    }
    const std::vector<int> rows = slots_.SelectedRows();
    if (rows.empty()) {
        Error("You must select at least 1 Slot !!");
        return false;
    }
    const bool toImage = direction == Direction::CardToImage;
    progress_.Open();
    progress_.SetCaption(Caption(toImage));
    // One step per row: the range 0..m is never empty (a single row would make
    // 0..m-1 empty) and the bar ends exactly at its top after the last row.
    const int total = static_cast<int>(rows.size());
    progress_.SetRange(0, total);
    progress_.SetPos(0);
    link_.cancelRequested = false;
    bool allWritten = true;
    int done = 0;
    std::vector<int> moved;
    const std::string what = "Save RAM, the card on " + link_.CardText();
    for (int row : rows) {
        progress_.SetDetails(what,
                             Format("%s %s, %d of %d", toImage ? "Reading" : "Writing",
                                    SlotRowLabel(row).c_str(), done + 1, total),
                             "");
        if (row < slots && row < kSlotCount) {
            if (toImage)
                link_.ReadSramBank(row);
            else
                link_.WriteSramBank(row);
            moved.push_back(row);
        } else {
            Error(Format("Can't write Slot %d (Card has only %d Slots)", row, slots));
            allWritten = false;
        }
        progress_.PumpMessages();
        progress_.SetPos(++done);
    }
    progress_.Close();
    if (toImage) ForgetFileNames(moved);
    const std::string card = "the card on " + link_.CardText();
    if (moved.empty())
        Result("No slot moved: the card on " + link_.CardText() + Format(" has %d slots", slots));
    else
        Result((moved.size() == 1 ? std::string("Slot ") : std::string("Slots ")) +
               SlotsText(moved).substr(moved.size() == 1 ? 5 : 6) +
               (toImage ? " read from " : " written to ") + card);
    return allWritten;
}

std::string SavegameOperations::AskPath(FileRequest::Kind kind, const char* title) {
    FileRequest request;
    request.kind = kind;
    request.title = title;
    request.filter = kAllFiles;
    request.mustExist = kind == FileRequest::Kind::Open;
    auto chosen = AskFiles(requester_, request, directories_);
    return chosen.empty() ? std::string() : chosen.front();
}

bool SavegameOperations::NameRows(int first, int count, const std::string& path) {
    for (int row = first; row < first + count; ++row) {
        if (!slots_.SetItem(row, SlotColumnFileName, path)) {
            Error(Format("Error at SetItem(%d)", row));
            return false;
        }
    }
    return true;
}

bool SavegameOperations::LoadIntoImage(const char* title, int startSlot) {
    const std::string path = AskPath(FileRequest::Kind::Open, title);
    if (path.empty()) return false;
    const int32_t maximum = (kSlotCount - startSlot) * kSlotSize;
    int32_t length = maximum;
    RomImage image = link_.LoadRomImage(path, length, LoadFromZip | LoadSaveData | LoadUpToSize);
    if (!image) {
        Error(link_.messageText);
        return false;
    }
    // The loader reads at most the maximum; clamp anyway so a misbehaving
    // loader can never write past the image.
    const int32_t count = std::clamp<int32_t>(std::min(length, image.length()), 0, maximum);
    std::memcpy(link_.sramImage.data() + startSlot * kSlotSize, image.data(),
                static_cast<size_t>(count));
    image.Release();
    return NameRows(startSlot, (count + kSlotSize - 1) / kSlotSize, path);
}

bool SavegameOperations::SaveFromImage(const char* title, int startSlot, int slotCount) {
    const std::string path = AskPath(FileRequest::Kind::Save, title);
    if (path.empty()) return false;
    // WriteWholeFile replaces the target only once every byte is written, so
    // a failed save keeps an existing file of that name intact.
    if (!WriteWholeFile(path, link_.sramImage.data() + startSlot * kSlotSize,
                        static_cast<size_t>(slotCount) * kSlotSize, false, messages_))
        return false;
    return NameRows(startSlot, slotCount, path);
}

bool SavegameOperations::LoadSram() {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    return LoadIntoImage("Load SRam", 0);
}

bool SavegameOperations::SaveSram() {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    return SaveFromImage("Save SRam", 0, kSlotCount);
}

bool SavegameOperations::LoadSlots() {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    const std::vector<int> rows = slots_.SelectedRows();
    if (rows.empty()) {
        Error("You must select a Start Slot !!");
        return false;
    }
    if (rows.size() > 1) {
        Error("You must not select multible Slots !!");
        return false;
    }
    return LoadIntoImage("Load Slot(s)", rows.front());
}

bool SavegameOperations::SaveSlots() {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    const std::vector<int> rows = slots_.SelectedRows();
    if (rows.empty()) {
        Error("You must select at least 1 Slot !!");
        return false;
    }
    for (size_t i = 1; i < rows.size(); ++i) {
        if (rows[i] != rows[i - 1] + 1) {
            Error("You must not select splitted Slots !!");
            return false;
        }
    }
    return SaveFromImage("Save Slot(s)", rows.front(), static_cast<int>(rows.size()));
}

bool SavegameOperations::ScanRomCommand() {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    if (!ScanPack(link_)) {
        Error(link_.messageText);
        return false;
    }
    if (link_.flashType != FlashNone)
        slots_.SetCardSlots(std::min(FindFlashChip(link_.flashType)->saveBanks, kSlotCount));
    const int count = std::min<int>(link_.slotNameCount, kSlotCount);
    for (int row = 0; row < count; ++row) {
        const auto& name = link_.slotNames[static_cast<size_t>(row)];
        if (!slots_.SetItem(row, SlotColumnGame,
                            std::string(name.data(), strnlen(name.data(), name.size())))) {
            Error(Format("Error at SetItem(%d)", row));
            return false;
        }
    }
    return true;
}

}  // namespace zorvex
