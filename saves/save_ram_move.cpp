#include "saves/save_ram_move.h"

#include <algorithm>

#include "common/file_io.h"
#include "saves/slot_list.h"

namespace zorvex {

SlotMove MoveSaveRam(CardLink& link, SaveRamImage& image, SaveRamWay way,
                     const std::optional<std::vector<int>>& slots, const SlotMoveWatch& watch) {
    SlotMove move;
    CardOperation operation(link.bus());  // the port is held once for every slot
    Detection opened = link.OpenCard();
    if (opened.result != 0 || opened.card.saveBanks() <= 0) {
        move.text = std::move(opened.text);
        return move;
    }
    move.opened = true;
    move.card = opened.card;
    // The image holds 16 slots; never address one beyond it.
    move.cardSlots = std::min(opened.card.saveBanks(), kSlotCount);
    if (watch.opened) watch.opened(move.card, move.cardSlots);

    std::vector<int> list;
    if (slots) {
        list = *slots;
    } else {
        for (int slot = 0; slot < move.cardSlots; ++slot) list.push_back(slot);
    }
    const int count = static_cast<int>(list.size());
    for (int index = 0; index < count; ++index) {
        SlotStep step{list[static_cast<size_t>(index)], index, count, true};
        step.onCard = step.slot >= 0 && step.slot < move.cardSlots;
        if (watch.before) watch.before(step);
        if (step.onCard) {
            uint8_t* bytes = image.data() + static_cast<size_t>(step.slot) * kSramBankSize;
            if (way == SaveRamWay::FromCard)
                link.ReadSramBank(step.slot, bytes);
            else
                link.WriteSramBank(step.slot, bytes);
            move.moved.push_back(step.slot);
        } else {
            move.missing.push_back(step.slot);
        }
        if (watch.after && watch.after(step)) {
            move.stopped = true;
            break;
        }
    }
    return move;
}

bool BlankSlot(const SaveRamImage& image, int slot) {
    const uint8_t* bytes = image.data() + static_cast<size_t>(slot) * kSramBankSize;
    return std::all_of(bytes, bytes + kSramBankSize, [&](uint8_t b) { return b == *bytes; });
}

std::string SlotsNotWrittenText(int cardSlots, const std::vector<int>& lost,
                                const std::string& file) {
    return "The card has only " + Format("%d Slots: ", cardSlots) + SlotsText(lost) + " of " +
           file + " did not fit and were not written.";
}

}  // namespace zorvex
