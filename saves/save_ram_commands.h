#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/message_sink.h"
#include "link/card_link.h"

namespace zorvex {

// The Savegame Manager's operations driven without a window, as zorvex-cli
// runs them: the file requester answers with the given path, there is no
// progress display and nothing can be cancelled. Each returns true when the
// operations showed no message; the messages go to `messages`.

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

// SRAM->PC then Save SRAM (all 131072 bytes), or with `slots`, Slot(s)->PC on
// those rows then Save Slot(s). A card failure leaves the file untouched.
bool ReadSaveRamToFile(CardLink& link, const std::string& path, std::optional<SlotRange> slots,
                       MessageSink& messages, SlotProgress* progress = nullptr);

// Load SRAM then the card slots the file covers (PC->SRAM for a whole
// 128 KiB image, else PC->Slot(s)); with `startSlot`, Load Slot(s) from that
// slot then PC->Slot(s) on the rows it filled. Slots the file does not cover
// are never written.
bool WriteSaveRamFromFile(CardLink& link, const std::string& path, std::optional<int> startSlot,
                          MessageSink& messages, SlotProgress* progress = nullptr);

// Scan Rom; the lines "Slot %02d %s", one per slot name found.
bool ScanCardSlots(CardLink& link, MessageSink& messages, std::vector<std::string>& lines);

}  // namespace zorvex
