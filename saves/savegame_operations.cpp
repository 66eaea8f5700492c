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

SavegameOperations::SavegameOperations(CardLink& link, SaveRamImage& image, SlotList& slots,
                                       MessageSink& messages, FileRequester& requester,
                                       RequesterDirectories& directories, ProgressSink& progress,
                                       std::atomic<bool>& cancel)
    : link_(link),
      image_(image),
      slots_(slots),
      messages_(messages),
      requester_(requester),
      directories_(directories),
      progress_(progress),
      cancel_(cancel) {}

void SavegameOperations::Error(const std::string& text) {
    messages_.ShowMessage(text, "Error");
}

void SavegameOperations::Result(const std::string& text) {
    if (resultSink_) resultSink_(text);
}

void SavegameOperations::NotOpened(const std::string& text) {
    Error(text);
    Result("Save RAM not moved: " + text.substr(0, text.find('\n')));
}

void SavegameOperations::ForgetFileNames(const std::vector<int>& rows) {
    for (int row : rows) slots_.SetItem(row, SlotColumnFileName, "");
}

bool SavegameOperations::SramToPc() {
    return TransferAll(SaveRamWay::FromCard);
}
bool SavegameOperations::PcToSram() {
    return TransferAll(SaveRamWay::ToCard);
}
bool SavegameOperations::SlotsToPc() {
    return TransferSelected(SaveRamWay::FromCard);
}
bool SavegameOperations::PcToSlots() {
    return TransferSelected(SaveRamWay::ToCard);
}

bool SavegameOperations::TransferAll(SaveRamWay way) {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    const bool toImage = way == SaveRamWay::FromCard;
    std::string what;
    SlotMoveWatch watch;
    watch.opened = [&](const CardInfo& card, int cardSlots) {
        slots_.SetCardSlots(cardSlots);
        what = "Save RAM, the card on " + card.Text();
        progress_.Open();
        progress_.SetCaption(Caption(toImage));
        progress_.SetRange(0, cardSlots - 1);
        cancel_ = false;
    };
    watch.before = [&](const SlotStep& step) {
        progress_.PumpMessages();
        progress_.SetPos(step.slot);
        progress_.SetDetails(what,
                             Format("%s %s, %d of %d", toImage ? "Reading" : "Writing",
                                    SlotRowLabel(step.slot).c_str(), step.index + 1, step.count),
                             "");
    };
    watch.after = [&](const SlotStep&) { return cancel_.load(); };
    const SlotMove move = MoveSaveRam(link_, image_, way, std::nullopt, watch);
    if (!move.opened) {
        NotOpened(move.text);
        return false;
    }
    progress_.Close();
    const int slots = move.cardSlots;
    const bool cancelled = move.stopped;
    const std::string card = "the card on " + move.card.Text();
    if (toImage) {
        ForgetFileNames(move.moved);
        Result(Format("%d of %d slots read from ", static_cast<int>(move.moved.size()), slots) +
               card + (cancelled ? " (cancelled)" : ""));
        return !cancelled;
    }
    Result(Format("%d of %d slots written to ", static_cast<int>(move.moved.size()), slots) + card +
           (cancelled ? " (cancelled: the card holds a mix of old and new save RAM)" : ""));
    // Slots the image holds from a file but the card has no room for.
    std::vector<int> lost;
    for (int row = slots; row < kSlotCount; ++row) {
        if (!BlankSlot(image_, row) && !slots_.Item(row, SlotColumnFileName).empty())
            lost.push_back(row);
    }
    if (!cancelled && !lost.empty()) {
        Error(SlotsNotWrittenText(slots, lost, slots_.Item(lost.front(), SlotColumnFileName)));
        return false;
    }
    return !cancelled;
}

bool SavegameOperations::TransferSelected(SaveRamWay way) {
    BusyScope scope(busy_);
    if (!scope.entered()) return false;
    const std::vector<int> rows = slots_.SelectedRows();
    const bool toImage = way == SaveRamWay::FromCard;
    std::string what;
    int cardSlots = 0;
    SlotMoveWatch watch;
    watch.opened = [&](const CardInfo& card, int slots) {
        cardSlots = slots;
        slots_.SetCardSlots(slots);
        if (rows.empty()) return;
        what = "Save RAM, the card on " + card.Text();
        progress_.Open();
        progress_.SetCaption(Caption(toImage));
        // One step per row: the range 0..m is never empty (a single row would
        // make 0..m-1 empty) and the bar ends exactly at its top after the last row.
        progress_.SetRange(0, static_cast<int>(rows.size()));
        progress_.SetPos(0);
        cancel_ = false;
    };
    watch.before = [&](const SlotStep& step) {
        progress_.SetDetails(what,
                             Format("%s %s, %d of %d", toImage ? "Reading" : "Writing",
                                    SlotRowLabel(step.slot).c_str(), step.index + 1, step.count),
                             "");
    };
    // A selection is always moved in full: Cancel is not polled here.
    watch.after = [&](const SlotStep& step) {
        if (!step.onCard)
            Error(Format("Can't write Slot %d (Card has only %d Slots)", step.slot, cardSlots));
        progress_.PumpMessages();
        progress_.SetPos(step.index + 1);
        return false;
    };
    const SlotMove move = MoveSaveRam(link_, image_, way, rows, watch);
    if (!move.opened) {
        NotOpened(move.text);
        return false;
    }
    if (rows.empty()) {
        Error("You must select at least 1 Slot !!");
        return false;
    }
    progress_.Close();
    if (toImage) ForgetFileNames(move.moved);
    const std::string card = "the card on " + move.card.Text();
    if (move.moved.empty())
        Result("No slot moved: " + card + Format(" has %d slots", move.cardSlots));
    else
        Result((move.moved.size() == 1 ? std::string("Slot ") : std::string("Slots ")) +
               SlotsText(move.moved).substr(move.moved.size() == 1 ? 5 : 6) +
               (toImage ? " read from " : " written to ") + card);
    return move.missing.empty();
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
    std::string problem;
    RomImage image = LoadRomImage(path, length, LoadFromZip | LoadSaveData | LoadUpToSize, problem);
    if (!image) {
        Error(problem);
        return false;
    }
    // The loader reads at most the maximum; clamp anyway so a misbehaving
    // loader can never write past the image.
    const int32_t count = std::clamp<int32_t>(std::min(length, image.length()), 0, maximum);
    std::memcpy(image_.data() + startSlot * kSlotSize, image.data(), static_cast<size_t>(count));
    image.Release();
    return NameRows(startSlot, (count + kSlotSize - 1) / kSlotSize, path);
}

bool SavegameOperations::SaveFromImage(const char* title, int startSlot, int slotCount) {
    const std::string path = AskPath(FileRequest::Kind::Save, title);
    if (path.empty()) return false;
    // WriteWholeFile replaces the target only once every byte is written, so
    // a failed save keeps an existing file of that name intact.
    if (!WriteWholeFile(path, image_.data() + startSlot * kSlotSize,
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
    const PackScan scan = ScanPack(link_);
    if (!scan.ok) {
        Error(scan.text);
        return false;
    }
    slots_.SetCardSlots(std::min(scan.card.saveBanks(), kSlotCount));
    const int count = std::min(static_cast<int>(scan.names.size()), kSlotCount);
    for (int row = 0; row < count; ++row) {
        if (!slots_.SetItem(row, SlotColumnGame, scan.names[static_cast<size_t>(row)])) {
            Error(Format("Error at SetItem(%d)", row));
            return false;
        }
    }
    return true;
}

}  // namespace zorvex
