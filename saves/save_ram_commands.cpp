#include "saves/save_ram_commands.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/file_io.h"
#include "saves/save_ram_move.h"
#include "saves/slot_list.h"

namespace zorvex {

namespace {

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

void Error(MessageSink& messages, const std::string& text) {
    messages.ShowMessage(text, "Error");
}

// Moves `slots` (every slot of the card when nullopt), telling `progress`
// slots done of slots moved, and reports a failure: false when the card could
// not be opened or a slot lies beyond it.
bool Move(CardLink& link, SaveRamImage& image, SaveRamWay way,
          const std::optional<std::vector<int>>& slots, MessageSink& messages,
          SlotProgress* progress, SlotMove& move) {
    const bool toCard = way == SaveRamWay::ToCard;
    int cardSlots = 0;
    SlotMoveWatch watch;
    watch.opened = [&](const CardInfo&, int count) {
        cardSlots = count;
        if (progress && !(slots && slots->empty()))
            progress->Slots(toCard, 0, slots ? static_cast<int>(slots->size()) : count);
    };
    watch.after = [&](const SlotStep& step) {
        if (!step.onCard)
            Error(messages,
                  Format("Can't write Slot %d (Card has only %d Slots)", step.slot, cardSlots));
        if (progress) progress->Slots(toCard, step.index + 1, step.count);
        return false;
    };
    move = MoveSaveRam(link, image, way, slots, watch);
    if (!move.opened) {
        Error(messages, move.text);
        return false;
    }
    if (slots && slots->empty()) {
        Error(messages, "You must select at least 1 Slot !!");
        return false;
    }
    return move.missing.empty();
}

std::vector<int> Rows(int first, int count) {
    std::vector<int> rows;
    for (int row = first; row < first + count; ++row) rows.push_back(row);
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
    SaveRamImage image{};
    std::optional<std::vector<int>> rows;
    if (slots) rows = Rows(slots->first, slots->last - slots->first + 1);
    SlotMove move;
    if (!Move(link, image, SaveRamWay::FromCard, rows, messages, progress, move)) return false;
    const int first = slots ? slots->first : 0;
    const int count = slots ? static_cast<int>(rows->size()) : kSlotCount;
    // WriteWholeFile replaces the target only once every byte is written, so
    // a failed save keeps an existing file of that name intact.
    return WriteWholeFile(path, image.data() + static_cast<size_t>(first) * kSlotSize,
                          static_cast<size_t>(count) * kSlotSize, false, messages);
}

bool WriteSaveRamFromFile(CardLink& link, const std::string& path, std::optional<int> startSlot,
                          MessageSink& messages, SlotProgress* progress) {
    SaveRamImage image{};
    const int start = startSlot.value_or(0);
    const int32_t maximum = (kSlotCount - start) * kSlotSize;
    int32_t length = maximum;
    std::string problem;
    RomImage file = LoadRomImage(path, length, LoadFromZip | LoadSaveData | LoadUpToSize, problem);
    if (!file) {
        Error(messages, problem);
        return false;
    }
    // The loader reads at most the maximum; clamp anyway so a misbehaving
    // loader can never write past the image.
    const int32_t count = std::clamp<int32_t>(std::min(length, file.length()), 0, maximum);
    std::memcpy(image.data() + static_cast<size_t>(start) * kSlotSize, file.data(),
                static_cast<size_t>(count));
    const std::vector<int> rows = Rows(start, (count + kSlotSize - 1) / kSlotSize);
    SlotMove move;
    if (rows.size() != static_cast<size_t>(kSlotCount))
        return Move(link, image, SaveRamWay::ToCard, rows, messages, progress, move);

    // A whole image goes onto every slot the card has.
    if (!Move(link, image, SaveRamWay::ToCard, std::nullopt, messages, progress, move))
        return false;
    std::vector<int> lost;
    for (int row = move.cardSlots; row < kSlotCount; ++row)
        if (!BlankSlot(image, row)) lost.push_back(row);
    if (lost.empty()) return true;
    Error(messages, SlotsNotWrittenText(move.cardSlots, lost, path));
    return false;
}

}  // namespace zorvex
