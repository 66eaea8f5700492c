#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/card_link.h"

namespace zorvex {

// The save RAM of the largest card, slot 0 first. Its owner (the Savegame
// Manager's window, a zorvex-cli run) keeps it between moves.
using SaveRamImage = std::array<uint8_t, kSramImageSize>;

enum class SaveRamWay { FromCard, ToCard };

// One slot of a move, as the watch sees it.
struct SlotStep {
    int slot = 0;        // its number, which is also its bank on the card
    int index = 0;       // its place in the move, from 0
    int count = 0;       // the slots of the whole move
    bool onCard = true;  // false: the card has no such slot, so it is not moved
};

// Told how a move goes; every part may be left empty.
struct SlotMoveWatch {
    // The card is open, with `cardSlots` slots; nothing has moved yet.
    std::function<void(const CardInfo& card, int cardSlots)> opened;
    std::function<void(const SlotStep&)> before;
    // After each slot; true stops the move there.
    std::function<bool(const SlotStep&)> after;
};

// What a move did.
struct SlotMove {
    bool opened = false;  // the card was found; else `text` says why not
    std::string text;
    CardInfo card;
    int cardSlots = 0;         // the card's slots, at most the image's sixteen
    std::vector<int> moved;    // in the order moved
    std::vector<int> missing;  // asked for, but beyond the card's slots
    bool stopped = false;      // the watch stopped it
};

// Opens the card and moves save RAM between it and `image`, one 8 KiB slot
// after the other, holding the port once for the whole move: the slots
// `slots` names, in that order, or every slot the card has when it names
// none (nullopt).
SlotMove MoveSaveRam(CardLink& link, SaveRamImage& image, SaveRamWay way,
                     const std::optional<std::vector<int>>& slots, const SlotMoveWatch& watch = {});

// True when every byte of the image's slot is the same: a slot never written,
// which a whole-image file saved from a smaller card carries beyond the card's
// own slots.
bool BlankSlot(const SaveRamImage& image, int slot);

// The error after writing a whole image to a card with fewer slots: `lost`
// are the slots of `file` that did not fit.
std::string SlotsNotWrittenText(int cardSlots, const std::vector<int>& lost,
                                const std::string& file);

}  // namespace zorvex
