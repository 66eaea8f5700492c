#pragma once

#include <string>
#include <vector>

#include "link/card_link.h"

namespace zorvex {

// What the scan found: the game owning each save slot, in slot order.
struct PackScan {
    bool ok = false;
    std::string text;  // why not
    CardInfo card;     // once the card was opened
    // The titles, at most 16 bytes each, as the headers hold them. On "Too
    // many Savegames" they hold the slots assigned before the check failed.
    std::vector<std::string> names;
};

// Reads the cartridge headers on the card and assigns its save slots to the
// games in card order. Leaves the card engaged, like every user of OpenCard.
PackScan ScanPack(CardLink& link);

}  // namespace zorvex
