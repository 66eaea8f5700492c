#pragma once

#include <optional>
#include <string>

#include "common/message_sink.h"
#include "link/card_link.h"

namespace zorvex {

// Save RAM between the card and a file, as zorvex-cli moves it: the moves of
// the Savegame Manager without its window, with no progress window and
// nothing to cancel. Each returns true when the file or the card was written
// in full; every failure goes to `messages` with the manager's own texts.

struct SlotRange {
    int first = 0;
    int last = 0;
};

// "FIRST-LAST" or a single "SLOT", slots 0..15, FIRST <= LAST.
std::optional<SlotRange> ParseSlotRange(const std::string& text);
std::optional<int> ParseSlot(const std::string& text);

// Told how far a transfer stands, in 8 KiB slots; zorvex-cli draws its
// progress line from it. `done` runs from 0 to `total` for each transfer.
class SlotProgress {
  public:
    virtual ~SlotProgress() = default;
    virtual void Slots(bool toCard, int done, int total) = 0;
};

// The whole save RAM (131072 bytes, slots beyond a smaller card zero), or with
// `slots` only those slots, into the file at `path`. A card failure, or a slot
// the card does not have, leaves the file untouched.
bool ReadSaveRamToFile(CardLink& link, const std::string& path, std::optional<SlotRange> slots,
                       MessageSink& messages, SlotProgress* progress = nullptr);

// The file at `path` onto the card's slots from `startSlot` (slot 0 without
// one), as many as the file fills. Slots the file does not cover are never
// written. A whole 128 KiB image on a smaller card is written as far as the
// card goes; its slots beyond are reported unless blank.
bool WriteSaveRamFromFile(CardLink& link, const std::string& path, std::optional<int> startSlot,
                          MessageSink& messages, SlotProgress* progress = nullptr);

}  // namespace zorvex
